#include "core/Text.h"

namespace vt {

std::string ReplaceAll(std::string_view s, std::string_view what, std::string_view with) {
    if (what.empty()) return std::string(s);
    std::string out;
    out.reserve(s.size());
    size_t pos = 0;
    for (size_t hit = s.find(what); hit != std::string_view::npos; pos = hit + what.size(), hit = s.find(what, pos)) {
        out.append(s.substr(pos, hit - pos));
        out.append(with);
    }
    out.append(s.substr(pos));
    return out;
}

std::vector<std::string_view> SplitText(std::string_view s, std::string_view separator) {
    if (separator.empty()) return {s};
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (size_t hit = s.find(separator); hit != std::string_view::npos;
         start = hit + separator.size(), hit = s.find(separator, start))
        pieces.push_back(s.substr(start, hit - start));
    pieces.push_back(s.substr(start));
    return pieces;
}

}  // namespace vt
