// The console edges: usage, refused arguments, keys read from a terminal
// without echo, and the terminal's mode after every way out.
#include <csignal>

#include "UnpackHarness.h"

namespace unpacktest {
namespace {

class UnpackConsoleTest : public UnpackTest {
protected:
    // The emulated machine journals the beep; Windows keeps no record of one.
    void expectBeep() const {
        if (windowsProgram()) return;
        EXPECT_NE(testsupport::readHostFile(machineDir + "/journal.log").find(" beep\n"), std::string::npos);
    }
};

// Under Wine the tool runs without a console: only its non-console path
// (the run without a terminal) is exercised there.
class UnpackOnTerminalTest : public UnpackConsoleTest {
protected:
    void SetUp() override {
        UnpackConsoleTest::SetUp();
        if (windowsProgram()) GTEST_SKIP() << "the Windows program runs without a console";
    }
};

TEST_F(UnpackConsoleTest, WithoutArgumentsPrintsUsageAndBeeps) {
    const RunResult r = run({});
    EXPECT_EQ(r.out,
              "\nUNPACK 2.3\n"
              "Aufruf: UNPACK [-L(IST)] [-U(NPACK)] [-D(ESTINATIONDIR)] [-O(VERRIDE)]\n"
              "        (Dateiname oder Maske)\n");
    EXPECT_EQ(r.exitCode, 1);
    expectBeep();
}

struct LengthCase {
    const char* label;
    std::vector<std::string> args;
    std::string out;  // "" for the refusal
};
std::ostream& operator<<(std::ostream& os, const LengthCase& c) { return os << c.label; }

class UnpackArgumentLengthTest : public UnpackConsoleTest, public ::testing::WithParamInterface<LengthCase> {};

// A mask or destination of 260 characters or more does not fit its field and
// is refused whole, never cut.
TEST_P(UnpackArgumentLengthTest, FieldsHoldLessThan260Characters) {
    const RunResult r = run(GetParam().args);
    if (GetParam().out.empty()) {
        EXPECT_EQ(r.out, "\nArgument zu lang, Abbruch\n");
        EXPECT_EQ(r.exitCode, 1);
        expectBeep();
    } else {
        EXPECT_EQ(r.out, GetParam().out);
        EXPECT_EQ(r.exitCode, 0);
    }
}

const std::string k259(259, 'A');
const std::string k260(260, 'A');

INSTANTIATE_TEST_SUITE_P(
    Boundaries, UnpackArgumentLengthTest,
    ::testing::Values(LengthCase{"mask 260", {k260}, ""}, LengthCase{"destination 260", {"-U", "-D" + k260}, ""},
                      LengthCase{"mask 260 then a short one", {"-L", k260, "LZ*.PAK"}, ""},
                      LengthCase{"mask 259", {k259}, kListHeading + "\n0 Dateien, 0 Bytes\n"},
                      LengthCase{"destination 259", {"-U", "-D" + k259},
                                 "\n\nEntpacke Archivdateien: LZ*.PAK\nIn Ausgabeverzeichnis : " + k259 +
                                     "\\\n\n0 Dateien, entpackt\n"}));

struct KeysCase {
    std::vector<std::string> keys;  // typed at the first and at the second question
};
std::ostream& operator<<(std::ostream& os, const KeysCase& c) { return os << joined(c.keys, " then "); }

class UnpackTerminalTest : public UnpackOnTerminalTest, public ::testing::WithParamInterface<KeysCase> {};

// Keys other than J, j, N and n are ignored; "no" prints nothing more for the
// member and leaves it out of the count; "yes" overwrites.
TEST_P(UnpackTerminalTest, OverwriteQuestionReadsSingleKeys) {
    putMember("LZ1.PAK", "a.txt", "neu a");
    putMember("LZ2.PAK", "b.txt", "neu b");
    putMember("LZ3.PAK", "c.txt", "neu c");
    putFile("a.txt", "alt a");
    putFile("b.txt", "alt b");

    const TerminalRun t = runOnTerminal({"-U"}, GetParam().keys);

    EXPECT_EQ(t.result.out, withWork("\n\nEntpacke Archivdateien: LZ*.PAK\n"
                                     "In Ausgabeverzeichnis : %HERE%\n"
                                     "Existierende Datei %HERE%a.txt ueberschreiben J/N ? N\n"
                                     "Existierende Datei %HERE%b.txt ueberschreiben J/N ? J\n"
                                     "LZ2.PAK      => b.txt\n"
                                     "LZ3.PAK      => c.txt\n"
                                     "\n2 Dateien, entpackt\n"));
    EXPECT_EQ(t.result.exitCode, 0);
    EXPECT_TRUE(t.echoAndLineModeRestored);
    EXPECT_EQ(readFile("a.txt"), "alt a");
    EXPECT_EQ(readFile("b.txt"), "neu b");
    EXPECT_EQ(readFile("c.txt"), "neu c");
}

INSTANTIATE_TEST_SUITE_P(Keys, UnpackTerminalTest,
                         ::testing::Values(KeysCase{{"xn", "yJ"}}, KeysCase{{"N", "1 j"}}));

class UnpackSignalTest : public UnpackOnTerminalTest, public ::testing::WithParamInterface<int> {};

TEST_P(UnpackSignalTest, SignalWhileWaitingForKeyRestoresTerminal) {
    putMember("LZ1.PAK", "a.txt", "neu a");
    putFile("a.txt", "alt a");

    const TerminalRun t = runOnTerminal({"-U"}, [](const Terminal& terminal, std::size_t) {
        kill(terminal.pid, GetParam());
    });

    EXPECT_EQ(t.result.out, withWork("\n\nEntpacke Archivdateien: LZ*.PAK\n"
                                     "In Ausgabeverzeichnis : %HERE%\n"
                                     "Existierende Datei %HERE%a.txt ueberschreiben J/N ?"));
    EXPECT_EQ(t.result.signal, GetParam());
    EXPECT_TRUE(t.echoAndLineModeRestored);
    EXPECT_EQ(readFile("a.txt"), "alt a");
}

INSTANTIATE_TEST_SUITE_P(Signals, UnpackSignalTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP));

// Stopped (Ctrl+Z) while it waits, the tool leaves the shell a terminal with
// echo; continued, it takes raw mode up again and reads its key.
TEST_F(UnpackOnTerminalTest, StopAndContinueWhileWaitingForKey) {
    putMember("LZ1.PAK", "a.txt", "neu a");
    putFile("a.txt", "alt a");
    bool stopped = false, echoWhileStopped = false, rawAgain = false;

    const TerminalRun t = runOnTerminal({"-U"}, [&](const Terminal& terminal, std::size_t) {
        kill(terminal.pid, SIGTSTP);
        stopped = terminal.waitForStop();
        echoWhileStopped = terminal.echoOn();
        kill(terminal.pid, SIGCONT);
        rawAgain = terminal.waitForRawMode();
        terminal.type("J");
    });

    EXPECT_TRUE(stopped);
    EXPECT_TRUE(echoWhileStopped);
    EXPECT_TRUE(rawAgain);
    EXPECT_EQ(t.result.out, withWork("\n\nEntpacke Archivdateien: LZ*.PAK\n"
                                     "In Ausgabeverzeichnis : %HERE%\n"
                                     "Existierende Datei %HERE%a.txt ueberschreiben J/N ? J\n"
                                     "LZ1.PAK      => a.txt\n"
                                     "\n1 Dateien, entpackt\n"));
    EXPECT_TRUE(t.echoAndLineModeRestored);
    EXPECT_EQ(readFile("a.txt"), "neu a");
}

}  // namespace
}  // namespace unpacktest
