// A fresh machine and a fresh application per test, with a scripted user
// whose transcript the test can read back.  For test programs that link the
// class library stand-in.
#pragma once

#include "Forms.h"
#include "MachineFixture.h"
#include "headless/ScriptedUser.h"

#include <memory>
#include <string>

namespace testsupport {

class ApplicationTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        delete Application;
        Application = new TApplication;
        Application->Title = "Setup";
        useScript("");
    }

    // A new scripted user; the transcript starts empty.
    void useScript(const std::string& script) {
        auto user = forms::headless::ScriptedUser::fromText(script, transcriptPath());
        m_user = user.get();
        Application->SetDisplay(std::move(user));
    }

    std::string transcriptPath() const { return machineDir + "/transcript.txt"; }
    // The current user's transcript lines, numbered, as Windows-1252.
    const std::vector<std::string>& transcriptLines() const { return m_user->transcript().lines(); }

private:
    forms::headless::ScriptedUser* m_user = nullptr;
};

}  // namespace testsupport
