// What the fuzz targets share: a check that stops the run with the failed condition, so
// libFuzzer keeps the input, and the splitting of one input into text fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#define FUZZ_CHECK(cond)                                                                        \
    do {                                                                                        \
        if (!(cond)) {                                                                          \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

namespace vt::fuzz {

inline std::string_view AsText(const uint8_t* data, size_t size) { return {reinterpret_cast<const char*>(data), size}; }

// Fields separated by 0xFF, a byte that never occurs in UTF-8 text; missing fields are
// empty, so every input gives exactly `count` of them (the last one takes the rest).
inline std::vector<std::string_view> Fields(std::string_view in, size_t count) {
    std::vector<std::string_view> out;
    while (out.size() + 1 < count) {
        size_t sep = in.find('\xff');
        if (sep == std::string_view::npos) break;
        out.push_back(in.substr(0, sep));
        in.remove_prefix(sep + 1);
    }
    out.push_back(in);
    while (out.size() < count) out.emplace_back();
    return out;
}

}  // namespace vt::fuzz
