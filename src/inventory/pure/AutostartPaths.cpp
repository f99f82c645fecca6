#include "inventory/pure/AutostartPaths.h"

#include <array>

#include "core/CommandLine.h"
#include "core/PathText.h"
#include "core/SystemFiles.h"
#include "core/Wildcard.h"

namespace vt {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && LowerAscii(s.substr(0, prefix.size())) == LowerAscii(prefix);
}

bool HasDrive(std::string_view p) {
    return p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
}

bool HasExtension(std::string_view path) {
    const std::string name = FileNamePart(path);
    return name.find('.') != std::string::npos;
}

// Whether the text ends with the extension of a file the system runs or loads.
bool EndsWithProgramExtension(std::string_view s) {
    static constexpr std::array<std::string_view, 6> kinds = {".exe", ".sys", ".dll", ".com", ".bat", ".cmd"};
    if (s.size() < 4) return false;
    const std::string tail = LowerAscii(s.substr(s.size() - 4));
    for (std::string_view k : kinds)
        if (tail == k) return true;
    return false;
}

// The system's forms of a path's beginning made into a plain full path, the rest kept.
std::string FullImagePath(std::string_view p, std::string_view windowsFolder) {
    std::string s = ExpandSystemRoot(p, windowsFolder);
    std::string_view v = s;
    if (StartsWithNoCase(v, "\\??\\") || StartsWithNoCase(v, "\\\\?\\")) return std::string(v.substr(4));
    if (StartsWithNoCase(v, "\\SystemRoot\\")) return std::string(windowsFolder) + std::string(v.substr(11));
    if (HasDrive(v) || StartsWithNoCase(v, "\\\\")) return s;
    // A path from the root of no drive is on the system's drive.
    if (!v.empty() && (v[0] == '\\' || v[0] == '/'))
        return windowsFolder.size() >= 2 ? std::string(windowsFolder.substr(0, 2)) + s : s;
    // A folder in the first word, with neither drive nor root: the kernel's path relative
    // to the Windows folder. A bare name is left to the caller.
    const std::string_view first = v.substr(0, v.find_first_of(" \t"));
    if (first.find_first_of("\\/") != std::string_view::npos) return BuildPath(windowsFolder, v);
    return s;
}

// A name without a folder where the system looks for it first: System32, then the
// Windows folder; bare when neither holds it (or nobody can tell).
std::string ResolveBareName(const std::string& name, std::string_view windowsFolder, const FileExists& exists) {
    if (name.empty() || windowsFolder.empty() || !exists) return name;
    const std::string withExe = HasExtension(name) ? name : name + ".exe";
    for (const std::string& folder : {BuildPath(windowsFolder, "System32"), std::string(windowsFolder)}) {
        std::string candidate = BuildPath(folder, withExe);
        if (exists(candidate)) return candidate;
    }
    return name;
}

// The program at the head of an unquoted text: the shortest head up to a blank that names
// an existing file, as process creation tries them; else up to the first program
// extension followed by a blank; else the first word.
std::string UnquotedProgram(std::string_view s, const FileExists& exists, size_t& programEnd) {
    if (exists) {
        for (size_t at = 0; at <= s.size(); ++at) {
            if (at < s.size() && !IsBlank(s[at])) continue;
            std::string head(s.substr(0, at));
            if (head.empty() || head.find_first_of("\\/") == std::string::npos) {
                if (at == s.size()) break;
                continue;
            }
            if (exists(head)) {
                programEnd = at;
                return head;
            }
            if (!HasExtension(head) && exists(head + ".exe")) {
                programEnd = at;
                return head + ".exe";
            }
            // Past a program's name nothing longer is a program the system would pick.
            if (EndsWithProgramExtension(head)) break;
        }
    }
    for (size_t at = 0; at <= s.size(); ++at) {
        if (at < s.size() && !IsBlank(s[at])) continue;
        if (EndsWithProgramExtension(s.substr(0, at))) {
            programEnd = at;
            return std::string(s.substr(0, at));
        }
    }
    programEnd = 0;
    while (programEnd < s.size() && !IsBlank(s[programEnd])) ++programEnd;
    return std::string(s.substr(0, programEnd));
}

// The program of a command (quoted or not) and where its arguments begin.
std::string ProgramOf(std::string_view s, const FileExists& exists, size_t& argsAt) {
    if (!s.empty() && s[0] == '"') {
        size_t close = s.find('"', 1);
        if (close == std::string_view::npos) close = s.size();
        argsAt = close < s.size() ? close + 1 : close;
        return std::string(s.substr(1, close - 1));
    }
    std::string program = UnquotedProgram(s, exists, argsAt);
    return program;
}

std::string Finished(const std::string& path, std::string_view windowsFolder, const FileExists& exists) {
    if (path.empty()) return path;
    if (path.find_first_of("\\/") == std::string::npos) return ResolveBareName(path, windowsFolder, exists);
    return NormalizePath(path);
}

}  // namespace

