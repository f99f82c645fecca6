// Registry values as the registry editor's export files write them ("Windows Registry
// Editor Version 5.00", UTF-16), so that a value removed by the program can be imported
// back byte for byte; and the name of the day's backup file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vt::reg {

// One value as it is stored. Texts are UTF-8; `data` holds the stored bytes as the wide
// calls return them (UTF-16LE for the text types).
struct StoredValue {
    int32_t root = 0;     // a predefined root
    std::string key;      // below the root, without a leading "\"
    bool view32 = false;  // the 32-bit view of the registry
    std::string name;     // "" for the key's default value
    uint32_t type = 0;
    std::string data;
};

// UTF-8 to UTF-16; a malformed sequence becomes U+FFFD.
std::u16string Utf16FromUtf8(std::string_view s);

// The file's first lines, without the byte-order mark.
std::u16string RegFileHeader();

// The key line and the value line of one value, each ending with CR LF, and a blank line
// after them; `comment`, when given, goes on a ";" line before them. The 32-bit view of
// HKEY_LOCAL_MACHINE\Software is written where it is stored, below "Wow6432Node", so an
// import finds the same place. nullopt for a root the files cannot name, and for a key or
// value name holding a line break: a line of the file cannot carry one, and the import
// would read the rest of that name as lines of its own (keys and values nobody removed).
// A line break in the comment becomes a blank.
std::optional<std::u16string> RegFileEntry(const StoredValue& value, std::string_view comment = {});

// True when a key or value name fits on one line of the file.
bool FitsOnOneLine(std::string_view text);

// The value line alone ("name"=data), without its line end.
std::u16string RegValueLine(std::string_view name, uint32_t type, std::string_view data);

// "removed-YYYY-MM-DD.reg"
std::string BackupFileName(int year, int month, int day);

}  // namespace vt::reg
