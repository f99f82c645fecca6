#include "inventory/pure/Rows.h"

#include "core/PathText.h"

namespace vt {

ProcessRow MakeProcessRow(const std::string& file, const std::string& path, int32_t id) {
    ProcessRow row;
    row.name = file;
    row.folder = path;
    row.pid = id;
    row.system = path == "SYSTEM";
    if (!row.system) row.path = path + file;
    // The idle process has no file the service could judge.
    if (file == "[System Process]") {
        row.grade = 1;
        row.lookup = false;
    }
    return row;
}

std::string ViewName(int32_t view) { return view == 0 ? "native" : std::to_string(view); }

bool IsFolderEntry(const StartupRow& row) { return row.code == "UST" || row.code == "CST"; }

std::string StartupProgramPath(const StartupRow& row) {
    if (!IsFolderEntry(row)) return GetCommandProgramPath(StripQuotes(row.command));
    // A folder's plain file lists its own name as the command, without a folder.
    return GetFolderPath(row.command).empty() ? row.location + "\\" + row.name : row.command;
}

const char* VerdictWord(int32_t grade) {
    switch (grade) {
    case 1: return "safe";
    case 2: return "infected";
    case 3: return "target";
    case 4: return "unknown";
    default: return "none";
    }
}

const char* RootAbbreviation(int32_t root) {
    switch (static_cast<uint32_t>(root)) {
    case 0x80000000u: return "HKCR";
    case 0x80000001u: return "HKCU";
    case 0x80000002u: return "HKLM";
    case 0x80000003u: return "HKU";
    default: return "";
    }
}

}  // namespace vt
