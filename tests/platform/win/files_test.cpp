// File states as Windows enforces them: read-only (also for root), in use,
// copies with their time and attributes, renames, directories.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using testsupport::MachineTest;

class WinFiles : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        testsupport::writeHostFile(driveC() + "/DATA/A.TXT", "alpha");
        testsupport::writeHostFile(driveC() + "/DATA/B.TXT", "beta");
    }
    std::string host(const std::string& name) const { return driveC() + "/DATA/" + name; }
    bool hostExists(const std::string& name) const { return fs::exists(host(name)); }
};

// Every way of changing a file's content or existence.
struct Change {
    const char* what;
    std::function<bool(const std::string& path)> apply;
};

const Change kChanges[] = {
    {"open for writing", [](const std::string& p) { return win::openFile(p, win::OpenMode::Create) != nullptr; }},
    {"open for append", [](const std::string& p) { return win::openFile(p, win::OpenMode::Append) != nullptr; }},
    {"open read/write", [](const std::string& p) { return win::openFile(p, win::OpenMode::ReadWrite) != nullptr; }},
    {"write whole file", [](const std::string& p) { return win::writeWholeFile(p, "new"); }},
    {"delete", [](const std::string& p) { return win::deleteFile(p); }},
    {"copy onto", [](const std::string& p) { return win::copyFile("C:\\DATA\\B.TXT", p, false); }},
    {"replace onto", [](const std::string& p) { return win::replaceFile("C:\\DATA\\B.TXT", p); }},
    {"set time", [](const std::string& p) { return win::setLastWriteTime(p, 130000000000000000ull); }},
    {"probe exclusive", [](const std::string& p) { return win::canOpenExclusive(p); }},
};

TEST_F(WinFiles, ReadOnlyRefusesEveryChangeEvenForRoot) {
    ASSERT_EQ(::geteuid(), 0u) << "the point of this test is root";
    ASSERT_TRUE(win::setFileAttributes("C:\\DATA\\A.TXT", win::ATTR_READONLY));
    win::FileTime before = 0;
    ASSERT_TRUE(win::getLastWriteTime("C:\\DATA\\A.TXT", before));
    for (const Change& c : kChanges) {
        EXPECT_FALSE(c.apply("c:\\data\\a.txt")) << c.what;
        EXPECT_EQ(win::lastError(), win::ERR_ACCESS_DENIED) << c.what;
    }
    EXPECT_EQ(testsupport::readHostFile(host("A.TXT")), "alpha");
    EXPECT_TRUE(hostExists("B.TXT")) << "the refused replace left its source";
    win::FileTime after = 0;
    ASSERT_TRUE(win::getLastWriteTime("C:\\DATA\\A.TXT", after));
    EXPECT_EQ(after, before);

    std::string content;
    EXPECT_TRUE(win::readWholeFile("C:\\DATA\\A.TXT", content)) << "reading is allowed";
    EXPECT_TRUE(win::moveFile("C:\\DATA\\A.TXT", "C:\\DATA\\R.TXT")) << "a read-only file may be renamed";
    EXPECT_EQ(win::getFileAttributes("C:\\DATA\\R.TXT"), uint32_t{win::ATTR_READONLY}) << "and stays read-only";

    ASSERT_TRUE(win::setFileAttributes("C:\\DATA\\R.TXT", win::ATTR_NORMAL));
    EXPECT_TRUE(win::deleteFile("C:\\DATA\\R.TXT")) << "normal again";
}

