// The machine's files that the layer keeps in memory (machine.ini, the
// registry, the attribute record): a change from outside is seen by the next
// call, also one that keeps the file's size and comes at once; a change that
// cannot be written through is not taken.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

namespace fs = std::filesystem;

namespace {

using win::RegRoot;

class WinKeptFiles : public testsupport::MachineTest {
protected:
    std::string file(const char* name) const { return machineDir + "/" + name; }
    // The file rewritten in place (same inode), one text for another.
    void rewrite(const char* name, const std::string& from, const std::string& to) const {
        std::string text = testsupport::readHostFile(file(name));
        const std::size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << name << ": " << text;
        testsupport::writeHostFile(file(name), text.replace(at, from.size(), to));
    }
};

uint32_t freeClusters() {
    win::DiskFree free;
    return win::diskFreeSpace("D:\\", free) ? free.freeClusters : 0;
}

std::string registryValue() {
    std::string value;
    return win::regReadString(RegRoot::CurrentUser, "Software\\Demo", "Name", value) ? value : "(none)";
}

struct OutsideChange {
    const char* file;
    std::function<void()> seed;  // through the layer, which then keeps the file
    const char* from;
    const char* to;  // of the same length
    std::function<std::string()> now;
    const char* expected;
};

TEST_F(WinKeptFiles, AChangeFromOutsideIsSeenAtOnceEvenOfTheSameSize) {
    testsupport::writeHostFile(driveC() + "/A.TXT", "a");
    const OutsideChange cases[] = {
        {"machine.ini", [this] { setMachineIni("[Drive D]\nFolder=drives/D\nFree=1,512,10,20\n"); },
         "Free=1,512,10,20", "Free=1,512,30,20", [] { return std::to_string(freeClusters()); }, "30"},
        {"registry.reg",
         [] {
             win::regOpenKey(RegRoot::CurrentUser, "Software\\Demo", true, true);
             win::regWriteString(RegRoot::CurrentUser, "Software\\Demo", "Name", "aaaa");
         },
         "\"aaaa\"", "\"bbbb\"", registryValue, "bbbb"},
        {"attributes.txt", [] { win::setFileAttributes("C:\\A.TXT", win::ATTR_HIDDEN); }, "02\t", "01\t",
         [] { return std::to_string(win::getFileAttributes("C:\\A.TXT")); }, "1"},
    };
    for (const OutsideChange& c : cases) {
        c.seed();
        c.now();  // what the layer keeps is in use
        rewrite(c.file, c.from, c.to);
        EXPECT_EQ(c.now(), c.expected) << c.file;
        win::machine::setValue("Drive D", "Free", "1,512,7,20");
        EXPECT_EQ(freeClusters(), 7u) << "machine.ini, replaced, after " << c.file;
    }
}

// While it lives, the process can open no more files: reading what is kept
// still works, writing a file fails.
class NoNewFiles {
public:
    NoNewFiles() {
        getrlimit(RLIMIT_NOFILE, &saved_);
        const int lowestFree = ::dup(0);
        ::close(lowestFree);
        rlimit limit = saved_;
        limit.rlim_cur = rlim_t(lowestFree);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    ~NoNewFiles() { setrlimit(RLIMIT_NOFILE, &saved_); }

private:
    rlimit saved_{};
};

TEST_F(WinKeptFiles, AChangeThatCannotBeWrittenThroughIsNotTaken) {
    testsupport::writeHostFile(driveC() + "/A.TXT", "a");
    ASSERT_EQ(win::regOpenKey(RegRoot::CurrentUser, "Software\\Demo", true, true), 0u);
    ASSERT_TRUE(win::setFileAttributes("C:\\A.TXT", win::ATTR_READONLY));
    ASSERT_EQ(win::regWriteString(RegRoot::CurrentUser, "Software\\Demo", "Name", "alt"), 0u);
    {
        const NoNewFiles full;
        EXPECT_NE(win::regWriteString(RegRoot::CurrentUser, "Software\\Demo", "Name", "neu"), 0u);
        EXPECT_FALSE(win::setFileAttributes("C:\\A.TXT", win::ATTR_HIDDEN));
    }
    EXPECT_EQ(registryValue(), "alt");
    EXPECT_EQ(win::getFileAttributes("C:\\A.TXT"), uint32_t{win::ATTR_READONLY});
}

// Many changes, written through one by one and now and then written anew as
// a whole, read back the same by a fresh process.
TEST_F(WinKeptFiles, ManyRecordChangesReadBackAfterAReload) {
    const auto name = [](int n) { return "C:\\D\\F" + std::to_string(n) + ".TXT"; };
    // Bits without read-only, which would keep the file from being deleted.
    const auto bitsOf = [](int n, int round) {
        const uint32_t choices[] = {0x02, 0x04, 0x06, 0x20, 0x22, 0x24};
        return choices[(n + round) % 6];
    };
    for (int n = 0; n < 300; ++n) testsupport::writeHostFile(driveC() + "/D/F" + std::to_string(n) + ".TXT", "x");
    for (int round = 0; round < 3; ++round)
        for (int n = 0; n < 300; ++n) ASSERT_TRUE(win::setFileAttributes(name(n), bitsOf(n, round)));
    for (int n = 0; n < 300; n += 3) ASSERT_TRUE(win::deleteFile(name(n)));
    for (int n = 1; n < 300; n += 3) ASSERT_TRUE(win::moveFile(name(n), "C:\\D\\M" + std::to_string(n) + ".TXT"));
    win::machine::reload();
    for (int n = 0; n < 300; ++n) {
        const uint32_t expected[] = {win::kInvalidAttributes, bitsOf(n, 2), bitsOf(n, 2)};
        const std::string path = n % 3 == 1 ? "C:\\D\\M" + std::to_string(n) + ".TXT" : name(n);
        EXPECT_EQ(win::getFileAttributes(path), expected[n % 3]) << path;
    }
    testsupport::writeHostFile(driveC() + "/D/F0.TXT", "new");
    EXPECT_EQ(win::getFileAttributes(name(0)), uint32_t{win::ATTR_ARCHIVE}) << "a deleted file's record is gone";
}

// A write cut short (a crash) leaves a last line without its end; the next
// change goes on a line of its own.
TEST_F(WinKeptFiles, ARecordCutShortKeepsItsLastLineApartFromTheNext) {
    testsupport::writeHostFile(driveC() + "/A.TXT", "a");
    testsupport::writeHostFile(driveC() + "/B.TXT", "b");
    testsupport::writeHostFile(file("attributes.txt"), "02\t" + fs::canonical(driveC() + "/A.TXT").string());
    ASSERT_TRUE(win::setFileAttributes("C:\\B.TXT", win::ATTR_SYSTEM));
    win::machine::reload();
    EXPECT_EQ(win::getFileAttributes("C:\\A.TXT"), uint32_t{win::ATTR_HIDDEN});
    EXPECT_EQ(win::getFileAttributes("C:\\B.TXT"), uint32_t{win::ATTR_SYSTEM});
}

// A change that leaves every path's attributes as they were writes nothing:
// a file's archive bit alone is what a file without record reports.  A
// directory has no archive bit until it is given one.
TEST_F(WinKeptFiles, ChangesThatLeaveTheAttributesAsTheyWereWriteNoRecord) {
    for (const char* name : {"A.TXT", "B.TXT", "E.TXT"}) testsupport::writeHostFile(driveC() + "/" + name, "x");
    fs::create_directories(driveC() + "/D");
    ASSERT_TRUE(win::setFileAttributes("C:\\B.TXT", win::ATTR_HIDDEN));
    const std::string record = testsupport::readHostFile(file("attributes.txt"));
    const struct {
        const char* change;
        std::function<bool()> make;
        const char* path;
        uint32_t reported;
    } cases[] = {
        {"a file's archive bit alone", [] { return win::setFileAttributes("C:\\A.TXT", win::ATTR_ARCHIVE); },
         "C:\\A.TXT", win::ATTR_ARCHIVE},
        {"the bits the file has", [] { return win::setFileAttributes("C:\\B.TXT", win::ATTR_HIDDEN); }, "C:\\B.TXT",
         win::ATTR_HIDDEN},
        {"a file without record moved", [] { return win::moveFile("C:\\A.TXT", "C:\\C.TXT"); }, "C:\\C.TXT",
         win::ATTR_ARCHIVE},
        {"a file without record put over one without", [] { return win::replaceFile("C:\\C.TXT", "C:\\E.TXT"); },
         "C:\\E.TXT", win::ATTR_ARCHIVE},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(c.make()) << c.change;
        EXPECT_EQ(win::getFileAttributes(c.path), c.reported) << c.change;
        EXPECT_EQ(testsupport::readHostFile(file("attributes.txt")), record) << c.change;
    }
    ASSERT_TRUE(win::setFileAttributes("C:\\D", win::ATTR_ARCHIVE));
    win::machine::reload();
    EXPECT_EQ(win::getFileAttributes("C:\\D"), uint32_t{win::ATTR_DIRECTORY | win::ATTR_ARCHIVE});
    EXPECT_EQ(win::getFileAttributes("C:\\B.TXT"), uint32_t{win::ATTR_HIDDEN});
}

// A record belongs to the file, however a path reaches it: through a link
// to its folder, or as a host path.
TEST_F(WinKeptFiles, ARecordFollowsTheFileThroughALinkToItsFolder) {
    testsupport::writeHostFile(driveC() + "/D/A.TXT", "a");
    fs::create_directory_symlink(driveC() + "/D", machineDir + "/link");
    ASSERT_TRUE(win::setFileAttributes("C:\\D\\A.TXT", win::ATTR_HIDDEN));
    EXPECT_EQ(win::getFileAttributes(machineDir + "/link/A.TXT"), uint32_t{win::ATTR_HIDDEN});
    ASSERT_TRUE(win::moveFile(machineDir + "/link/A.TXT", machineDir + "/link/B.TXT"));
    EXPECT_EQ(win::getFileAttributes("C:\\D\\B.TXT"), uint32_t{win::ATTR_HIDDEN});
    testsupport::writeHostFile(driveC() + "/D/A.TXT", "new");
    EXPECT_EQ(win::getFileAttributes("C:\\D\\A.TXT"), uint32_t{win::ATTR_ARCHIVE}) << "the moved record is gone";
}

// A name without case means the entry the directory holds now, whoever
// changed the directory since the last look.
TEST_F(WinKeptFiles, ANameWithoutCaseFindsTheDirectoryAsItIsNow) {
    const std::string dir = driveC() + "/P/D";
    const auto mapped = [](const char* path) {
        const std::string host = win::machine::hostPath(path);
        return host.substr(host.rfind('/') + 1);
    };
    testsupport::writeHostFile(dir + "/Alpha.txt", "a");
    EXPECT_EQ(mapped("C:\\P\\D\\ALPHA.TXT"), "Alpha.txt");
    EXPECT_FALSE(win::fileExists("C:\\P\\D\\BETA.TXT"));

    testsupport::writeHostFile(dir + "/beta.txt", "b");
    EXPECT_TRUE(win::fileExists("C:\\P\\D\\BETA.TXT")) << "made from outside";
    fs::rename(dir + "/Alpha.txt", dir + "/ALPHA.txt");
    EXPECT_EQ(mapped("C:\\P\\D\\alpha.txt"), "ALPHA.txt") << "renamed from outside";
    fs::remove(dir + "/beta.txt");
    EXPECT_FALSE(win::fileExists("C:\\P\\D\\BETA.TXT")) << "deleted from outside";

    fs::rename(driveC() + "/P", driveC() + "/Old");
    testsupport::writeHostFile(dir + "/gamma.TXT", "g");
    EXPECT_EQ(mapped("C:\\P\\D\\GAMMA.txt"), "gamma.TXT") << "another directory of the path, its parent moved";
    EXPECT_FALSE(win::fileExists("C:\\P\\D\\ALPHA.TXT"));
}

}  // namespace