std::string ExpandSystemRoot(std::string_view text, std::string_view windowsFolder) {
    static constexpr std::array<std::string_view, 2> names = {"%SystemRoot%", "%windir%"};
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t taken = 0;
        if (text[i] == '%')
            for (std::string_view var : names)
                if (StartsWithNoCase(text.substr(i), var)) taken = var.size();
        if (taken) {
            out += windowsFolder;
            i += taken;
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string ImageProgramPath(std::string_view imagePath, std::string_view windowsFolder, const FileExists& exists) {
    std::string_view s = Trim(imagePath);
    if (s.empty()) return {};
    std::string program;
    if (s[0] == '"') {
        size_t argsAt = 0;
        program = FullImagePath(ProgramOf(s, exists, argsAt), windowsFolder);
    } else {
        // The beginning is rewritten first: the blanks that end the program are looked
        // for in the full path, whose files can be asked about.
        const std::string full = FullImagePath(s, windowsFolder);
        size_t end = 0;
        program = UnquotedProgram(full, exists, end);
    }
    if (program.find_first_of("\\/") == std::string::npos) {
        // A bare name: the service control manager starts it from System32.
        std::string resolved = ResolveBareName(program, windowsFolder, exists);
        if (resolved == program && !windowsFolder.empty()) resolved = BuildPath(windowsFolder, "System32\\" + program);
        return NormalizePath(resolved);
    }
    return NormalizePath(program);
}

std::string CommandProgramFile(std::string_view command, std::string_view windowsFolder, const FileExists& exists) {
    const std::string expanded = ExpandSystemRoot(Trim(command), windowsFolder);
    std::string_view s = expanded;
    if (s.empty()) return {};
    if (s.substr(0, 2) == "||") {
        // RunOnceEx's "||library|function|arguments".
        std::string_view rest = s.substr(2);
        return Finished(std::string(Trim(rest.substr(0, rest.find('|')))), windowsFolder, exists);
    }
    size_t argsAt = 0;
    std::string program = ProgramOf(s, exists, argsAt);
    if (IsScriptHost(program)) {
        CommandLine line = SplitCommandLine(std::string("\"") + program + "\" " + std::string(s.substr(argsAt)));
        std::vector<std::string> scripts = ScriptCandidates(line);
        for (const std::string& script : scripts)
            if (!exists || exists(script)) return NormalizePath(script);
        if (!scripts.empty()) return NormalizePath(scripts.front());
    }
    return Finished(program, windowsFolder, exists);
}

std::string LibraryFile(std::string_view item, std::string_view windowsFolder) {
    std::string p = ExpandSystemRoot(Trim(item), windowsFolder);
    if (p.size() >= 2 && p.front() == '"' && p.back() == '"') p = p.substr(1, p.size() - 2);
    if (p.empty()) return p;
    if (p.find_first_of("\\/") == std::string::npos)
        return windowsFolder.empty() ? p : BuildPath(windowsFolder, "System32\\" + p);
    return NormalizePath(p);
}

std::string BootProgramFile(std::string_view item, std::string_view windowsFolder) {
    CommandLine line = SplitCommandLine(Trim(item));
    std::string program = line.program;
    if (LowerAscii(program) == "autocheck" && !line.args.empty()) program = line.args.front();
    if (program.empty()) return program;
    if (!HasExtension(program)) program += ".exe";
    if (program.find_first_of("\\/") != std::string::npos || HasDrive(program))
        return NormalizePath(FullImagePath(program, windowsFolder));
    return windowsFolder.empty() ? program : BuildPath(windowsFolder, "System32\\" + program);
}

bool IsSharedServiceHost(std::string_view imagePath, std::string_view programFile) {
    if (LowerAscii(FileNamePart(programFile)) != "svchost.exe") return false;
    CommandLine line = SplitCommandLine(Trim(imagePath));
    for (const std::string& arg : line.args)
        if (LowerAscii(arg) == "-k" || LowerAscii(arg) == "/k") return true;
    return false;
}

std::vector<ListItem> SplitListValue(std::string_view text, ListForm form) {
    std::vector<ListItem> items;
    if (form == ListForm::None) {
        std::string_view t = Trim(text);
        if (!t.empty()) {
            const size_t begin = static_cast<size_t>(t.data() - text.data());
            items.push_back({std::string(t), begin, begin + t.size()});
        }
        return items;
    }
    auto separator = [form](char c) {
        switch (form) {
        case ListForm::Commas: return c == ',';
        case ListForm::BlanksOrCommas: return c == ',' || IsBlank(c);
        case ListForm::MultiString: return c == '\0';
        case ListForm::None: break;
        }
        return false;
    };
    size_t i = 0;
    while (i <= text.size()) {
        size_t end = i;
        while (end < text.size() && !separator(text[end])) ++end;
        size_t b = i, e = end;
        if (form == ListForm::Commas) {
            while (b < e && IsBlank(text[b])) ++b;
            while (e > b && IsBlank(text[e - 1])) --e;
        }
        if (e > b) items.push_back({std::string(text.substr(b, e - b)), b, e});
        i = end + 1;
    }
    return items;
}

std::string RemoveListItem(std::string_view text, ListForm form, size_t index) {
    const std::vector<ListItem> items = SplitListValue(text, form);
    if (index >= items.size()) return std::string(text);
    if (items.size() == 1) return {};
    size_t from = 0, to = 0;
    if (index + 1 < items.size()) {
        from = items[index].begin;
        to = items[index + 1].begin;
    } else {
        from = items[index - 1].end;
        to = items[index].end;
    }
    std::string out(text.substr(0, from));
    out += text.substr(to);
    return out;
}

bool IsDefaultItem(std::string_view item, std::string_view defaultItem) {
    if (defaultItem.empty()) return false;
    auto collapsed = [](std::string_view s) {
        std::string out;
        for (char c : Trim(s)) {
            if (IsBlank(c)) {
                if (!out.empty() && out.back() == ' ') continue;
                c = ' ';
            }
            out += c;
        }
        return LowerAscii(out);
    };
    return collapsed(item) == collapsed(defaultItem);
}

}  // namespace vt
