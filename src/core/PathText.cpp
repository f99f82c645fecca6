#include "core/PathText.h"

#include "core/Text.h"

namespace vt {

namespace {

// Position (from 1) of the last '.', 0 when there is none, and the text after it
// (the whole text when there is no dot).
struct AfterLastDot {
    size_t d;
    std::string_view r;
};

AfterLastDot SplitAtLastDot(std::string_view s) {
    size_t pos = s.rfind('.');
    if (pos == std::string_view::npos) return {0, s};
    return {pos + 1, s.substr(pos + 1)};
}

std::string_view AfterLastBackslash(std::string_view s) {
    size_t pos = s.rfind('\\');
    return pos == std::string_view::npos ? s : s.substr(pos + 1);
}

}  // namespace

std::string StripQuotes(std::string_view s) {
    // Positions are unbounded here: a quote past 32,767 characters is handled like any
    // other, instead of overflowing a 16-bit position.
    std::string t(s);
    if (size_t q = t.find('"'); q != std::string::npos) t.erase(q, 1);
    if (size_t q = t.find('"'); q != std::string::npos) t.resize(q);
    return t;
}

std::string GetCommandProgramPath(std::string_view s) {
    auto [d, r] = SplitAtLastDot(s);
    if (r.find(' ') == std::string_view::npos) return std::string(s);
    size_t k = r.find_first_of(" ,");
    return std::string(s.substr(0, d + k));
}

std::string GetCommandFileName(std::string_view s) {
    auto [d, r] = SplitAtLastDot(s);
    std::string_view cut = s;
    if (size_t k = r.find(' '); k != std::string_view::npos) cut = s.substr(0, d + k);
    return std::string(AfterLastBackslash(cut));
}

std::string GetFileExtension(std::string_view s) { return std::string(SplitAtLastDot(s).r); }

std::string GetFolderPath(std::string_view s) {
    size_t pos = s.rfind('\\');
    return pos == std::string_view::npos ? std::string() : std::string(s.substr(0, pos + 1));
}

std::string FileNamePart(std::string_view path) { return std::string(AfterLastBackslash(path)); }

std::string BuildPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (!out.empty() && out.back() != '\\') out += '\\';
    out += name;
    return out;
}

std::vector<std::string> SearchPathFolders(std::string_view pathVariable) {
    std::vector<std::string> folders;
    for (std::string_view piece : SplitText(pathVariable, ";"))
        if (!piece.empty()) folders.emplace_back(piece);
    return folders;
}

std::string ProgramFilesFallback(std::string_view envValue, std::string_view windowsDir) {
    size_t b = 0, e = envValue.size();
    while (b < e && envValue[b] == ' ') ++b;
    while (e > b && envValue[e - 1] == ' ') --e;
    if (e > b) return std::string(envValue.substr(b, e - b));
    return std::string(windowsDir.substr(0, 3)) + "Program Files";
}

}  // namespace vt
