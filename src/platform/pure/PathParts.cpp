#include "platform/pure/PathParts.h"

namespace vt {

std::string FileNamePart(std::string_view path) {
    size_t pos = path.rfind('\\');
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string BuildPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (!out.empty() && out.back() != '\\') out += '\\';
    out += name;
    return out;
}

}  // namespace vt
