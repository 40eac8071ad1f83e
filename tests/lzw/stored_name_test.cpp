// The check on stored names before a caller makes them into a path.
#include <gtest/gtest.h>

#include "Ulzw.h"

namespace {

TEST(StoredName, PlainNamesAreAccepted) {
    const std::string accepted[] = {"README.TXT", "a", "setup.all", "Übersicht 2.doc", ".profile", "CONFIG.SYS",
                                    "CONSOLE.TXT", "COM10", "LPTX.TXT", "NUL_.TXT", " leading blank", "a..b",
                                    std::string(259, 'N')};
    for (const std::string& name : accepted) EXPECT_TRUE(LzwIsPlainFileName(name)) << name;
}

TEST(StoredName, NamesThatAreNoPlainFileNameAreRefused) {
    const std::string refused[] = {
        "",
        // Separators and wildcards: another directory or no single name.
        "..\\WIN.INI", "SUB\\FILE.TXT", "/etc/passwd", "C:FILE", "A*.TXT", "WHAT?", "\"Q\"", "<A>", "A|B",
        // Control bytes.
        std::string("A\tB"), std::string("A\x01"), std::string("A\x1F"),
        // Windows strips trailing dots and blanks: ".", ".." or another name.
        ".", "..", "NAME.", "NAME ", "NAME. .",
        // Devices, in any case and with any extension.
        "CON", "con", "PRN.TXT", "AUX", "Nul.txt", "NUL .TXT", "COM1", "com9.log", "LPT1", "LPT0.DAT", "CONIN$",
        "CONOUT$", "COM\xB9", "LPT\xB3.txt",
        // The whole name field without a zero byte: the name's end is lost.
        std::string(260, 'N')};
    for (const std::string& name : refused) EXPECT_FALSE(LzwIsPlainFileName(name)) << name;
}

}  // namespace
