#include "registry/pure/RegFile.h"

#include <cstdio>

#include "core/Utf8.h"
#include "core/Wildcard.h"
#include "registry/pure/RegistryData.h"

namespace vt::reg {

namespace {

constexpr int32_t kCurrentConfig = static_cast<int32_t>(0x80000005u);

void Append(std::u16string& out, std::string_view ascii) {
    for (char c : ascii) out += static_cast<char16_t>(static_cast<unsigned char>(c));
}

void AppendEscaped(std::u16string& out, std::u16string_view s) {
    for (char16_t c : s) {
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
    }
}

std::optional<std::string_view> RootName(int32_t root) {
    switch (root) {
    case kClassesRoot: return "HKEY_CLASSES_ROOT";
    case kCurrentUser: return "HKEY_CURRENT_USER";
    case kLocalMachine: return "HKEY_LOCAL_MACHINE";
    case kUsers: return "HKEY_USERS";
    case kCurrentConfig: return "HKEY_CURRENT_CONFIG";
    default: return std::nullopt;
    }
}

// Where a 32-bit program's HKEY_LOCAL_MACHINE\Software key is stored.
std::string StoredKeyPath(int32_t root, const std::string& key, bool view32) {
    if (!view32 || root != kLocalMachine) return key;
    const std::string lower = LowerAscii(key);
    if (lower != "software" && lower.rfind("software\\", 0) != 0) return key;
    if (lower == "software\\wow6432node" || lower.rfind("software\\wow6432node\\", 0) == 0) return key;
    std::string out = key.substr(0, 8) + "\\Wow6432Node";
    if (key.size() > 8) out += key.substr(8);
    return out;
}

std::u16string Units(std::string_view bytes) {
    std::u16string out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return out;
}

// Text data that a quoted string gives back exactly: whole UTF-16 units, one terminating
// NUL and no other, and no line break (a line of the file cannot hold one).
bool QuotableText(std::string_view data) {
    if (data.size() < 2 || data.size() % 2) return false;
    std::u16string u = Units(data);
    if (u.back() != 0) return false;
    u.pop_back();
    for (char16_t c : u)
        if (c == 0 || c == u'\r' || c == u'\n') return false;
    return true;
}

}  // namespace

std::u16string Utf16FromUtf8(std::string_view s) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        char32_t cp = 0;
        size_t len = 0;
        // Only the shortest form of a scalar value is text: an overlong form, a surrogate or
        // a value past U+10FFFF is one U+FFFD per byte, as a stray byte is.
        if (!DecodeUtf8(s, i, cp, len)) {
            cp = 0xFFFD;
            len = 1;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

std::u16string RegFileHeader() { return u"Windows Registry Editor Version 5.00\r\n\r\n"; }

std::u16string RegValueLine(std::string_view name, uint32_t type, std::string_view data) {
    std::u16string line;
    if (name.empty()) {
        line += u'@';
    } else {
        line += u'"';
        AppendEscaped(line, Utf16FromUtf8(name));
        line += u'"';
    }
    line += u'=';
    if (type == static_cast<uint32_t>(kSz) && QuotableText(data)) {
        std::u16string text = Units(data);
        text.pop_back();
        line += u'"';
        AppendEscaped(line, text);
        line += u'"';
        return line;
    }
    if (type == static_cast<uint32_t>(kDword) && data.size() == 4) {
        uint32_t v = 0;
        for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(data[k]);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(v));
        Append(line, buf);
        return line;
    }
    char tag[24];
    if (type == static_cast<uint32_t>(kBinary)) std::snprintf(tag, sizeof tag, "hex:");
    else std::snprintf(tag, sizeof tag, "hex(%x):", static_cast<unsigned>(type));
    Append(line, tag);
    // Long data continues on following lines, as the registry editor wraps it.
    size_t column = line.size();
    for (size_t i = 0; i < data.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(static_cast<unsigned char>(data[i])));
        Append(line, hex);
        if (i + 1 == data.size()) break;
        line += u',';
        column += 3;
        if (column >= 77) {
            line += u"\\\r\n  ";
            column = 2;
        }
    }
    return line;
}

bool FitsOnOneLine(std::string_view text) { return text.find_first_of("\r\n") == std::string_view::npos; }

std::optional<std::u16string> RegFileEntry(const StoredValue& value, std::string_view comment) {
    std::optional<std::string_view> root = RootName(value.root);
    if (!root || !FitsOnOneLine(value.key) || !FitsOnOneLine(value.name)) return std::nullopt;
    std::u16string out;
    if (!comment.empty()) {
        out += u"; ";
        for (char16_t c : Utf16FromUtf8(comment)) out += c == u'\r' || c == u'\n' ? u' ' : c;
        out += u"\r\n";
    }
    out += u"[";
    Append(out, *root);
    std::string key = StoredKeyPath(value.root, value.key, value.view32);
    if (!key.empty()) {
        out += u"\\";
        out += Utf16FromUtf8(key);
    }
    out += u"]\r\n";
    out += RegValueLine(value.name, value.type, value.data);
    out += u"\r\n\r\n";
    return out;
}

std::string BackupFileName(int year, int month, int day) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "removed-%04d-%02d-%02d.reg", year, month, day);
    return buf;
}

}  // namespace vt::reg
