// The executor's last steps in-process: a main form with its directories,
// a fresh uninstall record, the run's work lists and a stand-in executor
// page, on a machine whose drive C: holds what a test writes there.
#pragma once

#include "Win.h"
#include "fExec.h"
#include "fExecMerge.h"
#include "pages_fixture.h"

#include <algorithm>
#include <sstream>

namespace mergetest {

class MergeTest : public pagestest::PagesTest {
protected:
    void SetUp() override {
        PagesTest::SetUp();
        frmInstall->m_sTempDir = "C:\\TEMP\\INST\\";
        frmInstall->m_sWindowsDir = "C:\\WINDOWS\\";
        frmInstall->m_sSetupDir = "C:\\SETUP\\";
        frmInstall->m_sProgramDir = "C:\\PROG\\";
        makeDirC("TEMP/INST");
        makeDirC("WINDOWS/FONTS");
        makeDirC("PROG");
        pclUninstallList = std::make_unique<TStringList>();
        pclUninstallList->SetSorted(true);
        execPage = new TForm(Application);
        execPage->Name = "frmExecInstall";
        execPage->Width = 680;
        execPage->Height = 474;
    }

    // A file on drive C:, named by its Windows path there.
    void putC(const std::string& windowsPath, const std::string& content) const {
        testsupport::writeHostFile(hostC(windowsPath), content);
    }
    std::string readC(const std::string& windowsPath) const { return testsupport::readHostFile(hostC(windowsPath)); }
    bool existsC(const std::string& windowsPath) const { return std::filesystem::exists(hostC(windowsPath)); }
    std::string hostC(const std::string& windowsPath) const {
        std::string below = windowsPath.substr(3);
        std::replace(below.begin(), below.end(), '\\', '/');
        return driveC() + "/" + below;
    }

    // A description member as the file loop leaves it: unpacked to the work file.
    void unpackMember(const std::string& content) const { putC("C:\\TEMP\\INST\\INSTFILE.TMP", content); }

    bool finish(const std::string& script) {
        useScript(script);
        return FinishInstallation(*execPage, oleNow, oleReboot, fonts, environment);
    }

    std::string installLog() const { return readC("C:\\TEMP\\INST\\INSTALL.LOG"); }
    bool logHas(const std::string& text) const { return installLog().find(" - " + text + "\r\n") != std::string::npos; }

    static std::vector<std::string> linesOf(const TStrings& list) {
        std::vector<std::string> lines;
        for (int i = 0; i < list.Count(); ++i) lines.push_back(list[i]);
        return lines;
    }

    std::vector<std::string> journal() const {
        std::istringstream in(testsupport::readHostFile(machineDir + "/journal.log"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line.substr(line.find(' ') + 1));
        return lines;
    }
    bool journalHas(const std::string& line) const {
        const std::vector<std::string> lines = journal();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    TStringList oleNow, oleReboot, fonts, environment;
    TForm* execPage = nullptr;
};

}  // namespace mergetest
