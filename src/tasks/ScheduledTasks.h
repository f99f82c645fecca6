// The scheduled tasks of the computer, one entry per action, read through the task service
// or, where it cannot list them, from the task files under %SystemRoot%\System32\Tasks;
// both through the one reader of task definitions. Entries go to a sink one at a time, so
// a scan can yield to the message loop between them and be cancelled.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tasks/pure/TaskXml.h"

namespace vt {

// One action of a scheduled task: a task with several actions gives several entries, one
// without actions a single entry without a command. A task whose definition cannot be
// read gives one entry named after its file, `unreadable`, without a command.
struct ScheduledTaskEntry {
    std::string path;  // where the task is registered: "\Vendor\Updater"
    std::string name;  // its last part: "Updater"
    std::string author, description;
    bool enabled = true;
    bool hidden = false;
    std::vector<tasks::TriggerKind> triggers;

    tasks::ActionKind kind = tasks::ActionKind::Other;
    int32_t action = 0;   // the action's place among the task's, from 0
    int32_t actions = 0;  // how many actions the task has
    // An Exec action's texts as stored.
    std::string command, arguments, workingDirectory;
    // A ComHandler's class, and its InprocServer32 as the registry holds it ("" when the
    // class is not registered).
    std::string classId, handler;
    // What the row shows: the command and its arguments as stored, or the handler's file.
    std::string commandLine;
    // The file the action starts (the handler's library for a ComHandler), variables
    // expanded, a bare program name found along the search path; "" when there is none.
    std::string file;

    // The task file the definition was read from; "" when the task service gave it.
    std::string definitionFile;
    bool unreadable = false;
    std::string error;  // why, in Italian, when unreadable
};

enum class TaskSource {
    Automatic,  // the task service, or the task files when it cannot list the tasks
    Service,
    Files,
};

class IScheduledTaskScanEvents {
public:
    virtual ~IScheduledTaskScanEvents() = default;
    // One entry; setting `cancel` ends the scan after it.
    virtual void CurrentTask(const ScheduledTaskEntry& entry, bool& cancel) = 0;
};

class ScheduledTaskScan {
public:
    explicit ScheduledTaskScan(IScheduledTaskScanEvents* events) : events_(events) {}

    TaskSource Source() const { return source_; }
    void Source(TaskSource source) { source_ = source; }
    // The folder of the task files; "" for %SystemRoot%\System32\Tasks.
    const std::string& TasksFolder() const { return tasksFolder_; }
    void TasksFolder(const std::string& folder) { tasksFolder_ = folder; }

    // Reports every entry to the sink, folder by folder from "\" down, a folder's tasks
    // before its subfolders. False when the sink cancelled, when the service was asked
    // for alone and could not list the tasks, or when a scan is already running (a sink
    // that yields to the message loop can be called back into).
    bool Scan();
    bool Scanning() const { return scanning_; }
    // How the last scan read the definitions: Service or Files.
    TaskSource LastSource() const { return lastSource_; }

private:
    IScheduledTaskScanEvents* events_;
    TaskSource source_ = TaskSource::Automatic;
    TaskSource lastSource_ = TaskSource::Automatic;
    std::string tasksFolder_;
    bool scanning_ = false;
};

// Every entry at once, for callers that need no yield (the console program, tests).
std::vector<ScheduledTaskEntry> ListScheduledTasks(TaskSource source = TaskSource::Automatic,
                                                   const std::string& tasksFolder = "");

// %SystemRoot%\System32\Tasks, "" when the system names no Windows folder.
std::string DefaultTasksFolder();

}  // namespace vt
