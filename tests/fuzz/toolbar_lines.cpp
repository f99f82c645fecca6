// Caption wrapping of any UTF-8 (or not) text at any width: it always ends, keeps every
// visible character in its order, and gives at least one line.
#include "FuzzCheck.h"
#include "toolbar/pure/ToolBarMath.h"

#include <string>

namespace {

std::string WithoutBlanks(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ' ') out.push_back(c);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 2048) return 0;                    // the wrapping measures each growing line: quadratic
    const int32_t length = static_cast<int8_t>(data[0]) * 4;  // negative widths too
    const bool filter = data[1] & 1;
    const int32_t charWidth = (data[1] >> 1) % 16;  // 0: a font that measures nothing
    std::string_view text = vt::fuzz::AsText(data + 2, size - 2);

    const auto measure = [&](std::string_view s) { return static_cast<int32_t>(s.size()) * charWidth; };
    const std::vector<std::string> lines = vt::SplitToLines(text, length, filter, measure);
    FUZZ_CHECK(!lines.empty());

    std::string source(text);
    if (filter) {
        std::string kept;
        for (size_t i = 0; i < source.size(); ++i) {
            if (source[i] == '\r' && i + 1 < source.size() && source[i + 1] == '\n') {
                ++i;
                continue;
            }
            kept.push_back(source[i]);
        }
        source = kept;
    }
    std::string joined;
    for (const std::string& line : lines) {
        FUZZ_CHECK(lines.size() == 1 || !line.empty());
        FUZZ_CHECK(line.empty() || (line.front() != ' ' && line.back() != ' '));
        joined += line;
    }
    FUZZ_CHECK(WithoutBlanks(joined) == WithoutBlanks(source));
    for (size_t i = 0; i < text.size(); ++i) (void)vt::IsDelim(text.substr(i, 1));
    return 0;
}
