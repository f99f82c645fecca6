#include "tasks/ScheduledTasks.h"

#include <algorithm>

#include "core/ScopeExit.h"
#include "platform/FileRemoval.h"
#include "platform/WinText.h"
#include "tasks/TaskService.h"
#include "tasks/pure/TaskNames.h"

namespace vt {

namespace {

using tasks::ActionFiles;
using tasks::BstrText;

// Turns definitions into entries and hands them to the sink.
class Reporter {
public:
    explicit Reporter(IScheduledTaskScanEvents* events) : events_(events) {}

    // False when the sink cancelled.
    bool Definition(const std::string& bytes, const std::string& path, const std::string& definitionFile) {
        const tasks::TaskXmlResult read = tasks::ReadTaskXml(bytes, path);
        if (!read.ok) return Unreadable(path, definitionFile, read.error);

        ScheduledTaskEntry e;
        // The place the task is registered at, not what its text says about itself.
        e.path = path;
        e.name = tasks::TaskLeafName(path);
        e.author = read.task.author;
        e.description = read.task.description;
        e.enabled = read.task.enabled;
        e.hidden = read.task.hidden;
        e.triggers = read.task.triggers;
        e.definitionFile = definitionFile;
        e.actions = static_cast<int32_t>(read.task.actions.size());
        if (read.task.actions.empty()) return Report(e);
        for (size_t i = 0; i < read.task.actions.size(); ++i) {
            const tasks::TaskAction& a = read.task.actions[i];
            ScheduledTaskEntry one = e;
            one.action = static_cast<int32_t>(i);
            one.kind = a.kind;
            one.command = a.command;
            one.arguments = a.arguments;
            one.workingDirectory = a.workingDirectory;
            one.classId = a.classId;
            if (a.kind == tasks::ActionKind::ComHandler) {
                const ActionFiles::Handler& h = files_.ComHandler(a.classId);
                one.handler = h.stored;
                one.file = h.file;
            } else if (a.kind == tasks::ActionKind::Exec) {
                one.file = files_.Program(a.command, a.workingDirectory);
            }
            one.commandLine = tasks::ActionCommandLine(a, one.handler);
            if (!Report(one)) return false;
        }
        return true;
    }

    bool Unreadable(const std::string& path, const std::string& definitionFile, const std::string& error) {
        ScheduledTaskEntry e;
        e.path = path;
        e.name = tasks::TaskLeafName(path);
        e.definitionFile = definitionFile;
        e.unreadable = true;
        e.error = error;
        return Report(e);
    }

private:
    bool Report(const ScheduledTaskEntry& e) {
        if (events_ == nullptr) return true;
        bool cancel = false;
        events_->CurrentTask(e, cancel);
        return !cancel;
    }

