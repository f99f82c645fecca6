#include "scanners/pure/ProcessPath.h"

namespace vt {

namespace {

std::string ReplaceAll(std::string_view s, std::string_view what, std::string_view with) {
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

}  // namespace

std::string RewriteModulePath(std::string_view modulePath, std::string_view windowsDir) {
    std::string noPrefix = ReplaceAll(modulePath, "\\??\\", "");
    return ReplaceAll(noPrefix, "\\SystemRoot\\", std::string(windowsDir) + "\\");
}

std::string ModuleFolder(std::string_view path) {
    size_t last = path.rfind('\\');
    return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last + 1));
}

}  // namespace vt
