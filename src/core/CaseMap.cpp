#include "core/CaseMap.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "core/Utf8.h"

namespace vt {

namespace {

struct LowerRun {
    char32_t first, last;
    int32_t delta;
    int32_t stride;
};

constexpr LowerRun kLowerRuns[] = {
#include "core/LowerTable.inc"
};

}  // namespace

char32_t LowerCodePoint(char32_t c) noexcept {
    if (c < 0x80) return c >= U'A' && c <= U'Z' ? c + 32 : c;
    // The last run that starts at or before c is the only one that can hold it.
    auto it = std::upper_bound(std::begin(kLowerRuns), std::end(kLowerRuns), c,
                               [](char32_t v, const LowerRun& r) { return v < r.first; });
    if (it == std::begin(kLowerRuns)) return c;
    const LowerRun& r = *std::prev(it);
    if (c > r.last || (c - r.first) % static_cast<char32_t>(r.stride) != 0) return c;
    return static_cast<char32_t>(static_cast<int32_t>(c) + r.delta);
}

std::string LowerText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    ForEachCodePoint(utf8, [&out](char32_t c, bool valid) {
        if (valid) AppendUtf8(out, LowerCodePoint(c));
        else out.push_back(static_cast<char>(c));
    });
    return out;
}

}  // namespace vt
