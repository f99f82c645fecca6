#include "core/SystemFiles.h"

#include <array>
#include <vector>

#include "core/Text.h"
#include "core/Wildcard.h"

namespace vt {

std::string NormalizePath(std::string_view path) {
    std::string p(path);
    for (char& c : p)
        if (c == '/') c = '\\';
    std::string root;
    if (p.rfind("\\\\?\\UNC\\", 0) == 0) {
        p = "\\\\" + p.substr(8);
    } else if (p.rfind("\\\\?\\", 0) == 0 || p.rfind("\\??\\", 0) == 0) {
        p = p.substr(4);
    }
    if (p.rfind("\\\\", 0) == 0) root = "\\\\";

    std::vector<std::string> parts;
    size_t fixed = 0;  // leading parts ".." never climbs above: the drive, or server and share
    for (std::string_view part : SplitText(std::string_view(p).substr(root.size()), "\\")) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (parts.size() > fixed) parts.pop_back();
            continue;
        }
        parts.emplace_back(part);
        if (parts.size() == 1 && root.empty() && parts[0].size() == 2 && parts[0][1] == ':') fixed = 1;
        if (parts.size() == 2 && !root.empty()) fixed = 2;
    }
    std::string out = root;
    for (size_t k = 0; k < parts.size(); ++k) {
        if (k) out += '\\';
        out += parts[k];
    }
    return out;
}

bool IsInWindowsFolder(std::string_view path, std::string_view windowsFolder) {
    const std::string w = LowerAscii(NormalizePath(windowsFolder));
    const std::string p = LowerAscii(NormalizePath(path));
    if (w.empty() || p.empty()) return false;
    return p == w || (p.size() > w.size() && p.compare(0, w.size(), w) == 0 && p[w.size()] == '\\');
}

bool IsSystemProgramName(std::string_view fileName) {
    static constexpr std::array<std::string_view, 12> names = {
        "svchost.exe",  "lsass.exe",    "csrss.exe",   "winlogon.exe",  "services.exe", "smss.exe",
        "explorer.exe", "rundll32.exe", "spoolsv.exe", "taskhostw.exe", "dllhost.exe",  "conhost.exe"};
    const std::string n = LowerAscii(fileName);
    for (std::string_view s : names)
        if (n == s) return true;
    return false;
}

bool IsImpostor(std::string_view path, std::string_view windowsFolder) {
    const std::string p = NormalizePath(path);
    const size_t slash = p.rfind('\\');
    if (slash == std::string::npos || slash == 0) return false;
    if (!IsSystemProgramName(std::string_view(p).substr(slash + 1))) return false;
    const std::string w = LowerAscii(NormalizePath(windowsFolder));
    if (w.empty()) return false;
    const std::string folder = LowerAscii(p.substr(0, slash));
    return folder != w && folder != w + "\\system32" && folder != w + "\\syswow64";
}

}  // namespace vt
