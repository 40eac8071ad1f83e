// The wizard pages in-process: a fresh machine and application per test,
// the main form (its start timer off) and every page created as the program
// entry creates them, and a scripted user whose transcript the test reads.
#pragma once

#include "Forms.h"
#include "ApplicationFixture.h"
#include "Tools.h"
#include "fCalcSpa.h"
#include "fConfirm.h"
#include "fInstall.h"
#include "fLicence.h"
#include "fNDirSel.h"
#include "fPDirSel.h"
#include "fPrepare.h"
#include "fSetVar.h"
#include "fTypeSel.h"
#include "fUserDir.h"
#include "headless/ScriptedUser.h"
#include "headless/Utf8.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace pagestest {

class PagesTest : public testsupport::ApplicationTest {
protected:
    void SetUp() override {
        ApplicationTest::SetUp();
        prepareMachine();
        Application->CreateForm(frmInstall);
        frmInstall->tmrStart->SetEnabled(false);
        Application->CreateForm(frmTypSelect);
        Application->CreateForm(frmDirSelect);
        Application->CreateForm(frmNetDirSelect);
        Application->CreateForm(frmConfirm);
        Application->CreateForm(frmLicence);
        Application->CreateForm(frmCalcSpace);
        Application->CreateForm(frmUserDir);
        Application->CreateForm(frmSetVar);
        Application->CreateForm(frmPrepare);
        frmInstall->m_sHeadTitleText = "Demo Setup 2.0";
    }

    // What the machine holds before the forms are created (their drive boxes
    // and directory lists start where the process stands).
    virtual void prepareMachine() {}

    // Runs one modal show of the page with a script.
    int show(TForm& page, const std::string& script) {
        useScript(script);
        return page.ShowModal();
    }

    // The transcript's lines without their numbers.
    std::vector<std::string> transcript() const {
        std::vector<std::string> lines;
        for (const std::string& line : transcriptLines()) lines.push_back(line.substr(line.find(' ') + 1));
        return lines;
    }

    bool transcriptHas(const std::string& line) const {
        const std::vector<std::string> lines = transcript();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    // The transcript file as a process that ended left it, as Windows-1252.
    std::string transcriptFile() const {
        const std::string utf8 = testsupport::readHostFile(transcriptPath());
        return forms::headless::utf8ToCp1252(utf8).value_or(utf8);
    }

    // A directory on drive C: of the machine, made on the host.
    void makeDirC(const std::string& relative) const;
};

inline void PagesTest::makeDirC(const std::string& relative) const {
    std::filesystem::create_directories(driveC() + "/" + relative);
}

// The setup description's types: names with their index, one description each.
inline void setTypes(const std::vector<std::string>& names, const std::vector<std::string>& descriptions,
                     const std::string& mask) {
    frmInstall->m_pclTypeNames = std::make_unique<TStringList>(true);
    for (int i = 0; i < static_cast<int>(names.size()); ++i)
        frmInstall->m_pclTypeNames->AddObject(names[i], new TIntObject(i));
    frmInstall->m_pclTypeHelpRtf = std::make_unique<TStringList>(true);
    for (const std::string& text : descriptions) frmInstall->m_pclTypeHelpRtf->Add(text);
    frmInstall->m_sActiveTypes = mask;
}

}  // namespace pagestest
