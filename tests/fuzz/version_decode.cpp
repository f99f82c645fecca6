// Version-resource answers as a malformed file may hand them over: translation tables of
// any length, keys of any text, fixed-information words of any value.
#include "FuzzCheck.h"
#include "fileinfo/pure/VersionDecode.h"

#include <cstring>
#include <string>

namespace {

uint32_t Word(const uint8_t* data, size_t size, size_t index) {
    uint32_t v = 0;
    if (size >= (index + 1) * 4) std::memcpy(&v, data + index * 4, 4);
    return v;
}

bool UpperHex(const std::string& s) {
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string key = vt::TranslationKey(data, size);
    if (size < 4) {
        FUZZ_CHECK(key.empty());
    } else {
        FUZZ_CHECK(key.size() == 8 && UpperHex(key));
        // The key reads back as the two little-endian words it was made from.
        FUZZ_CHECK(vt::KeyLanguage(key) == static_cast<int16_t>(data[0] | (data[1] << 8)));
        FUZZ_CHECK(vt::KeyCodePage(key) == static_cast<int16_t>(data[2] | (data[3] << 8)));
    }
    const std::string_view text = vt::fuzz::AsText(data, size);
    // Any text as a key: eight hex digits or nothing.
    const int32_t language = vt::KeyLanguage(text);
    FUZZ_CHECK(language >= -32768 && language <= 32767);
    FUZZ_CHECK(text.size() == 8 || language == 0);
    (void)vt::KeyCodePage(text);

    const std::string value = vt::StripAtNull(text);
    FUZZ_CHECK(value.find('\0') == std::string::npos && text.substr(0, value.size()) == value);
    const size_t width = size ? data[0] % 16 : 0;
    FUZZ_CHECK(vt::PadHex(text, width).size() == width);

    const uint32_t flags = Word(data, size, 0), os = Word(data, size, 1), type = Word(data, size, 2),
                   subtype = Word(data, size, 3);
    FUZZ_CHECK(vt::FileFlagsText(flags).size() <= 42);
    FUZZ_CHECK(!vt::FileOSText(os).empty());
    (void)vt::FileTypeText(type);
    FUZZ_CHECK(!vt::FileSubTypeText(type, subtype).empty());
    const int32_t kind = vt::ExeKind(flags);
    FUZZ_CHECK(kind >= 0 && kind <= 3);
    return 0;
}
