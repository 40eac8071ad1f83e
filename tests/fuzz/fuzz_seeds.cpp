// Writes the fuzz targets' seed corpora (tests/fuzz/corpus/TARGET), made with
// the fixture packer and the volume writer, so that the fuzzers start from
// valid input and reach the successful paths:
//   build/tests/fuzz_seeds tests/fuzz/corpus demo/SETUP.ALL
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "LzwPacker.h"
#include "SplitWriter.h"

namespace {

namespace fs = std::filesystem;

void writeSeed(const fs::path& corpus, const std::string& target, const std::string& name, const std::string& bytes) {
    fs::create_directories(corpus / target);
    std::ofstream(corpus / target / name, std::ios::binary) << bytes;
}

std::string little(uint32_t value, int bytes) {
    std::string text;
    for (int i = 0; i < bytes; ++i) text += char(value >> (8 * i) & 0xff);
    return text;
}

// Short texts, a run (codes not yet in the dictionary) and enough varied
// bytes to fill the dictionary.
std::vector<std::string> samples() {
    std::string varied;
    uint32_t x = 12345;
    for (int i = 0; i < 6000; ++i) {
        x = x * 1103515245 + 12345;
        varied += char('a' + (x >> 16) % 23);
    }
    return {"", "A", "Hallo Welt!\r\nHallo Welt!\r\n", std::string(3000, 'x'), varied};
}

// The profile target's input: section, key and value as FuzzedDataProvider
// strings (each ended by a backslash and another character), then the text.
std::string profileSeed(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& text) {
    return section + "\\;" + key + "\\;" + value + "\\;" + text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: fuzz_seeds CORPUS_DIR SETUP.ALL\n";
        return 2;
    }
    const fs::path corpus = argv[1];
    std::ifstream setupAll(argv[2], std::ios::binary);
    const std::string description{std::istreambuf_iterator<char>(setupAll), {}};

    const std::vector<std::string> data = samples();
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::string n = std::to_string(i);
        writeSeed(corpus, "fuzz_lzw", "member" + n, little(uint32_t(data[i].size()), 4) + LzwPackStream(data[i]));
        for (int whenFull = 0; whenFull < 3; ++whenFull)
            writeSeed(corpus, "fuzz_lzw_roundtrip", "data" + n + "_" + std::to_string(whenFull),
                      char(whenFull + 3 * 2) + data[i]);
    }
    writeSeed(corpus, "fuzz_lzw", "cleared",
              little(6000, 4) + LzwPackStream(data[4], {LzwFullDictionary::Clear, 2}));

    // Volumes: the count, no faults, the sizes of all but the last, no write
    // limit, the stream.
    const std::string stream =
        SplitStream({{"README.TXT", data[2], LzwDosDateTime(2024, 3, 5, 14, 3, 6), 0x20, std::nullopt},
                     {"EMPTY.DAT", "", 0, 0x20, std::nullopt},
                     {"RUN.BIN", data[3], 0, 0x21, std::nullopt}});
    writeSeed(corpus, "fuzz_split", "one_volume", std::string{1, 0} + little(0, 2) + stream);
    writeSeed(corpus, "fuzz_split", "three_volumes",
              std::string{3, 0} + little(300, 2) + little(2000, 2) + little(0, 2) + stream);
    writeSeed(corpus, "fuzz_split", "header_at_volume_end",
              std::string{2, 0} + little(288 + uint32_t(data[2].size()), 2) + little(0, 2) + stream);

    writeSeed(corpus, "fuzz_profile", "setup_all", profileSeed("FileGroups", "Count", "3", description));
    writeSeed(corpus, "fuzz_profile", "quoted",
              profileSeed("Text", "HeadTitleText", "\"Neu\"",
                          "[text]\r\nheadtitletext = 'Alt' \r\nHeadTitleText=zweiter\r\n; Kommentar\r\n[Leer]\r\n"));

    writeSeed(corpus, "fuzz_rtf", "plain", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20{\\b Standard}"
                                           "\\par Das Programm mit Liesmich-Datei.}");
    writeSeed(corpus, "fuzz_rtf", "escapes",
              "{\\rtf1\\ansi{\\colortbl;\\red0\\green0\\blue128;}{\\b\\cf1 Vollst\xe4ndig}\\par {\\i und}"
              "\\line Gr\\'f6\\'dfere Installation f\\u252?r alle Module.\\tab Ende\\}\\{\\\\}");
    return 0;
}
