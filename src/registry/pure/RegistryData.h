// Registry data without the registry: how values become the bytes that are stored and
// back, key path arithmetic, and the registry editor's command lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/Variant.h"

namespace vt::reg {

// Predefined roots as the program holds them: 32-bit signed numbers.
inline constexpr int32_t kClassesRoot = static_cast<int32_t>(0x80000000u);
inline constexpr int32_t kCurrentUser = static_cast<int32_t>(0x80000001u);
inline constexpr int32_t kLocalMachine = static_cast<int32_t>(0x80000002u);
inline constexpr int32_t kUsers = static_cast<int32_t>(0x80000003u);

// Data type numbers.
inline constexpr int32_t kNone = 0;
inline constexpr int32_t kSz = 1;
inline constexpr int32_t kExpandSz = 2;
inline constexpr int32_t kBinary = 3;
inline constexpr int32_t kDword = 4;
inline constexpr int32_t kDwordBigEndian = 5;
inline constexpr int32_t kLink = 6;
inline constexpr int32_t kMultiSz = 7;
inline constexpr int32_t kQword = 11;

uint32_t SwapEndian(uint32_t v) noexcept;

// The part before the last "\"; "" when there is none.
std::string GetParentKey(std::string_view keyPath);
// The name that DeleteKey removes below the parent: the whole path when the parent is
// "", otherwise what follows the parent and its "\".
std::string ChildKeyName(std::string_view keyPath);
// "\\" put in front of a non-empty name that holds no "\\" anywhere.
std::string FormatMachineName(std::string_view name);
// Leading and trailing spaces (only " ") removed.
std::string TrimSpaces(std::string_view s);

// REG_MULTI_SZ data from text: each CR LF becomes a NUL, runs of NULs collapse to one,
// and the data ends with exactly two NULs. A leading NUL (from a leading line break)
// goes too: readers stop at the first empty item, so it would hide every item after it.
std::string BuildMultiSz(std::string_view text);

// Rounds half to even, as the program's number conversions do; nullopt outside the range
// or for NaN.
std::optional<int32_t> ToInt32(double d) noexcept;
std::optional<int64_t> ToInt64(double d) noexcept;

enum class EncodeStatus {
    Ok,
    UnsupportedType,  // the data type cannot be written at all
    UnsuitableKind,   // the value's kind does not fit the data type (text for a number ...)
    Overflow,         // a number outside the type's range
};

// The bytes stored for `value` under `dataType`. Text types take every kind except byte
// arrays (numbers as decimal text); REG_BINARY takes byte arrays; number types take
// numbers, and byte arrays, which are stored unchanged. Empty counts as "", no bytes or 0.
EncodeStatus EncodeForWrite(const Variant& value, int32_t dataType, std::string& out);

// The value for data of type `type` as read. REG_EXPAND_SZ comes back unexpanded.
// Text loses one terminating NUL when it has one; numbers take the first bytes, short
// data padded with zeros; unknown types give the bytes.
Variant DecodeRead(uint32_t type, std::string_view data);

// Export's root: a number (or text that reads as one) is replaced by its predefined
// name; other text is used unchanged.
enum class RootNameStatus { Ok, NotAccepted, NotSupported, Overflow };
RootNameStatus ExportRootName(const Variant& root, std::string& name, int32_t& number);

// Text that reads as a number: decimal (sign, fraction, exponent, surrounding spaces) or
// "&H" hexadecimal.
std::optional<double> ParseNumber(std::string_view text);

// Parameters handed to the registry editor.
std::string ExportParameters(std::string_view file, std::string_view rootName, std::string_view key);
std::string ImportParameters(std::string_view file);

}  // namespace vt::reg
