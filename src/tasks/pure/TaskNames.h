// Names around a scheduled task: its path and the folder it is registered in, the command
// its row shows, the file its definition is saved to before removal, and whether it belongs
// to Windows, which the removal never touches.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tasks/pure/TaskXml.h"

namespace vt::tasks {

// "\Vendor\Updater" -> "Updater"; a path without "\" is its own name.
std::string TaskLeafName(std::string_view path);
// "\Vendor\Updater" -> "\Vendor"; "\Updater" -> "\".
std::string TaskFolderPath(std::string_view path);
// A task file's place below the tasks folder ("Vendor\Updater", "/" taken as "\") as the
// task's path ("\Vendor\Updater").
std::string TaskPathOfFile(std::string_view relative);

// What a row shows as an action's command: an Exec action's command and arguments as
// stored, one blank between; a ComHandler's file as the registry names it, or its class
// identifier when no file is registered; "" for other actions.
std::string ActionCommandLine(const TaskAction& action, std::string_view handlerFile);

// A task name as a file name: characters no file name may hold become "_", trailing blanks
// and dots go, a device name (CON, NUL, COM1 ...) gets a leading "_", and the length is
// kept to 120 bytes without cutting a character. "attivita" when nothing is left.
std::string SafeFileName(std::string_view name);
// "<safe task name>-YYYY-MM-DD.xml", or "...-YYYY-MM-DD-N.xml" for the Nth file of that
// name on that day (counter 2 and up).
std::string BackupFileName(std::string_view taskName, int year, int month, int day, int counter = 1);

// An action's program with the environment's variables expanded, and its arguments so.
struct ActionProgram {
    std::string file;
    std::string arguments;
};
// Whether the task belongs to Windows: one of its programs lies in the Windows folder and
// is not a script or library host of the system that starts a file outside it.
bool IsWindowsTask(const std::vector<ActionProgram>& programs, std::string_view windowsFolder);

}  // namespace vt::tasks
