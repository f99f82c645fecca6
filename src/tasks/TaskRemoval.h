// Removing a scheduled task, and switching one on or off. A removal saves the task's
// definition first to %LOCALAPPDATA%\Vantorile\Backup\<task name>-<date>.xml (UTF-16 with
// its byte-order mark, which the system's task tools import again): no copy, no removal.
// Tasks of Windows are never removed.
#pragma once

#include <string>

#include "tasks/ScheduledTasks.h"

namespace vt {

enum class TaskRemovalStatus {
    Removed,
    WindowsTask,  // a program of the task lies in the Windows folder: nothing was touched
    NotSaved,     // the definition could not be read or saved: nothing was deleted
    NotDeleted,   // saved, but the service did not delete the task
};

struct TaskRemovalResult {
    TaskRemovalStatus status = TaskRemovalStatus::NotSaved;
    std::string backupFile;  // the copy written ("" when none was)
    std::string reason;      // why not, in Italian, with the system's own words
};

// Removes the task the entry belongs to (all of its actions: the task goes whole). The
// definition is read again as the scan read it (the task file it came from, or the
// service's copy), judged by the Windows rule on its actions as they are now, saved, and
// the task deleted through the service.
TaskRemovalResult RemoveScheduledTask(const ScheduledTaskEntry& task);

struct TaskChangeResult {
    bool done = false;
    std::string reason;
};

// Switches the task on or off through the service and reads back that it took.
TaskChangeResult EnableScheduledTask(const std::string& path, bool enabled);

}  // namespace vt
