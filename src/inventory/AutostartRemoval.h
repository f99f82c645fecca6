// Removing an entry of the other autostart places, safely: every change is first saved to
// the day's backup file of removed values (no copy, no change); a value is deleted, a
// list loses that one program, Winlogon's Shell and Userinit get the system's value back,
// a service is disabled (never deleted); Windows' own entries are refused. The window
// asks its questions first (AutostartRemovalQuestion); this changes the registry alone.
#pragma once

#include <string>

#include "inventory/pure/AutostartRows.h"

namespace vt {

enum class RemovalOutcome {
    Done,          // the entry starts nothing any more (or a service was already disabled)
    WindowsEntry,  // refused: Windows' own entry; nothing changed
    Changed,       // the entry is gone or no longer what the row shows; nothing changed
    BackupFailed,  // no copy could be saved; nothing changed
    ChangeFailed,  // the copy was saved and the system refused the change
};

struct RemovalResult {
    RemovalOutcome outcome = RemovalOutcome::ChangeFailed;
    std::string reason;      // why, in Italian (the system's text for a refused change)
    std::string backupFile;  // the backup file written, or that would have been
};

RemovalResult RemoveAutostartEntry(const AutostartRow& row);

// The message the window shows for a result ("" for Done).
std::string RemovalMessage(const AutostartRow& row, const RemovalResult& result);

// The question before a removal: disabling for a service or a driver, removing otherwise.
inline std::string AutostartRemovalQuestion(const AutostartRow& row) {
    return row.serviceName.empty() ? RemoveEntryQuestion(row.name) : DisableServiceQuestion(row.name);
}

}  // namespace vt
