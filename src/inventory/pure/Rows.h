// The rows the two lists show, as data: what the process panel and the startup panel
// display and what the console program writes, so both read one collection.
#pragma once

#include <cstdint>
#include <string>

namespace vt {

struct ProcessRow {
    std::string name;    // the executable's file name
    std::string folder;  // its folder ending in "\", or "SYSTEM" when the path cannot be read
    std::string path;    // folder + name; "" for a "SYSTEM" row, which names no file
    int32_t pid = 0;
    bool system = false;  // the row of a process whose path cannot be read
    int32_t grade = 0;
    bool lookup = true;     // false: the grade is fixed and the service is not asked
    bool impostor = false;  // a system program's name on a file outside the Windows folder
};

struct StartupRow {
    std::string name;             // the value's name or the file's name
    std::string command;          // the command line as stored, the shortcut's target, or the file's name
    std::string code;             // the startup entry code ("CUR", "UST" ...)
    std::string location;         // "HKCU\Software\...\Run" or the startup folder
    std::string view = "native";  // the registry view the entry was read through: "native" or "32"
    bool disabled = false;
    int32_t grade = 0;
    std::string lookupName;  // the bare file name the reputation service is asked about
    bool impostor = false;   // the program it starts has a system program's name outside the Windows folder
};

// True for an entry of a startup folder (codes UST and CST), false for a registry value.
bool IsFolderEntry(const StartupRow& row);

// The file a startup entry makes the system run: a registry value's program, a shortcut's
// target, or a startup folder's plain file itself.
std::string StartupProgramPath(const StartupRow& row);

// The process panel's row for one event of the process scanner.
ProcessRow MakeProcessRow(const std::string& file, const std::string& path, int32_t id);

// The word for a reliability grade: none, safe, infected, target, unknown.
const char* VerdictWord(int32_t grade);

// A row's registry view as the rows name it: "native" for the program's own (0), else
// the view's number ("32", or "64" for a 32-bit build).
std::string ViewName(int32_t view);

// "HKCU", "HKLM", "HKCR", "HKU" for a predefined root, "" for any other.
const char* RootAbbreviation(int32_t root);

}  // namespace vt
