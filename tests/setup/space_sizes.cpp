// Member sizes and the space calculation: GroupUnpackedSize with headers
// read once, the clamped 32-bit totals, and CalcRequiredSpace over the
// checked setup types with its notice page.
#include "pages_fixture.h"

#include "LzwPacker.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace pagestest {
namespace {

constexpr uint32_t kMax = 0xFFFFFFFFu;

// Member files of the setup directory C:\CD\ hold only their headers: the
// sizes are read from there and nothing else.
class Sizes : public PagesTest {
protected:
    void SetUp() override {
        PagesTest::SetUp();
        frmInstall->m_sSetupDir = "C:\\CD\\";
    }

    // A group's member list, its member files written with the given sizes.
    std::unique_ptr<TStringList> members(const std::vector<uint32_t>& sizes) {
        auto list = std::make_unique<TStringList>(true);
        for (uint32_t size : sizes) {
            char name[16];
            std::snprintf(name, sizeof name, "LZ%06d", ++m_nMembers);
            testsupport::writeHostFile(driveC() + "/CD/" + name + ".PAK",
                                       LzwHeaderText(LzwMakeHeader("DATEI.DAT", size, 0, 0x20)));
            list->AddObject(std::string(name) + ".PAK000000", new TMemberHeaderObject(LzwMemberHeader{}));
        }
        return list;
    }

private:
    int m_nMembers = 0;
};

struct SizeCase {
    const char* what;
    std::vector<uint32_t> sizes;
    uint32_t largestBefore;
    uint32_t total;
    uint32_t largestAfter;
};

TEST_F(Sizes, GroupUnpackedSizeAddsWhatEachMemberUnpacksTo) {
    const SizeCase cases[] = {
        {"three members", {1000, 0, 200}, 0, 197808, 197808},
        {"a larger group seen before", {1000, 0, 200}, 500000, 197808, 500000},
        {"an empty group", {}, 7, 0, 7},
        {"above 2 GiB still raises the largest", {3000000000u}, 100, 3000065536u, 3000065536u},
        {"clamped above 4 GiB", {4294000000u, 4294000000u}, 0, kMax, kMax},
        {"clamped at one member", {kMax}, 0, kMax, kMax},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.what);
        frmInstall->m_nBytesLargestGroup = c.largestBefore;
        auto list = members(c.sizes);
        EXPECT_EQ(GroupUnpackedSize(*frmInstall, *list), c.total);
        EXPECT_EQ(frmInstall->m_nBytesLargestGroup, c.largestAfter);
    }
}

TEST_F(Sizes, HeadersAreReadOnceAndKeptOnTheEntries) {
    auto list = members({1000, 200});
    ASSERT_EQ(GroupUnpackedSize(*frmInstall, *list), 132272u);
    std::filesystem::remove_all(driveC() + "/CD");

    EXPECT_EQ(GroupUnpackedSize(*frmInstall, *list), 132272u) << "the files are gone; the headers stayed";
    const LzwMemberHeader& kept = static_cast<TMemberHeaderObject*>(list->Objects(1))->Value;
    EXPECT_EQ(std::string(kept.m_sSign.data()), "OWN_LZW");
    EXPECT_EQ(kept.m_nSize, 200u);
}

struct GroupSpec {
    const char* token;
    const char* mask;
    std::vector<uint32_t> sizes;
};

struct CalcCase {
    const char* what;
    std::vector<GroupSpec> groups;
    std::vector<int> checked;  // of the types Standard (0) and Komplett (1)
    uint32_t program, windows, network, largest;
};

class Calculation : public Sizes {
protected:
    void setUpCase(const CalcCase& c) {
        frmInstall->m_pclFileGroups = std::make_unique<TStringList>(true);
        frmInstall->m_pclGroupFixPaths = std::make_unique<TStringList>();
        frmInstall->m_pclGroupTypeSelect = std::make_unique<TStringList>();
        for (const GroupSpec& g : c.groups) {
            frmInstall->m_pclFileGroups->AddObject("Gruppe", members(g.sizes).release());
            frmInstall->m_pclGroupFixPaths->Add(g.token);
            frmInstall->m_pclGroupTypeSelect->Add(g.mask);
        }
        setTypes({"Standard", "Komplett"}, {"", ""}, "11");
        TCheckListBox& list = *frmTypSelect->clbTypSelect;
        list.Items->Clear();
        frmTypSelect->m_pclShownTypes->Clear();
        for (int t = 0; t < 2; ++t) {
            list.Items->Add(frmInstall->m_pclTypeNames->Strings(t));
            frmTypSelect->m_pclShownTypes->AddObject(frmInstall->m_pclTypeNames->Strings(t), new TIntObject(t));
        }
        for (int item : c.checked) list.SetChecked(item, true);
        // Totals of an earlier pass through the type page.
        frmInstall->m_nBytesProgram = frmInstall->m_nBytesWindows = frmInstall->m_nBytesNetwork =
            frmInstall->m_nBytesLargestGroup = 12345;
    }
};

