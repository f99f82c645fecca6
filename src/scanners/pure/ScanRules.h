// Text rules shared by the registry and folder scanners: pattern lists, key clean-up,
// the depth and key-filter test, the predefined registry locations and the 16-bit
// depth arithmetic. No Windows calls, so all of it is tested natively.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vt::scan {

// Registry roots as the scanners hold them (32-bit signed, sign-extended into an HKEY).
inline constexpr int32_t kHkeyClassesRoot = static_cast<int32_t>(0x80000000u);
inline constexpr int32_t kHkeyCurrentUser = static_cast<int32_t>(0x80000001u);
inline constexpr int32_t kHkeyLocalMachine = static_cast<int32_t>(0x80000002u);

// Lowers the text (every script) and splits it at every "|". "" gives an empty list; "a|" gives
// {"a", ""}, and the empty pattern matches only the empty name.
std::vector<std::string> SplitPatterns(std::string_view text);
std::string JoinPatterns(const std::vector<std::string>& patterns);

// True when the name matches one of the patterns, ignoring letter case in every script.
bool MatchesAny(std::string_view name, const std::vector<std::string>& patterns);

// Collapses doubled backslashes, then drops one trailing and one leading backslash.
void ValidateKey(std::string& key);

// "a\b\c" -> {"a\b", "c"}; "c" -> {"", "c"}.
std::pair<std::string, std::string> SplitKeyPath(std::string_view path);

// Parent and child joined with one "\"; the child alone below the root ("").
std::string JoinKeyPath(std::string_view parent, std::string_view name);

// Folder joining: one "\" between parent and name, none added when the parent already
// ends with one (a drive root such as "C:\").
std::string JoinFolderPath(std::string_view parent, std::string_view name);

// The depth against which a start folder's children are measured: a trailing "\" (as in
// "C:\") does not add a level, so the children of "C:\" and of "C:" are both one below.
long FolderBaseDepth(std::string_view startPath);

// The 16-bit depth the scanners keep; nullopt when the value has no room in it.
std::optional<int16_t> ToDepth(long depth);

// Adds one to a 32-bit count; false (count unchanged) when it would overflow.
bool CheckedIncrement(int32_t& count);

// The walk's gate for one path: skipped when deeper than the limit (0: none), or when the
// key filter is on, the path is exactly one level below the start and its last component
// matches no key pattern. Deeper paths are not filtered: their parent has passed.
bool PassesDepthAndKeyFilter(std::string_view path, long baseDepth, int16_t depthLimit,
                             const std::vector<std::string>* keyPatterns);

// The folder scanner's depth gate alone.
bool WithinDepth(long pathDepth, long baseDepth, int16_t depthLimit);

struct Location {
    int32_t root;
    std::string path;
    int32_t view = 0;  // a registry view of its own (32 or 64); 0: the scan's view
};
// The predefined location sets 0 to 8, in scan order; an empty list for any other number.
// With otherView (the view a 64-bit system keeps apart from the program's own), set 7 is
// followed by its eight keys once more in that view.
std::vector<Location> LocationSet(int32_t number, int32_t otherView = 0);
// Key patterns that set 2 scans with: the names beginning with "." and the root itself.
inline constexpr const char* kExtensionKeysFilter = ".*|";

// A filter text that is empty or only blanks stands for every file.
std::string NormaliseFileFilter(std::string_view text);

// A start path of one character is a drive letter: "c" -> "c:".
std::string NormaliseStartPath(std::string_view text);

// Attribute filter: the default value (39) lets every file through; a changed value keeps
// only files that share at least one attribute bit with it.
inline constexpr int32_t kDefaultAttributes = 39;
bool PassesAttributes(int32_t attributes, uint32_t fileAttributes);

std::string TrimBlanks(std::string_view s);

}  // namespace vt::scan
