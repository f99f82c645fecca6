#include "scanners/pure/ScanRules.h"

#include <limits>

#include "core/CaseMap.h"
#include "core/Wildcard.h"

namespace vt::scan {

std::vector<std::string> SplitPatterns(std::string_view text) {
    std::vector<std::string> out;
    if (text.empty()) return out;
    const std::string lowered = LowerText(text);
    size_t start = 0;
    for (;;) {
        size_t bar = lowered.find('|', start);
        if (bar == std::string::npos) {
            out.push_back(lowered.substr(start));
            return out;
        }
        out.push_back(lowered.substr(start, bar - start));
        start = bar + 1;
    }
}

std::string JoinPatterns(const std::vector<std::string>& patterns) {
    std::string out;
    for (size_t i = 0; i < patterns.size(); ++i) {
        if (i) out += '|';
        out += patterns[i];
    }
    return out;
}

bool MatchesAny(std::string_view name, const std::vector<std::string>& patterns) {
    for (const std::string& p : patterns)
        if (WildcardMatchNoCase(name, p)) return true;
    return false;
}

void ValidateKey(std::string& key) {
    // One pass collapses any run of backslashes to one, which is what repeating the
    // "\\" -> "\" replacement until none is left arrives at.
    std::string out;
    out.reserve(key.size());
    for (char c : key)
        if (c != '\\' || out.empty() || out.back() != '\\') out += c;
    if (!out.empty() && out.back() == '\\') out.pop_back();
    if (!out.empty() && out.front() == '\\') out.erase(0, 1);
    key = std::move(out);
}

std::pair<std::string, std::string> SplitKeyPath(std::string_view path) {
    size_t slash = path.rfind('\\');
    if (slash == std::string_view::npos) return {std::string(), std::string(path)};
    return {std::string(path.substr(0, slash)), std::string(path.substr(slash + 1))};
}

std::string JoinKeyPath(std::string_view parent, std::string_view name) {
    std::string out;
    out.reserve(parent.size() + 1 + name.size());
    out += parent;
    if (!parent.empty()) out += '\\';
    out += name;
    return out;
}

std::string JoinFolderPath(std::string_view parent, std::string_view name) {
    std::string out;
    out.reserve(parent.size() + 1 + name.size());
    out += parent;
    if (parent.empty() || parent.back() != '\\') out += '\\';
    out += name;
    return out;
}

long FolderBaseDepth(std::string_view startPath) {
    if (!startPath.empty() && startPath.back() == '\\') startPath.remove_suffix(1);
    return PathDepth(startPath);
}

std::optional<int16_t> ToDepth(long depth) {
    if (depth < std::numeric_limits<int16_t>::min() || depth > std::numeric_limits<int16_t>::max()) return std::nullopt;
    return static_cast<int16_t>(depth);
}

bool CheckedIncrement(int32_t& count) {
    if (count == std::numeric_limits<int32_t>::max()) return false;
    ++count;
    return true;
}

bool WithinDepth(long pathDepth, long baseDepth, int16_t depthLimit) {
    return depthLimit == 0 || pathDepth - baseDepth <= depthLimit;
}

bool PassesDepthAndKeyFilter(std::string_view path, long baseDepth, int16_t depthLimit,
                             const std::vector<std::string>* keyPatterns) {
    long level = PathDepth(path) - baseDepth;
    if (depthLimit != 0 && level > depthLimit) return false;
    if (keyPatterns && !keyPatterns->empty() && level == 1) {
        size_t slash = path.rfind('\\');
        std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
        if (!MatchesAny(last, *keyPatterns)) return false;
    }
    return true;
}

std::vector<Location> LocationSet(int32_t number, int32_t otherView) {
    const std::string cv = "Software\\Microsoft\\Windows\\CurrentVersion";
    switch (number) {
    case 0: return {{kHkeyLocalMachine, cv + "\\Uninstall"}};
    case 1: return {{kHkeyClassesRoot, "CLSID"}, {kHkeyClassesRoot, "TypeLib"}};
    case 2: return {{kHkeyClassesRoot, ""}};
    case 3: return {{kHkeyLocalMachine, "Software\\Microsoft\\Windows\\Help"}};
    case 4: return {{kHkeyLocalMachine, cv + "\\SharedDLLs"}};
    case 5:
        return {{kHkeyCurrentUser, cv + "\\Explorer\\Shell Folders"},
                {kHkeyLocalMachine, cv + "\\Explorer\\Shell Folders"}};
    case 6: return {{kHkeyLocalMachine, cv + "\\App Paths"}};
    case 7: {
        std::vector<Location> out;
        auto addRunKeys = [&](int32_t view) {
            for (int32_t root : {kHkeyCurrentUser, kHkeyLocalMachine})
                for (const char* run : {"\\Run", "\\RunOnce", "\\RunServices", "\\RunServicesOnce"})
                    out.push_back({root, cv + run, view});
        };
        addRunKeys(0);
        if (otherView != 0) addRunKeys(otherView);
        return out;
    }
    case 8:
        return {{kHkeyLocalMachine, cv + "\\Fonts"},
                {kHkeyLocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"}};
    default: return {};
    }
}

std::string TrimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return std::string(s.substr(b, e - b));
}

std::string NormaliseFileFilter(std::string_view text) {
    if (TrimBlanks(text).empty()) return "*";
    return std::string(text);
}

std::string NormaliseStartPath(std::string_view text) {
    std::string out(text);
    if (out.size() == 1) out += ':';
    return out;
}

bool PassesAttributes(int32_t attributes, uint32_t fileAttributes) {
    if (attributes == kDefaultAttributes) return true;
    return (static_cast<uint32_t>(attributes) & fileAttributes) != 0;
}

}  // namespace vt::scan
