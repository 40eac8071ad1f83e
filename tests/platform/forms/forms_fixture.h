// A fresh machine and a fresh application per test, with a scripted user
// whose transcript the test reads back.
#pragma once

#include "Forms.h"
#include "ApplicationFixture.h"
#include "headless/ScriptedUser.h"

#include <string>
#include <vector>

namespace formstest {

class FormsTest : public testsupport::ApplicationTest {
protected:
    // The transcript's lines without their numbers.
    std::vector<std::string> transcript() const {
        std::vector<std::string> lines;
        for (const std::string& line : transcriptLines()) lines.push_back(line.substr(line.find(' ') + 1));
        return lines;
    }

    // A transcript line with its number.
    std::string transcriptLine(std::size_t index) const { return transcriptLines().at(index); }

    bool transcriptHas(const std::string& line) const {
        for (const std::string& l : transcript())
            if (l == line) return true;
        return false;
    }
};

inline TButton* addButton(TWinControl& parent, const std::string& name, const std::string& caption, int result) {
    auto* button = new TButton(parent.ParentForm());
    button->Name = name;
    button->Caption = caption;
    button->ModalResult = result;
    button->SetParent(&parent);
    return button;
}

template <class T>
T* addControl(TWinControl& parent, const std::string& name) {
    auto* control = new T(parent.ParentForm());
    control->Name = name;
    control->SetParent(&parent);
    return control;
}

// A wizard page: Back, Next and Cancel with their results, in that tab order.
class Page : public TForm {
public:
    Page(TComponent* owner, const std::string& name) : TForm(owner) {
        Name = name;
        Caption = "Demo - " + name;
        cmdBack = addButton(*this, "cmdBack", "&Zurück", -1);
        cmdNext = addButton(*this, "cmdNext", "&Weiter", 1);
        cmdCancel = addButton(*this, "cmdCancel", "&Abbruch", -1000);
    }
    TButton* cmdBack;
    TButton* cmdNext;
    TButton* cmdCancel;
};

}  // namespace formstest
