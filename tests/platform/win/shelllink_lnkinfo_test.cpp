// Shortcut files as a real peer reads them: Debian's lnkinfo (liblnk-utils)
// on links the layer saved.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace {

// lnkinfo prints UTF-8, whatever the locale.
std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

bool LnkinfoInstalled() { return std::system("command -v lnkinfo >/dev/null 2>&1") == 0; }

struct PeerReport {
    int version = 0;                            // from "lnkinfo 20181227"
    std::map<std::string, std::string> fields;  // "Local path" -> "C:\..."

    std::string field(const std::string& name) const {
        const auto it = fields.find(name);
        return it == fields.end() ? "(not printed)" : it->second;
    }
};

std::optional<PeerReport> RunLnkinfo(const std::string& hostPath) {
    FILE* pipe = popen(("lnkinfo '" + hostPath + "' 2>&1").c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string output;
    char buffer[512];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    if (pclose(pipe) != 0) {
        ADD_FAILURE() << "lnkinfo failed:\n" << output;
        return std::nullopt;
    }
    PeerReport report;
    std::sscanf(output.c_str(), "lnkinfo %d", &report.version);
    std::size_t at = 0;
    for (std::size_t end; (end = output.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = output.substr(at, end - at);
        const std::size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        const std::size_t nameStart = line.find_first_not_of('\t');
        const std::size_t nameEnd = line.find_last_not_of("\t ", colon - 1) + 1;
        if (nameStart < nameEnd) report.fields[line.substr(nameStart, nameEnd - nameStart)] = line.substr(colon + 2);
    }
    return report;
}

// The header's ShowCommand: the dword at offset 0x3C of the documented format.
uint32_t ShowCommandOf(const std::string& bytes) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes.at(0x3C + i));
    return value;
}

// liblnk up to its release of 2018-12-27 prints the header's file-size
// field as "Show Window value" (mended upstream in December 2019).
constexpr int kFirstPeerReadingShowWindow = 20191206;

class ShellLinkPeer : public testsupport::MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        if (!LnkinfoInstalled()) GTEST_SKIP() << "lnkinfo (liblnk-utils) is not installed";
        std::filesystem::create_directories(win::machine::hostPath("C:\\Startmenü"));
    }
    // Saves the link, then lets lnkinfo read it.
    PeerReport saveAndRead(const win::ShellLink& link) {
        const std::string path = "C:\\Startmenü\\Büro.lnk";
        EXPECT_TRUE(win::saveShellLink(path, link));
        hostPath = win::machine::hostPath(path);
        std::optional<PeerReport> report = RunLnkinfo(hostPath);
        return report.value_or(PeerReport{});
    }
    std::string hostPath;
};

TEST_F(ShellLinkPeer, ReadsPathDescriptionWorkingDirectoryAndShowWindow) {
    const PeerReport peer =
        saveAndRead({"C:\\Programme\\Büro\\VIEW.EXE", "Betrachter für Ämter", "C:\\Programme\\Büro\\"});

    EXPECT_EQ(peer.field("Local path"), Utf8(u8"C:\\Programme\\Büro\\VIEW.EXE"));
    EXPECT_EQ(peer.field("Description"), Utf8(u8"Betrachter für Ämter"));
    EXPECT_EQ(peer.field("Working directory"), Utf8(u8"C:\\Programme\\Büro\\"));
    EXPECT_EQ(ShowCommandOf(testsupport::readHostFile(hostPath)), 1u) << "SW_SHOWNORMAL";
    if (peer.version >= kFirstPeerReadingShowWindow) {
        EXPECT_EQ(peer.field("Show Window value"), "0x00000001");
    }
}

TEST_F(ShellLinkPeer, EmptyStringsAreLeftOut) {
    const PeerReport peer = saveAndRead({"C:\\VIEW.EXE", "", ""});
    EXPECT_EQ(peer.field("Local path"), "C:\\VIEW.EXE");
    EXPECT_EQ(peer.fields.count("Description"), 0u);
    EXPECT_EQ(peer.fields.count("Working directory"), 0u);
}

}  // namespace
