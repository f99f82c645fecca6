#include "scanners/pure/ProcessPath.h"

#include "core/Text.h"

namespace vt {

std::string RewriteModulePath(std::string_view modulePath, std::string_view windowsDir) {
    std::string noPrefix = ReplaceAll(modulePath, "\\??\\", "");
    return ReplaceAll(noPrefix, "\\SystemRoot\\", std::string(windowsDir) + "\\");
}

std::string ModuleFolder(std::string_view path) {
    size_t last = path.rfind('\\');
    return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last + 1));
}

}  // namespace vt
