#include "registry/pure/RegistryData.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace vt::reg {

uint32_t SwapEndian(uint32_t v) noexcept {
    return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}

std::string GetParentKey(std::string_view keyPath) {
    size_t slash = keyPath.rfind('\\');
    return slash == std::string_view::npos ? std::string() : std::string(keyPath.substr(0, slash));
}

std::string ChildKeyName(std::string_view keyPath) {
    std::string parent = GetParentKey(keyPath);
    return parent.empty() ? std::string(keyPath) : std::string(keyPath.substr(parent.size() + 1));
}

std::string FormatMachineName(std::string_view name) {
    if (name.empty() || name.find("\\\\") != std::string_view::npos) return std::string(name);
    return "\\\\" + std::string(name);
}

std::string TrimSpaces(std::string_view s) {
    size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(' ');
    return std::string(s.substr(b, e - b + 1));
}

std::string BuildMultiSz(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            c = '\0';
            ++i;
        }
        // No empty item: a NUL never follows another NUL, nor opens the data.
        if (c == '\0' && (out.empty() || out.back() == '\0')) continue;
        out.push_back(c);
    }
    if (out.empty() || out.back() != '\0') out.push_back('\0');
    out.push_back('\0');
    return out;
}

namespace {

double RoundHalfEven(double d) {
    double fl = std::floor(d);
    double diff = d - fl;
    if (diff < 0.5) return fl;
    if (diff > 0.5) return fl + 1;
    return std::fmod(fl, 2.0) == 0 ? fl : fl + 1;
}

void AppendLE(std::string& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint64_t ReadLE(std::string_view data, size_t bytes) {
    uint64_t v = 0;
    for (size_t i = 0; i < bytes && i < data.size(); ++i) v |= uint64_t(static_cast<uint8_t>(data[i])) << (8 * i);
    return v;
}

}  // namespace

std::optional<int32_t> ToInt32(double d) noexcept {
    if (std::isnan(d)) return std::nullopt;
    double r = RoundHalfEven(d);
    if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
    return static_cast<int32_t>(r);
}

std::optional<int64_t> ToInt64(double d) noexcept {
    if (std::isnan(d)) return std::nullopt;
    double r = RoundHalfEven(d);
    // 2^63 is exactly representable; everything below it converts.
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return std::nullopt;
    return static_cast<int64_t>(r);
}

EncodeStatus EncodeForWrite(const Variant& value, int32_t dataType, std::string& out) {
    out.clear();
    using K = Variant::Kind;
    // Under the binary and number types a byte array is the data itself, whatever its length.
    if (value.IsBytes() &&
        (dataType == kBinary || dataType == kDword || dataType == kDwordBigEndian || dataType == kQword)) {
        out.assign(value.Bytes().begin(), value.Bytes().end());
        return EncodeStatus::Ok;
    }
    switch (dataType) {
    case kSz:
    case kExpandSz:
        if (value.IsBytes()) return EncodeStatus::UnsuitableKind;
        out = value.ToText();
        out.push_back('\0');
        return EncodeStatus::Ok;
    case kMultiSz:
        if (value.IsBytes()) return EncodeStatus::UnsuitableKind;
        out = BuildMultiSz(value.ToText());
        return EncodeStatus::Ok;
    case kBinary: return value.IsEmpty() ? EncodeStatus::Ok : EncodeStatus::UnsuitableKind;
    case kDword:
    case kDwordBigEndian: {
        int32_t n = 0;
        if (value.kind() == K::Long) n = value.Long();
        else if (value.kind() == K::Double) {
            auto r = ToInt32(value.Double());
            if (!r) return EncodeStatus::Overflow;
            n = *r;
        } else if (!value.IsEmpty()) return EncodeStatus::UnsuitableKind;
        uint32_t u = static_cast<uint32_t>(n);
        AppendLE(out, dataType == kDword ? u : SwapEndian(u), 4);
        return EncodeStatus::Ok;
    }
    case kQword: {
        int64_t n = 0;
        if (value.kind() == K::Long) n = value.Long();
        else if (value.kind() == K::Double) {
            auto r = ToInt64(value.Double());
            if (!r) return EncodeStatus::Overflow;
            n = *r;
        } else if (!value.IsEmpty()) return EncodeStatus::UnsuitableKind;
        AppendLE(out, static_cast<uint64_t>(n), 8);
        return EncodeStatus::Ok;
    }
    default: return EncodeStatus::UnsupportedType;
    }
}

Variant DecodeRead(uint32_t type, std::string_view data) {
    auto text = [&] {
        std::string_view t = data;
        if (!t.empty() && t.back() == '\0') t.remove_suffix(1);
        return std::string(t);
    };
    switch (type) {
    case kSz:
    case kMultiSz:
        if (data.empty()) return Variant();
        return Variant(text());
    case kExpandSz: return Variant(text());
    case kDword: return Variant(static_cast<int32_t>(static_cast<uint32_t>(ReadLE(data, 4))));
    case kDwordBigEndian: return Variant(static_cast<int32_t>(SwapEndian(static_cast<uint32_t>(ReadLE(data, 4)))));
    case kQword: return Variant(static_cast<double>(static_cast<int64_t>(ReadLE(data, 8))));
    default: return Variant(Variant::ByteArray(data.begin(), data.end()));
    }
}

std::optional<double> ParseNumber(std::string_view text) {
    std::string t = TrimSpaces(text);
    if (t.size() > 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h')) {
        if (t.size() > 10) return std::nullopt;
        uint32_t v = 0;
        auto r = std::from_chars(t.data() + 2, t.data() + t.size(), v, 16);
        if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return std::nullopt;
        return static_cast<double>(static_cast<int32_t>(v));
    }
    std::string_view s = t;
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    if (s.empty() || s[0] == '+' || s[0] == ' ') return std::nullopt;
    double d = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), d, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(d)) return std::nullopt;
    return d;
}

