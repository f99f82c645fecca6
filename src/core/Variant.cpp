#include "core/Variant.h"

#include <charconv>
#include <cmath>
#include <ostream>

namespace vt {

std::string FormatDouble(double d) {
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return d < 0 ? "-Infinity" : "Infinity";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof(buf), d);
    return std::string(buf, r.ptr);
}

std::string Variant::ToText() const {
    switch (kind()) {
    case Kind::Empty: return {};
    case Kind::Long: return std::to_string(Long());
    case Kind::Double: return FormatDouble(Double());
    case Kind::Text: return Text();
    case Kind::Bytes: return std::string(Bytes().begin(), Bytes().end());
    }
    return {};
}

std::ostream& operator<<(std::ostream& os, const Variant& v) {
    static const char* const names[] = {"Empty", "Long", "Double", "Text", "Bytes"};
    os << names[static_cast<int>(v.kind())];
    if (v.IsBytes()) {
        os << "[" << v.Bytes().size() << "]{";
        size_t shown = 0;
        for (uint8_t b : v.Bytes()) {
            if (shown++ == 32) {
                os << " ...";
                break;
            }
            static const char hex[] = "0123456789ABCDEF";
            os << ' ' << hex[b >> 4] << hex[b & 15];
        }
        return os << " }";
    }
    if (!v.IsEmpty()) {
        os << "(";
        for (char c : v.ToText()) {
            if (c == '\0') os << "\\0";
            else os << c;
        }
        os << ")";
    }
    return os;
}

}  // namespace vt
