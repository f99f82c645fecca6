#include "fileinfo/pure/VersionDecode.h"

#include <array>

namespace vt {

namespace {

std::string HexByte(uint8_t b) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string s;
    if (b >= 16) s += digits[b >> 4];
    s += digits[b & 15];
    return PadHex(s, 2);
}

// Four hex digits read as a signed 16-bit word and widened; false on a non-hex digit.
bool ParseHex16(std::string_view digits, int32_t& out) {
    uint32_t v = 0;
    for (char c : digits) {
        uint32_t d = 0;
        if (c >= '0' && c <= '9') d = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
        else return false;
        v = v * 16 + d;
    }
    out = static_cast<int32_t>(static_cast<int16_t>(static_cast<uint16_t>(v)));
    return true;
}

int32_t KeyPart(std::string_view key, size_t offset) {
    int32_t v = 0;
    if (key.size() != 8 || !ParseHex16(key.substr(offset, 4), v)) return 0;
    return v;
}

}  // namespace

std::string StripAtNull(std::string_view text) {
    size_t nul = text.find('\0');
    return std::string(nul == std::string_view::npos ? text : text.substr(0, nul));
}

std::string PadHex(std::string_view text, size_t width) {
    std::string padded(width, '0');
    padded += text;
    return padded.substr(padded.size() - width);
}

std::string TranslationKey(const uint8_t* bytes, size_t size) {
    if (!bytes || size < 4) return {};
    return HexByte(bytes[1]) + HexByte(bytes[0]) + HexByte(bytes[3]) + HexByte(bytes[2]);
}

int32_t KeyLanguage(std::string_view key) { return KeyPart(key, 0); }
int32_t KeyCodePage(std::string_view key) { return KeyPart(key, 4); }

std::string FileFlagsText(uint32_t flags) {
    // Listing order, not bit order: patched comes before pre-release.
    static constexpr std::array<std::pair<uint32_t, const char*>, 5> names{
        {{0x01, "Debug "}, {0x04, "Patched "}, {0x02, "Pre-release "}, {0x08, "Private "}, {0x20, "Special "}}};
    std::string text;
    for (const auto& [bit, name] : names)
        if (flags & bit) text += name;
    return text;
}

std::string FileOSText(uint32_t os) {
    std::string text;
    switch (os & 0xFFFF) {
    case 1: text = "Win16 API"; break;
    case 2: text = "PM16 API"; break;
    case 3: text = "PM32 API"; break;
    case 4: text = "Win32 API"; break;
    default: text = "Unknown API"; break;
    }
    switch (os >> 16) {
    case 1: text += " on DOS"; break;
    case 2: text += " on OS2/16"; break;
    case 3: text += " on OS2/32"; break;
    case 4: text += " on Windows NT"; break;
    default: break;
    }
    return text;
}

std::string FileTypeText(uint32_t type) {
    switch (type) {
    case 0: return "Unknown";
    case 1: return "Application";
    case 2: return "DLL";
    case 3: return "Driver";
    case 4: return "Font";
    case 5: return "VXD";
    case 7: return "Static-link library";
    default: return {};
    }
}

std::string FileSubTypeText(uint32_t type, uint32_t subtype) {
    static constexpr std::array<const char*, 12> drivers{"Unknown",     "Printer", "Keyboard",       "Language",
                                                         "Display",     "Mouse",   "Network",        "System",
                                                         "Installable", "Sound",   "Communications", "Input Method"};
    static constexpr std::array<const char*, 4> fonts{"Unknown", "Raster", "Vector", "TrueType"};
    switch (type) {
    case 3: return subtype < drivers.size() ? drivers[subtype] : "Unknown";
    case 4: return subtype < fonts.size() ? fonts[subtype] : "Unknown";
    case 5: return std::to_string(subtype);  // the virtual device's identifier
    default: return "Unknown";
    }
}

int32_t ExeKind(uint32_t packed) {
    if (packed == 0) return 0;
    const int32_t value = static_cast<int32_t>(packed);
    const int32_t hi = value >> 16;  // arithmetic: the sign is kept
    const int32_t lo = static_cast<int16_t>(static_cast<uint16_t>(packed & 0xFFFF));
    if (hi > 0) return 1;        // the high word is the Windows version the program expects
    if (lo == 0x4550) return 3;  // "PE"
    // "MZ"; some shells hand the two signature bytes over swapped, which DOS accepted too.
    if (lo == 0x5A4D || lo == 0x4D5A) return 2;
    return 0;
}

}  // namespace vt