RootNameStatus ExportRootName(const Variant& root, std::string& name, int32_t& number) {
    std::optional<double> n;
    switch (root.kind()) {
    case Variant::Kind::Empty: n = 0; break;
    case Variant::Kind::Long: n = root.Long(); break;
    case Variant::Kind::Double: n = root.Double(); break;
    case Variant::Kind::Text: n = ParseNumber(root.Text()); break;
    case Variant::Kind::Bytes: break;
    }
    if (!n) {
        name = root.ToText();
        return RootNameStatus::Ok;
    }
    auto whole = ToInt64(*n);
    // Roots are 32-bit: written unsigned (2147483649) they mean the same as signed.
    if (!whole || *whole < std::numeric_limits<int32_t>::min() || *whole > std::numeric_limits<uint32_t>::max())
        return RootNameStatus::Overflow;
    number = static_cast<int32_t>(static_cast<uint32_t>(*whole));
    switch (number) {
    case 0: return RootNameStatus::NotAccepted;
    case kClassesRoot: name = "HKEY_CLASSES_ROOT"; return RootNameStatus::Ok;
    case kCurrentUser: name = "HKEY_CURRENT_USER"; return RootNameStatus::Ok;
    case kLocalMachine: name = "HKEY_LOCAL_MACHINE"; return RootNameStatus::Ok;
    case kUsers: name = "HKEY_USERS"; return RootNameStatus::Ok;
    default: return RootNameStatus::NotSupported;
    }
}

std::string ExportParameters(std::string_view file, std::string_view rootName, std::string_view key) {
    std::string p = "/e \"";
    p.append(file).append("\" ").append(rootName).append("\\").append(key);
    return p;
}

std::string ImportParameters(std::string_view file) {
    std::string p = "/s \"";
    p.append(file).append("\"");
    return p;
}

}  // namespace vt::reg
