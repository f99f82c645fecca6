#include "core/Text.h"

namespace vt {

std::string ReplaceAll(std::string_view s, std::string_view what, std::string_view with) {
    if (what.empty()) return std::string(s);
    std::string out;
    out.reserve(s.size());
    size_t pos = 0;
    for (size_t hit; (hit = s.find(what, pos)) != std::string_view::npos; pos = hit + what.size()) {
        out.append(s.substr(pos, hit - pos));
        out.append(with);
    }
    out.append(s.substr(pos));
    return out;
}

}  // namespace vt
