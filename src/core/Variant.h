// The tagged value in which registry data travels through the program: empty, a 32-bit
// number, a double, a text or an array of bytes.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <variant>
#include <vector>

namespace vt {

class Variant {
public:
    enum class Kind { Empty, Long, Double, Text, Bytes };
    using ByteArray = std::vector<uint8_t>;

    Variant() = default;
    Variant(int32_t v) : v_(v) {}
    Variant(double v) : v_(v) {}
    Variant(std::string v) : v_(std::move(v)) {}
    Variant(const char* v) : v_(std::string(v)) {}
    Variant(ByteArray v) : v_(std::move(v)) {}

    Kind kind() const noexcept { return static_cast<Kind>(v_.index()); }
    bool IsEmpty() const noexcept { return kind() == Kind::Empty; }
    bool IsLong() const noexcept { return kind() == Kind::Long; }
    bool IsDouble() const noexcept { return kind() == Kind::Double; }
    bool IsText() const noexcept { return kind() == Kind::Text; }
    bool IsBytes() const noexcept { return kind() == Kind::Bytes; }

    // The held value; asking for another kind throws std::bad_variant_access.
    int32_t Long() const { return std::get<int32_t>(v_); }
    double Double() const { return std::get<double>(v_); }
    const std::string& Text() const { return std::get<std::string>(v_); }
    const ByteArray& Bytes() const { return std::get<ByteArray>(v_); }

    // Any kind as text: "" for empty, decimal numbers (shortest form that reads back to
    // the same double), the text itself, the bytes taken as characters.
    std::string ToText() const;

    friend bool operator==(const Variant&, const Variant&) = default;

private:
    std::variant<std::monostate, int32_t, double, std::string, ByteArray> v_;
};

// For test diagnostics: the kind and the value.
std::ostream& operator<<(std::ostream& os, const Variant& v);

// Shortest decimal text that reads back to d ("1", "1.5", "1e+20", "-0.25").
std::string FormatDouble(double d);

}  // namespace vt
