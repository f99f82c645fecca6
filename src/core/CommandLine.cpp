#include "core/CommandLine.h"

#include <array>

#include "core/Wildcard.h"

namespace vt {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

enum class Host { None, PowerShell, Cmd, Rundll, Other };

Host HostOf(std::string_view program) {
    size_t slash = program.find_last_of("\\/");
    std::string name = LowerAscii(slash == std::string_view::npos ? program : program.substr(slash + 1));
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0) name.resize(name.size() - 4);
    if (name == "powershell" || name == "pwsh") return Host::PowerShell;
    if (name == "cmd") return Host::Cmd;
    if (name == "rundll32") return Host::Rundll;
    if (name == "wscript" || name == "cscript" || name == "mshta" || name == "regsvr32") return Host::Other;
    return Host::None;
}

// PowerShell's parameters that take a value of their own: their value is never the script.
// PowerShell takes any unambiguous beginning of a name, so three letters or more of one
// of these count as well as the short aliases.
bool PowerShellTakesValue(std::string_view sw) {
    static constexpr std::array<std::string_view, 12> names = {
        "windowstyle",    "executionpolicy",  "version",      "inputformat",    "outputformat",  "configurationname",
        "encodedcommand", "workingdirectory", "settingsfile", "custompipename", "psconsolefile", "encodedarguments"};
    static constexpr std::array<std::string_view, 16> aliases = {"w",  "ep", "ex",     "exec", "v",  "inp", "if", "o",
                                                                 "of", "op", "config", "e",    "ec", "enc", "wd", "ea"};
    std::string s = LowerAscii(sw);
    for (std::string_view a : aliases)
        if (s == a) return true;
    if (s.size() < 3) return false;
    for (std::string_view n : names)
        if (n.substr(0, s.size()) == s) return true;
    return false;
}

bool PowerShellCommandSwitch(std::string_view sw) {
    std::string s = LowerAscii(sw);
    return s == "c" || (s.size() >= 3 && std::string_view("command").substr(0, s.size()) == s);
}

// The words of a PowerShell command text, with its quotes (either kind) taken off and a
// call operator ("&" or ".") in front of a word dropped.
std::vector<std::string> PowerShellWords(std::string_view text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (IsBlank(text[i]) || text[i] == ';')) ++i;
        if (i >= text.size()) break;
        std::string w;
        char quote = 0;
        for (; i < text.size(); ++i) {
            char c = text[i];
            if (quote) {
                if (c == quote) quote = 0;
                else w += c;
            } else if (c == '\'' || c == '"') {
                quote = c;
            } else if (IsBlank(c) || c == ';') {
                break;
            } else {
                w += c;
            }
        }
        if (w == "&" || w == ".") continue;
        if (w.size() > 1 && (w[0] == '&')) w.erase(0, 1);
        words.push_back(std::move(w));
    }
    return words;
}

bool IsFullPath(std::string_view t) {
    if (t.size() >= 3 && ((t[0] >= 'A' && t[0] <= 'Z') || (t[0] >= 'a' && t[0] <= 'z')) && t[1] == ':' &&
        (t[2] == '\\' || t[2] == '/'))
        return true;
    return t.size() > 2 && t[0] == '\\' && t[1] == '\\';
}

}  // namespace

CommandLine SplitCommandLine(std::string_view s) {
    CommandLine out;
    size_t i = 0;
    // The program's own token knows no escapes: a quoted one ends at the next quote
    // whatever precedes it, an unquoted one at the first blank.
    if (i < s.size() && s[i] == '"') {
        size_t close = s.find('"', i + 1);
        if (close == std::string_view::npos) close = s.size();
        out.program = std::string(s.substr(i + 1, close - i - 1));
        i = close < s.size() ? close + 1 : close;
    } else {
        while (i < s.size() && !IsBlank(s[i])) out.program += s[i++];
    }

    while (true) {
        while (i < s.size() && IsBlank(s[i])) ++i;
        if (i >= s.size()) break;
        std::string arg;
        bool quoted = false;
        size_t backslashes = 0;
        while (i < s.size()) {
            char c = s[i];
            if (IsBlank(c) && !quoted) break;
            if (c == '\\') {
                arg += c;
                ++backslashes;
                ++i;
                continue;
            }
            if (c != '"') {
                arg += c;
                backslashes = 0;
                ++i;
                continue;
            }
            // A quote: half of the backslashes before it stay; an odd one out makes the
            // quote itself literal.
            arg.resize(arg.size() - backslashes / 2);
            int quotes = 0;
            if (backslashes % 2 == 0) {
                quotes = quoted ? 2 : 1;
            } else {
                arg.back() = '"';
                quotes = quoted ? 1 : 0;
            }
            backslashes = 0;
            ++i;
            // Runs of quotes: every third one is a literal quote.
            while (i < s.size() && s[i] == '"') {
                if (++quotes == 3) {
                    arg += '"';
                    quotes = 0;
                }
                ++i;
            }
            quoted = quotes == 1;
        }
        out.args.push_back(std::move(arg));
    }
    return out;
}

bool IsScriptHost(std::string_view program) { return HostOf(program) != Host::None; }

std::vector<std::string> ScriptCandidates(const CommandLine& command) {
    std::vector<std::string> out;
    const Host host = HostOf(command.program);
    if (host == Host::None) return out;
    bool skipValue = false;
    for (size_t k = 0; k < command.args.size(); ++k) {
        const std::string& arg = command.args[k];
        if (skipValue) {
            skipValue = false;
            continue;
        }
        if (arg.empty()) continue;
        if (arg[0] == '-' || arg[0] == '/') {
            if (host == Host::PowerShell) {
                std::string_view name(arg);
                name.remove_prefix(1);
                if (!name.empty() && name[0] == '-') name.remove_prefix(1);
                if (PowerShellCommandSwitch(name)) {
                    // The rest is one command text in PowerShell's own syntax.
                    std::string text;
                    for (size_t r = k + 1; r < command.args.size(); ++r) text += command.args[r] + " ";
                    for (std::string& w : PowerShellWords(text))
                        if (IsFullPath(w)) out.push_back(std::move(w));
                    return out;
                }
                skipValue = PowerShellTakesValue(name);
            }
            continue;
        }
        std::string t = arg;
        if (host == Host::Rundll) {
            // library.dll,Entry: entry names hold no commas, folders may.
            if (size_t comma = t.rfind(','); comma != std::string::npos) t.resize(comma);
        }
        if (IsFullPath(t)) out.push_back(std::move(t));
    }
    return out;
}

std::optional<std::string> PickScriptFile(const CommandLine& command,
                                          const std::function<bool(const std::string&)>& usable) {
    for (const std::string& c : ScriptCandidates(command))
        if (usable(c)) return c;
    return std::nullopt;
}

}  // namespace vt
