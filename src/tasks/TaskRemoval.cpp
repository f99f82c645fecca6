#include "tasks/TaskRemoval.h"

#include <shlobj.h>

#include "platform/FileRemoval.h"
#include "platform/WinText.h"
#include "registry/RegistryBackup.h"
#include "tasks/TaskService.h"
#include "tasks/pure/TaskNames.h"

namespace vt {

namespace {

using tasks::BstrText;
using tasks::MakeBstr;
using tasks::TaskErrorText;

HRESULT GetRegisteredTask(ITaskService* service, const std::string& path, ComPtr<IRegisteredTask>& task) {
    ComPtr<ITaskFolder> folder;
    UniqueBstr folderPath = MakeBstr(tasks::TaskFolderPath(path));
    HRESULT hr = service->GetFolder(folderPath.get(), folder.put());
    if (FAILED(hr)) return hr;
    UniqueBstr name = MakeBstr(tasks::TaskLeafName(path));
    return folder->GetTask(name.get(), task.put());
}

// The definition as the scan read it: the task file's bytes, or the service's text as
// UTF-16 LE with its mark.
bool ReadDefinition(const ScheduledTaskEntry& task, std::string& bytes, std::string& reason) {
    if (!task.definitionFile.empty()) {
        if (tasks::ReadTaskFile(tasks::LongPath(task.definitionFile), bytes, reason)) return true;
        reason = "impossibile leggere la definizione " + task.definitionFile + ": " + reason;
        return false;
    }
    ComPtr<ITaskService> service;
    ComPtr<IRegisteredTask> registered;
    UniqueBstr xml;
    HRESULT hr = tasks::ConnectTaskService(service);
    if (SUCCEEDED(hr)) hr = GetRegisteredTask(service.get(), task.path, registered);
    if (SUCCEEDED(hr)) hr = registered->get_Xml(xml.put());
    if (FAILED(hr)) {
        reason = "impossibile leggere la definizione dal servizio: " + TaskErrorText(hr);
        return false;
    }
    bytes.assign("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(xml.get()), ::SysStringByteLen(xml.get()));
    return true;
}

bool SameFileBytes(const std::wstring& path, const std::string& expected) {
    std::string bytes, error;
    return tasks::ReadTaskFile(path, bytes, error) && bytes == expected;
}

// Writes the copy under a name no other file has; the path written, or "" with the reason.
std::string SaveCopy(const std::string& taskName, const std::string& bytes, std::string& reason) {
    const std::string folder = BackupFolder();
    if (folder.empty()) {
        reason = "il sistema non indica la cartella dei dati locali delle applicazioni";
        return {};
    }
    int made = ::SHCreateDirectoryExW(nullptr, Widen(folder).c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) {
        reason = "impossibile creare la cartella " + folder + ": " + SystemErrorText(static_cast<DWORD>(made));
        return {};
    }
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    for (int counter = 1; counter <= 1000; ++counter) {
        std::string file = folder + "\\" + tasks::BackupFileName(taskName, now.wYear, now.wMonth, now.wDay, counter);
        const std::wstring wide = tasks::LongPath(file);
        UniqueFileHandle out(::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) {
            DWORD error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            reason = "impossibile creare il file " + file + ": " + SystemErrorText(error);
            return {};
        }
        DWORD written = 0;
        bool ok = bytes.size() <= 0xFFFFFFFFu &&
                  ::WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size() && ::FlushFileBuffers(out.get());
        DWORD error = ok ? 0 : ::GetLastError();
        out.reset();
        // What is on the disk is what will be restored: read it back before anything goes.
        if (ok && SameFileBytes(wide, bytes)) return file;
        reason = "impossibile scrivere il file " + file + (error ? ": " + SystemErrorText(error) : std::string());
        ::DeleteFileW(wide.c_str());
        return {};
    }
    reason = "troppe copie con lo stesso nome in " + folder;
    return {};
}

}  // namespace

TaskRemovalResult RemoveScheduledTask(const ScheduledTaskEntry& task) {
    ComScope com;
    TaskRemovalResult result;
    std::string bytes;
    if (!ReadDefinition(task, bytes, result.reason)) return result;

    // A copy that cannot be put back is no copy: a definition the reader cannot read is
    // not one the system can import either.
    const tasks::TaskXmlResult read = tasks::ReadTaskXml(bytes, task.path);
    if (!read.ok) {
        result.reason = "la definizione non si pu\xc3\xb2 leggere (" + read.error + ")";
        return result;
    }
    tasks::ActionFiles files;
    std::vector<tasks::ActionProgram> programs;
    for (const tasks::TaskAction& a : read.task.actions) programs.push_back(files.ProgramOf(a));
    if (tasks::IsWindowsTask(programs, WindowsFolderPath())) {
        result.status = TaskRemovalStatus::WindowsTask;
        result.reason = "l'attivit\xc3\xa0 avvia un programma di Windows";
        return result;
    }

    result.backupFile = SaveCopy(tasks::TaskLeafName(task.path), tasks::TaskXmlForBackup(bytes), result.reason);
    if (result.backupFile.empty()) return result;

    result.status = TaskRemovalStatus::NotDeleted;
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> folder;
    HRESULT hr = tasks::ConnectTaskService(service);
    if (SUCCEEDED(hr)) {
        UniqueBstr folderPath = MakeBstr(tasks::TaskFolderPath(task.path));
        hr = service->GetFolder(folderPath.get(), folder.put());
    }
    if (SUCCEEDED(hr)) {
        UniqueBstr name = MakeBstr(tasks::TaskLeafName(task.path));
        hr = folder->DeleteTask(name.get(), 0);
    }
    if (FAILED(hr)) {
        result.reason = "il servizio non ha eliminato l'attivit\xc3\xa0: " + TaskErrorText(hr);
        return result;
    }
    result.status = TaskRemovalStatus::Removed;
    result.reason.clear();
    return result;
}

TaskChangeResult EnableScheduledTask(const std::string& path, bool enabled) {
    ComScope com;
    TaskChangeResult result;
    ComPtr<ITaskService> service;
    ComPtr<IRegisteredTask> task;
    HRESULT hr = tasks::ConnectTaskService(service);
    if (SUCCEEDED(hr)) hr = GetRegisteredTask(service.get(), path, task);
    if (SUCCEEDED(hr)) hr = task->put_Enabled(enabled ? VARIANT_TRUE : VARIANT_FALSE);
    if (FAILED(hr)) {
        result.reason = TaskErrorText(hr);
        return result;
    }
    // A fresh look at the task: the service may accept the call and change nothing.
    ComPtr<IRegisteredTask> again;
    VARIANT_BOOL now = VARIANT_FALSE;
    hr = GetRegisteredTask(service.get(), path, again);
    if (SUCCEEDED(hr)) hr = again->get_Enabled(&now);
    if (FAILED(hr)) {
        result.reason = "impossibile verificare la modifica: " + TaskErrorText(hr);
        return result;
    }
    if ((now != VARIANT_FALSE) != enabled) {
        result.reason = "il servizio ha accettato la modifica ma l'attivit\xc3\xa0 \xc3\xa8 rimasta " +
                        std::string(enabled ? "disattivata" : "attiva");
        return result;
    }
    result.done = true;
    return result;
}

}  // namespace vt