TEST_F(WinFiles, InUseRefusesChangesButAllowsReadingAndRenaming) {
    win::machine::setValue("InUse", "C:\\DATA\\A.TXT", "1");
    for (const Change& c : kChanges) {
        EXPECT_FALSE(c.apply("C:\\Data\\a.txt")) << c.what;
        EXPECT_EQ(win::lastError(), win::ERR_SHARING_VIOLATION) << c.what;
    }
    EXPECT_EQ(testsupport::readHostFile(host("A.TXT")), "alpha");
    std::string content;
    EXPECT_TRUE(win::readWholeFile("C:\\DATA\\A.TXT", content));
    EXPECT_TRUE(win::copyFile("C:\\DATA\\A.TXT", "C:\\DATA\\COPY.TXT", true)) << "copying from it is reading";
    EXPECT_TRUE(win::setFileAttributes("C:\\DATA\\A.TXT", win::ATTR_HIDDEN)) << "attributes may change";
    EXPECT_TRUE(win::moveFile("C:\\DATA\\A.TXT", "C:\\DATA\\MOVED.TXT")) << "renaming is allowed";

    win::machine::setValue("InUse", "C:\\DATA\\A.TXT", "");
    win::machine::setValue("InUse", "C:\\DATA\\MOVED.TXT", "2");
    EXPECT_FALSE(win::readWholeFile("C:\\DATA\\MOVED.TXT", content)) << "exclusively: no reading either";
    EXPECT_EQ(win::lastError(), win::ERR_SHARING_VIOLATION);
    EXPECT_FALSE(win::copyFile("C:\\DATA\\MOVED.TXT", "C:\\DATA\\C2.TXT", false));

    win::machine::setValue("InUse", "C:\\DATA\\MOVED.TXT", "");  // the program ended
    EXPECT_TRUE(win::deleteFile("C:\\DATA\\MOVED.TXT")) << "marks are read on every call";
}

TEST_F(WinFiles, CopyKeepsContentTimeAndAttributes) {
    const win::FileTime stamp = 133500000000000000ull;  // a time with 100 ns digits
    ASSERT_TRUE(win::setLastWriteTime("C:\\DATA\\A.TXT", stamp + 1234567));
    ASSERT_TRUE(win::setFileAttributes("C:\\DATA\\A.TXT", win::ATTR_HIDDEN | win::ATTR_SYSTEM));

    ASSERT_TRUE(win::copyFile("C:\\DATA\\A.TXT", "C:\\DATA\\C.TXT", true));
    EXPECT_EQ(testsupport::readHostFile(host("C.TXT")), "alpha");
    win::FileTime copied = 0;
    ASSERT_TRUE(win::getLastWriteTime("C:\\DATA\\C.TXT", copied));
    EXPECT_EQ(copied, stamp + 1234567);
    EXPECT_EQ(win::getFileAttributes("C:\\DATA\\C.TXT"), uint32_t{win::ATTR_HIDDEN | win::ATTR_SYSTEM});

    ASSERT_TRUE(win::setFileAttributes("C:\\DATA\\A.TXT", win::ATTR_READONLY));
    ASSERT_TRUE(win::copyFile("C:\\DATA\\A.TXT", "C:\\DATA\\D.TXT", false));
    EXPECT_EQ(win::getFileAttributes("C:\\DATA\\D.TXT"), uint32_t{win::ATTR_READONLY}) << "a read-only copy";
    EXPECT_FALSE(win::copyFile("C:\\DATA\\B.TXT", "C:\\DATA\\D.TXT", false)) << "which refuses the next copy";
}

struct CopyFailure {
    const char* from;
    const char* to;
    bool failIfExists;
    uint32_t error;
};

TEST_F(WinFiles, CopyFailures) {
    ASSERT_TRUE(win::setFileAttributes("C:\\DATA\\B.TXT", win::ATTR_HIDDEN));
    const CopyFailure cases[] = {
        {"C:\\DATA\\MISSING.TXT", "C:\\DATA\\X.TXT", false, win::ERR_FILE_NOT_FOUND},
        {"C:\\DATA\\A.TXT", "C:\\NODIR\\X.TXT", false, win::ERR_PATH_NOT_FOUND},
        {"C:\\DATA\\A.TXT", "C:\\DATA\\B.TXT", true, win::ERR_FILE_EXISTS},
        {"C:\\DATA\\A.TXT", "C:\\DATA\\B.TXT", false, win::ERR_ACCESS_DENIED},  // hidden target
        {"C:\\DATA\\A.TXT", "C:\\DATA", false, win::ERR_ACCESS_DENIED},
        {"C:\\DATA", "C:\\X.TXT", false, win::ERR_ACCESS_DENIED},
    };
    for (const CopyFailure& c : cases) {
        EXPECT_FALSE(win::copyFile(c.from, c.to, c.failIfExists)) << c.from << " -> " << c.to;
        EXPECT_EQ(win::lastError(), c.error) << c.from << " -> " << c.to;
    }
    EXPECT_EQ(testsupport::readHostFile(host("B.TXT")), "beta");
}