    IScheduledTaskScanEvents* events_;
    ActionFiles files_;
};

struct FolderItem {
    std::wstring name;
    bool folder;
};

// The names in a folder, files before folders, each in the order of their names.
std::vector<FolderItem> FolderItems(const std::wstring& folder) {
    std::vector<FolderItem> items;
    WIN32_FIND_DATAW fd;
    UniqueFindHandle find(::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch,
                                             nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return items;
    do {
        const wchar_t* n = fd.cFileName;
        if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
        const bool isFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // A link to a folder elsewhere would make the walk go round.
        if (isFolder && (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) continue;
        items.push_back({n, isFolder});
    } while (::FindNextFileW(find.get(), &fd));
    std::sort(items.begin(), items.end(), [](const FolderItem& a, const FolderItem& b) {
        if (a.folder != b.folder) return !a.folder;
        return ::_wcsicmp(a.name.c_str(), b.name.c_str()) < 0;
    });
    return items;
}

// The task files below `folder`; `relative` is its place below the tasks folder.
bool ScanFiles(Reporter& reporter, const std::wstring& folder, const std::string& relative) {
    for (const FolderItem& item : FolderItems(folder)) {
        const std::wstring full = folder + L"\\" + item.name;
        const std::string place = relative.empty() ? Narrow(item.name) : relative + "\\" + Narrow(item.name);
        if (item.folder) {
            if (!ScanFiles(reporter, full, place)) return false;
            continue;
        }
        const std::string path = tasks::TaskPathOfFile(place);
        std::string bytes, error;
        // The file's own name, without the long-path prefix.
        const std::string shown = Narrow(full.compare(0, 4, L"\\\\?\\") == 0 ? full.substr(4) : full);
        bool more = tasks::ReadTaskFile(full, bytes, error) ? reporter.Definition(bytes, path, shown)
                                                            : reporter.Unreadable(path, shown, error);
        if (!more) return false;
    }
    return true;
}

enum class Walk { Done, Cancelled, CannotList };

// The service's collections count their items from 1 and take the number as a VARIANT.
VARIANT ItemIndex(LONG i) {
    VARIANT index;
    ::VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = i;
    return index;
}

// The tasks of a folder of the service, then its subfolders.
Walk ScanServiceFolder(Reporter& reporter, ITaskFolder* folder) {
    ComPtr<IRegisteredTaskCollection> registered;
    LONG count = 0;
    if (FAILED(folder->GetTasks(TASK_ENUM_HIDDEN, registered.put())) || FAILED(registered->get_Count(&count)))
        return Walk::CannotList;
    for (LONG i = 1; i <= count; ++i) {
        const VARIANT index = ItemIndex(i);
        ComPtr<IRegisteredTask> task;
        if (FAILED(registered->get_Item(index, task.put()))) continue;
        UniqueBstr path, xml;
        if (FAILED(task->get_Path(path.put()))) continue;
        HRESULT hr = task->get_Xml(xml.put());
        bool more = SUCCEEDED(hr)
                        ? reporter.Definition(BstrText(xml.get()), BstrText(path.get()), {})
                        : reporter.Unreadable(BstrText(path.get()), {},
                                              "il servizio non d\xc3\xa0 la definizione: " + tasks::TaskErrorText(hr));
        if (!more) return Walk::Cancelled;
    }
    ComPtr<ITaskFolderCollection> folders;
    count = 0;
    if (FAILED(folder->GetFolders(0, folders.put())) || FAILED(folders->get_Count(&count))) return Walk::Done;
    for (LONG i = 1; i <= count; ++i) {
        const VARIANT index = ItemIndex(i);
        ComPtr<ITaskFolder> sub;
        if (FAILED(folders->get_Item(index, sub.put()))) continue;
        // A folder we may not list (another user's) is left out; the rest goes on.
        if (ScanServiceFolder(reporter, sub.get()) == Walk::Cancelled) return Walk::Cancelled;
    }
    return Walk::Done;
}

// Whether the service lists the tasks at all: under Wine it connects but every task
// collection answers E_NOTIMPL.
bool ServiceLists(ITaskFolder* root) {
    ComPtr<IRegisteredTaskCollection> registered;
    LONG count = 0;
    return SUCCEEDED(root->GetTasks(TASK_ENUM_HIDDEN, registered.put())) && SUCCEEDED(registered->get_Count(&count));
}

class Collector : public IScheduledTaskScanEvents {
public:
    std::vector<ScheduledTaskEntry> entries;
    void CurrentTask(const ScheduledTaskEntry& entry, bool&) override { entries.push_back(entry); }
};

}  // namespace

std::string DefaultTasksFolder() {
    const std::string windows = WindowsFolderPath();
    return windows.empty() ? std::string() : windows + "\\System32\\Tasks";
}

bool ScheduledTaskScan::Scan() {
    if (scanning_) return false;
    scanning_ = true;
    ScopeExit done([this] { scanning_ = false; });
    ComScope com;
    Reporter reporter(events_);

    if (source_ != TaskSource::Files) {
        ComPtr<ITaskService> service;
        ComPtr<ITaskFolder> root;
        UniqueBstr rootPath = tasks::MakeBstr("\\");
        if (SUCCEEDED(tasks::ConnectTaskService(service)) &&
            SUCCEEDED(service->GetFolder(rootPath.get(), root.put())) && ServiceLists(root.get())) {
            lastSource_ = TaskSource::Service;
            return ScanServiceFolder(reporter, root.get()) != Walk::Cancelled;
        }
        if (source_ == TaskSource::Service) {
            lastSource_ = TaskSource::Service;
            return false;
        }
    }
    lastSource_ = TaskSource::Files;
    const std::string folder = tasksFolder_.empty() ? DefaultTasksFolder() : tasksFolder_;
    if (folder.empty()) return true;
    std::wstring wide = tasks::LongPath(folder);
    while (!wide.empty() && wide.back() == L'\\') wide.pop_back();
    return ScanFiles(reporter, wide, {});
}

std::vector<ScheduledTaskEntry> ListScheduledTasks(TaskSource source, const std::string& tasksFolder) {
    Collector collector;
    ScheduledTaskScan scan(&collector);
    scan.Source(source);
    scan.TasksFolder(tasksFolder);
    scan.Scan();
    return std::move(collector.entries);
}

}  // namespace vt