TEST_F(Calculation, EachTotalTakesTheFirstGroupOfItsKind) {
    const CalcCase cases[] = {
        {"one program group", {{"<PROGRAM_DIR>", "1", {1000}}}, {0}, 66536, 0, 0, 66536},
        {"two checked types: the first one's group",
         {{"<PROGRAM_DIR>", "10", {1000}}, {"<PROGRAM_DIR>", "01", {5000}}}, {0, 1}, 66536, 0, 0, 66536},
        {"the second type alone", {{"<PROGRAM_DIR>", "10", {1000}}, {"<PROGRAM_DIR>", "01", {5000}}}, {1}, 70536, 0,
         0, 70536},
        {"Windows, then System", {{"<WINDOWS_DIR>", "1", {1000}}, {"<SYSTEM_DIR>", "1", {5000}}}, {0}, 0, 66536, 0,
         66536},
        {"System, then Windows", {{"<SYSTEM_DIR>", "1", {5000}}, {"<WINDOWS_DRIVE>", "1", {1000}}}, {0}, 0, 70536, 0,
         70536},
        {"an empty group leaves room", {{"<PROGRAM_DIR>", "1", {}}, {"<PROGRAM_DRIVE>", "1", {1000}}}, {0}, 66536, 0,
         0, 66536},
        {"every kind; setup groups count nowhere",
         {{"<SETUP_DIR>", "1", {9000}}, {"<PROGRAM_DIR>", "1", {1000}}, {"<NETWORK_DIR>", "1", {5000}},
          {"<windows_dir>", "1", {300}}},
         {0}, 66536, 65836, 70536, 70536},
        {"a mask too short for the type", {{"<PROGRAM_DIR>", "1", {1000}}}, {1}, 0, 0, 0, 0},
    };
    for (const CalcCase& c : cases) {
        SCOPED_TRACE(c.what);
        setUpCase(c);
        useScript("");

        frmInstall->CalcRequiredSpace();

        EXPECT_EQ(frmInstall->m_nBytesProgram, c.program);
        EXPECT_EQ(frmInstall->m_nBytesWindows, c.windows);
        EXPECT_EQ(frmInstall->m_nBytesNetwork, c.network);
        EXPECT_EQ(frmInstall->m_nBytesLargestGroup, c.largest);
        const int last = c.checked.back();
        EXPECT_EQ(frmInstall->m_nSelectedType, last);
        EXPECT_EQ(frmTypSelect->m_nCurrentType, last);
        EXPECT_EQ(frmInstall->m_sSelectedTypeName, last == 0 ? "Standard" : "Komplett");
    }
}

std::vector<std::pair<int, std::string>> NumberedLines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::pair<int, std::string>> lines;
    for (std::string line; std::getline(in, line);) lines.emplace_back(std::stoi(line), line.substr(line.find(' ') + 1));
    return lines;
}

int NumberOf(const std::vector<std::pair<int, std::string>>& lines, const std::string& text) {
    for (const auto& [number, line] : lines)
        if (line.starts_with(text)) return number;
    return 0;
}

TEST_F(Calculation, NoticePageStaysForASecond) {
    setUpCase({"", {{"<PROGRAM_DIR>", "1", {1000}}}, {0}, 0, 0, 0, 0});
    useScript("");
    const uint32_t before = win::tickCount();

    frmInstall->CalcRequiredSpace();

    EXPECT_GE(win::tickCount() - before, 1000u);
    const auto shown = NumberedLines(transcriptFile());
    const auto journal = NumberedLines(testsupport::readHostFile(machineDir + "/journal.log"));
    const int show = NumberOf(shown, "show frmCalcSpace \"Demo Setup 2.0\" modeless");
    const int wait = NumberOf(journal, "sleep 1000");
    const int hide = NumberOf(shown, "hide frmCalcSpace");
    EXPECT_GT(show, 0);
    EXPECT_GT(wait, show);
    EXPECT_GT(hide, wait);
    EXPECT_FALSE(frmCalcSpace->Visible());
}

}  // namespace
}  // namespace pagestest