TEST_F(WinFiles, RenameAndReplacingRename) {
    EXPECT_FALSE(win::moveFile("C:\\DATA\\A.TXT", "C:\\DATA\\B.TXT"));
    EXPECT_EQ(win::lastError(), win::ERR_ALREADY_EXISTS);
    EXPECT_TRUE(win::moveFile("C:\\DATA\\A.TXT", "C:\\DATA\\a.txt")) << "a change of case only";
    EXPECT_TRUE(fs::exists(host("a.txt")));

    ASSERT_TRUE(win::setFileAttributes("C:\\DATA\\a.txt", win::ATTR_SYSTEM));
    ASSERT_TRUE(win::replaceFile("C:\\DATA\\a.txt", "C:\\DATA\\B.TXT"));
    EXPECT_FALSE(hostExists("a.txt"));
    EXPECT_EQ(testsupport::readHostFile(host("B.TXT")), "alpha");
    EXPECT_EQ(win::getFileAttributes("C:\\DATA\\B.TXT"), uint32_t{win::ATTR_SYSTEM}) << "the source's attributes";

    EXPECT_FALSE(win::moveFile("C:\\DATA\\NONE.TXT", "C:\\DATA\\X.TXT"));
    EXPECT_EQ(win::lastError(), win::ERR_FILE_NOT_FOUND);
}

TEST_F(WinFiles, AttributesAreKeptBesideTheFiles) {
    EXPECT_EQ(win::getFileAttributes("C:\\DATA\\A.TXT"), uint32_t{win::ATTR_ARCHIVE}) << "a file as Windows makes it";
    EXPECT_EQ(win::getFileAttributes("C:\\DATA"), uint32_t{win::ATTR_DIRECTORY});
    EXPECT_EQ(win::getFileAttributes("C:\\DATA\\NONE"), win::kInvalidAttributes);

    ASSERT_TRUE(win::setFileAttributes("C:\\DATA\\A.TXT", win::ATTR_READONLY | win::ATTR_DIRECTORY | win::ATTR_VOLUME));
    EXPECT_EQ(win::getFileAttributes("C:\\DATA\\A.TXT"), uint32_t{win::ATTR_READONLY}) << "R, H, S, A only";
    ASSERT_TRUE(win::setFileAttributes("C:\\DATA\\A.TXT", 0));
    EXPECT_EQ(win::getFileAttributes("C:\\DATA\\A.TXT"), uint32_t{win::ATTR_NORMAL});

    ASSERT_TRUE(win::setFileAttributes("C:\\DATA\\B.TXT", win::ATTR_HIDDEN));
    win::machine::reload();
    EXPECT_EQ(win::getFileAttributes("c:\\data\\b.txt"), uint32_t{win::ATTR_HIDDEN}) << "kept in the machine folder";

    ASSERT_TRUE(win::deleteFile("C:\\DATA\\B.TXT"));
    ASSERT_TRUE(win::writeWholeFile("C:\\DATA\\B.TXT", "again"));
    EXPECT_EQ(win::getFileAttributes("C:\\DATA\\B.TXT"), uint32_t{win::ATTR_ARCHIVE}) << "a new file, no old record";
}

TEST_F(WinFiles, Directories) {
    EXPECT_TRUE(win::createDirectory("C:\\DATA\\NEW"));
    EXPECT_FALSE(win::createDirectory("C:\\data\\new"));
    EXPECT_EQ(win::lastError(), win::ERR_ALREADY_EXISTS);
    EXPECT_FALSE(win::createDirectory("C:\\NONE\\NEW"));
    EXPECT_EQ(win::lastError(), win::ERR_PATH_NOT_FOUND);

    EXPECT_FALSE(win::removeDirectory("C:\\DATA"));
    EXPECT_EQ(win::lastError(), win::ERR_DIR_NOT_EMPTY);
    ASSERT_TRUE(win::setCurrentDirectory("C:\\DATA\\NEW"));
    EXPECT_FALSE(win::removeDirectory("C:\\DATA\\NEW"));
    EXPECT_EQ(win::lastError(), win::ERR_SHARING_VIOLATION) << "the current directory";
    ASSERT_TRUE(win::setCurrentDirectory("C:\\"));
    EXPECT_TRUE(win::removeDirectory("C:\\DATA\\NEW"));
    EXPECT_FALSE(win::deleteFile("C:\\DATA"));
    EXPECT_EQ(win::lastError(), win::ERR_ACCESS_DENIED);
}

