// The Windows search: wildcard rules, the fixed order, "." and "..".
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct MaskCase {
    const char* pattern;
    const char* name;
    bool matches;
};

TEST(WinMatchesMask, WindowsWildcardRules) {
    const MaskCase cases[] = {
        {"*.*", "README", true},        {"*.*", "A.TXT", true},           {"*.*", "A.B.C", true},
        {"*.*", ".", true},             {"*.*", "..", true},              {"*", "README", true},
        {"*.", "README", true},         {"*.", "A.TXT", false},           {"*.TXT", "a.txt", true},
        {"*.TXT", "A.TXT.BAK", false},  {"*.TXT", "A.TXTX", false},       {"*.TXT", "A.B.TXT", true},
        {"DISK*.SPL", "DISK01.SPL", true}, {"DISK*.SPL", "disk1.spl", true}, {"DISK*.SPL", "DISK.SPL", true},
        {"DISK*.SPL", "DISK01.SPL.OLD", false}, {"DISK*.SPL", "XDISK01.SPL", false},
        {"LZ*.PAK", "LZ000001.PAK", true}, {"LZ*.PAK", "LZ.PAK", true},     {"LZ*.PAK", "L.PAK", false},
        {"?", "A", true},               {"?", "AB", false},               {"A?", "A", true},
        {"A?C", "ABC", true},           {"A?C", "AC", false},             {"????????.PAK", "LZ1.PAK", true},
        {"?.TXT", "AB.TXT", false},     {"A*B", "AXXB", true},            {"A*B", "AXXBC", false},
        {"*A*", "XAX", true},           {"\xE4*", "\xC4RGER", true},      {"SETUP.EXE", "setup.exe", true},
        {"SETUP.EXE", "SETUP.EX", false},
    };
    for (const MaskCase& c : cases)
        EXPECT_EQ(win::matchesMask(c.name, c.pattern), c.matches) << c.pattern << " ~ " << c.name;
}

class WinSearch : public testsupport::MachineTest {};

std::vector<std::string> names(const std::vector<win::FindData>& found) {
    std::vector<std::string> out;
    for (const win::FindData& f : found) out.push_back(f.name);
    return out;
}

TEST_F(WinSearch, SortedByUpperCasedBytesWithDotsFirst) {
    for (const char* name : {"b.txt", "A.TXT", "_x.txt", "Zeta", "a1.txt", "\xC4pfel.txt"})
        testsupport::writeHostFile(win::machine::hostPath("C:\\DIR\\" + std::string(name)), "x");
    fs::create_directories(driveC() + "/DIR/Sub");
    using V = std::vector<std::string>;
    EXPECT_EQ(names(win::findFiles("C:\\DIR\\*.*")),
              (V{".", "..", "A.TXT", "a1.txt", "b.txt", "Sub", "Zeta", "_x.txt", "\xC4pfel.txt"}));
    EXPECT_EQ(names(win::findFiles("C:\\dir\\*.TXT")), (V{"A.TXT", "a1.txt", "b.txt", "_x.txt", "\xC4pfel.txt"}));
    EXPECT_EQ(names(win::findFiles("C:\\DIR\\*.")), (V{".", "..", "Sub", "Zeta"}));
    EXPECT_EQ(names(win::findFiles("C:\\DIR\\?.TXT")), (V{"A.TXT", "b.txt"}));
}

TEST_F(WinSearch, DataAndTheRootHasNoDots) {
    testsupport::writeHostFile(driveC() + "/DIR/F.BIN", std::string(1234, 'x'));
    ASSERT_TRUE(win::setFileAttributes("C:\\DIR\\F.BIN", win::ATTR_HIDDEN));
    ASSERT_TRUE(win::setLastWriteTime("C:\\DIR\\F.BIN", 133000000000000000ull));
    const std::vector<win::FindData> found = win::findFiles("C:\\DIR\\F.BIN");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].size, 1234u);
    EXPECT_EQ(found[0].attributes, uint32_t{win::ATTR_HIDDEN});
    EXPECT_EQ(found[0].lastWrite, 133000000000000000ull);

    const std::vector<win::FindData> root = win::findFiles("C:\\*.*");
    for (const win::FindData& f : root) EXPECT_TRUE(f.name != "." && f.name != "..") << "no dots in a root";
    const std::vector<win::FindData> dots = win::findFiles("C:\\DIR\\*");
    ASSERT_GE(dots.size(), 2u);
    EXPECT_EQ(dots[0].attributes & win::ATTR_DIRECTORY, uint32_t{win::ATTR_DIRECTORY});
}

TEST_F(WinSearch, RelativeMasksAndNothingFound) {
    testsupport::writeHostFile(driveC() + "/WORK/LZ000001.PAK", "x");
    testsupport::writeHostFile(driveC() + "/LZ000009.PAK", "root");
    ASSERT_TRUE(win::setCurrentDirectory("C:\\WORK"));
    using V = std::vector<std::string>;
    EXPECT_EQ(names(win::findFiles("LZ*.PAK")), V{"LZ000001.PAK"});
    EXPECT_EQ(names(win::findFiles("C:LZ*.PAK")), V{"LZ000001.PAK"});
    EXPECT_EQ(names(win::findFiles("\\LZ*.PAK")), V{"LZ000009.PAK"});
    EXPECT_EQ(names(win::findFiles("..\\..\\LZ*.PAK")), V{"LZ000009.PAK"}) << "stops at the root";

    EXPECT_TRUE(win::findFiles("C:\\WORK\\*.XYZ").empty());
    EXPECT_EQ(win::lastError(), win::ERR_FILE_NOT_FOUND);
    EXPECT_TRUE(win::findFiles("C:\\NOWHERE\\*.*").empty());
    EXPECT_EQ(win::lastError(), win::ERR_PATH_NOT_FOUND);
}

}  // namespace
