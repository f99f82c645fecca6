#include "tasks/pure/TaskNames.h"

#include <cstdio>

#include "core/CommandLine.h"
#include "core/SystemFiles.h"
#include "core/Utf8.h"

namespace vt::tasks {

std::string TaskLeafName(std::string_view path) {
    while (path.size() > 1 && path.back() == '\\') path.remove_suffix(1);
    size_t cut = path.rfind('\\');
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string TaskFolderPath(std::string_view path) {
    while (path.size() > 1 && path.back() == '\\') path.remove_suffix(1);
    size_t cut = path.rfind('\\');
    if (cut == std::string_view::npos || cut == 0) return "\\";
    return std::string(path.substr(0, cut));
}

std::string TaskPathOfFile(std::string_view relative) {
    std::string out = "\\";
    for (char c : relative) {
        if (c == '/') c = '\\';
        if (c == '\\' && out.back() == '\\') continue;
        out.push_back(c);
    }
    if (out.size() > 1 && out.back() == '\\') out.pop_back();
    return out;
}

std::string ActionCommandLine(const TaskAction& action, std::string_view handlerFile) {
    switch (action.kind) {
    case ActionKind::Exec:
        if (action.arguments.empty()) return action.command;
        if (action.command.empty()) return action.arguments;
        return action.command + " " + action.arguments;
    case ActionKind::ComHandler: return handlerFile.empty() ? action.classId : std::string(handlerFile);
    case ActionKind::Other: break;
    }
    return {};
}

std::string SafeFileName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    ForEachCodePoint(name, [&](char32_t cp, bool valid) {
        constexpr std::string_view kForbidden = "<>:\"/\\|?*";
        if (!valid || cp < 0x20 || cp == 0x7F ||
            (cp < 0x80 && kForbidden.find(static_cast<char>(cp)) != kForbidden.npos))
            out.push_back('_');
        else AppendUtf8(out, cp);
    });
    // Whole characters only, then no blank or dot at the end (the system drops them).
    constexpr size_t kMaxBytes = 120;
    if (out.size() > kMaxBytes) {
        size_t cut = kMaxBytes;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        out.resize(cut);
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '.')) out.pop_back();
    if (out.empty()) return "attivita";

    std::string base = out.substr(0, out.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    bool device = base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" ||
                  (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
                   base[3] >= '1' && base[3] <= '9');
    if (device) out.insert(out.begin(), '_');
    return out;
}

std::string BackupFileName(std::string_view taskName, int year, int month, int day, int counter) {
    char date[48];
    if (counter > 1) std::snprintf(date, sizeof date, "-%04d-%02d-%02d-%d.xml", year, month, day, counter);
    else std::snprintf(date, sizeof date, "-%04d-%02d-%02d.xml", year, month, day);
    return SafeFileName(taskName) + date;
}

bool IsWindowsTask(const std::vector<ActionProgram>& programs, std::string_view windowsFolder) {
    for (const ActionProgram& p : programs) {
        if (p.file.empty()) continue;
        const std::string file = NormalizePath(p.file);
        if (!IsInWindowsFolder(file, windowsFolder)) continue;
        CommandLine command = SplitCommandLine("x " + p.arguments);
        command.program = file;
        bool startsForeignFile = false;
        for (const std::string& script : ScriptCandidates(command)) {
            if (!IsInWindowsFolder(NormalizePath(script), windowsFolder)) startsForeignFile = true;
        }
        if (!startsForeignFile) return true;
    }
    return false;
}

}  // namespace vt::tasks