// Windows never removes a drive's root, whatever path leads to it.
TEST_F(WinFiles, DriveRootIsNeverRemoved) {
    setMachineIni("[Drive E]\nType=fixed\nFolder=drives/E\n");
    fs::create_directories(machineDir + "/drives/E/X");
    for (const char* root : {"E:\\X\\..", "E:\\", "e:\\X\\.\\..\\"}) {
        EXPECT_FALSE(win::removeDirectory(root)) << root;
        EXPECT_EQ(win::lastError(), win::ERR_ACCESS_DENIED) << root;
    }
    EXPECT_TRUE(win::removeDirectory("E:\\X"));
    EXPECT_FALSE(win::removeDirectory("E:\\"));
    EXPECT_EQ(win::lastError(), win::ERR_ACCESS_DENIED) << "empty now";
    EXPECT_TRUE(fs::is_directory(machineDir + "/drives/E"));
}

TEST_F(WinFiles, StreamsReadWriteSeekAppend) {
    std::unique_ptr<win::File> f = win::openFile("C:\\DATA\\S.BIN", win::OpenMode::Create);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->write("0123456789", 10), 10u);
    ASSERT_TRUE(f->seek(4));
    char buffer[4] = {};
    EXPECT_EQ(f->read(buffer, 3), 3u);
    EXPECT_EQ(std::string(buffer, 3), "456");
    EXPECT_EQ(f->write("xy", 2), 2u);
    EXPECT_EQ(f->size(), 10u);
    EXPECT_TRUE(f->close());
    EXPECT_EQ(testsupport::readHostFile(host("S.BIN")), "0123456xy9");

    f = win::openFile("C:\\DATA\\S.BIN", win::OpenMode::Append);
    ASSERT_TRUE(f);
    f->write("!", 1);
    EXPECT_TRUE(f->close());
    EXPECT_EQ(testsupport::readHostFile(host("S.BIN")), "0123456xy9!");

    EXPECT_FALSE(win::openFile("C:\\DATA\\NONE.BIN", win::OpenMode::Read));
    EXPECT_EQ(win::lastError(), win::ERR_FILE_NOT_FOUND);
    EXPECT_FALSE(win::openFile("C:\\DATA\\NONE.BIN", win::OpenMode::ReadWrite));
    EXPECT_FALSE(win::openFile("C:\\NODIR\\X.BIN", win::OpenMode::Create));
    EXPECT_EQ(win::lastError(), win::ERR_PATH_NOT_FOUND);
}

// A write-protected medium, and a CD-ROM always.
TEST_F(WinFiles, WriteProtectedDriveRefusesWrites) {
    for (const char* drive : {"[Drive C]\nWriteProtect=1\n", "[Drive C]\nType=cdrom\n"}) {
        SCOPED_TRACE(drive);
        setMachineIni(drive);
        EXPECT_TRUE(win::fileExists("C:\\DATA\\A.TXT"));
        const std::function<bool()> writes[] = {
            [] { return win::writeWholeFile("C:\\DATA\\NEW.TXT", "x"); },
            [] { return win::openFile("C:\\DATA\\A.TXT", win::OpenMode::Append) != nullptr; },
            [] { return win::deleteFile("C:\\DATA\\A.TXT"); },
            [] { return win::createDirectory("C:\\DATA\\NEW"); },
            [] { return win::copyFile("C:\\DATA\\A.TXT", "C:\\DATA\\C.TXT", false); },
            [] { return win::moveFile("C:\\DATA\\A.TXT", "C:\\DATA\\C.TXT"); },
            [] { return win::setFileAttributes("C:\\DATA\\A.TXT", win::ATTR_HIDDEN); },
        };
        for (const auto& write : writes) {
            EXPECT_FALSE(write());
            EXPECT_EQ(win::lastError(), win::ERR_WRITE_PROTECT);
        }
    }
}

}  // namespace
