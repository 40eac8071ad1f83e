# cmake -DINPUT=file -DOUTPUT=file.cpp -DFUNCTION=name -P Embed.cmake
# Writes a unit whose function resources::FUNCTION() returns the file's bytes.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}" "// Generated from ${INPUT}.\n#include \"Resources.h\"\n\nnamespace {\nconst unsigned char kBytes[] = {\n    ${bytes}\n};\n}  // namespace\n\nconst std::string& resources::${FUNCTION}() {\n    static const std::string bytes(reinterpret_cast<const char*>(kBytes), sizeof kBytes);\n    return bytes;\n}\n")
