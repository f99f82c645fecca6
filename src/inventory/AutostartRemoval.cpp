#include "inventory/AutostartRemoval.h"

#include <windows.h>

#include "core/PathText.h"
#include "inventory/AutostartScan.h"
#include "inventory/AutostartSystem.h"
#include "inventory/pure/AutostartPaths.h"
#include "inventory/pure/AutostartPlaces.h"
#include "platform/FileRemoval.h"
#include "platform/RegistryViews.h"
#include "platform/WinText.h"
#include "registry/RegistryBackup.h"
#include "registry/ValueBytes.h"

namespace vt {

namespace {

RemovalResult Outcome(RemovalOutcome outcome, std::string reason = {}, std::string file = {}) {
    return RemovalResult{outcome, std::move(reason), std::move(file)};
}

RemovalResult Refused(DWORD error) { return Outcome(RemovalOutcome::ChangeFailed, SystemErrorText(error)); }

// The file made full and long by the system, so a short name of the Windows folder's
// files cannot pass for a file elsewhere; a bare name stays as it is.
std::string SystemPath(const std::string& file) { return GetFolderPath(file).empty() ? file : FullFilePath(file); }

// Saves the value as it is now; a result other than Done means nothing may change.
RemovalResult SaveFirst(int32_t root, const std::string& key, int32_t view, const std::string& name) {
    std::string file, reason;
    switch (BackupRegistryValue(root, key, Is32BitView(view), name, file, reason)) {
    case BackupResult::Saved: return Outcome(RemovalOutcome::Done, {}, file);
    case BackupResult::Missing: return Outcome(RemovalOutcome::Changed, reason, file);
    case BackupResult::Failed: break;
    }
    return Outcome(RemovalOutcome::BackupFailed, reason, file);
}

// The system's value as the value's type stores it: a plain text cannot carry a variable.
std::string SystemValueText(DWORD type, std::string_view systemValue, const std::string& windowsFolder) {
    return type == REG_EXPAND_SZ ? std::string(systemValue) : ExpandSystemRoot(systemValue, windowsFolder);
}

RemovalResult DisableService(const AutostartRow& row, const AutostartPlace& place, const std::string& windowsFolder) {
    UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return Refused(::GetLastError());
    UniqueScHandle service(
        ::OpenServiceW(manager.get(), Widen(row.serviceName).c_str(), SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG));
    if (!service) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_SERVICE_DOES_NOT_EXIST) return Outcome(RemovalOutcome::Changed);
        return Refused(error);
    }
    ServiceConfigBuffer buffer;
    const QUERY_SERVICE_CONFIGW* config = buffer.Query(service.get());
    if (!config) return Refused(::GetLastError());
    const std::string command = config->lpBinaryPathName ? Narrow(config->lpBinaryPathName) : std::string();
    if (command != row.command) return Outcome(RemovalOutcome::Changed);
    // Judged on what the service runs now, not on what the list once read.
    const std::string file = ServiceFile(row.serviceName, command, place.kind == PlaceKind::Drivers, windowsFolder);
    if (IsWindowsEntry(place, nullptr, false, command, SystemPath(file), windowsFolder, &AutostartFileExists))
        return Outcome(RemovalOutcome::WindowsEntry);
    if (config->dwStartType == SERVICE_DISABLED) return Outcome(RemovalOutcome::Done);

    // The start type lives in the service's key as "Start": saved there, an import of the
    // backup puts the old start type back.
    const std::string key = std::string(kServicesKey) + "\\" + row.serviceName;
    RemovalResult saved = SaveFirst(kRootLocalMachine, key, kOwnRegistryView, "Start");
    if (saved.outcome == RemovalOutcome::Changed) {
        // The service is there and its start type is not: nothing could bring it back.
        saved.outcome = RemovalOutcome::BackupFailed;
    }
    if (saved.outcome != RemovalOutcome::Done) return saved;
    if (!::ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, SERVICE_DISABLED, SERVICE_NO_CHANGE, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr)) {
        RemovalResult failed = Refused(::GetLastError());
        failed.backupFile = saved.backupFile;
        return failed;
    }
    return saved;
}

RemovalResult RemoveValue(const AutostartRow& row, const AutostartPlace& place, const std::string& windowsFolder) {
    const PlaceValue* value =
        place.kind == PlaceKind::SubkeyValue ? &place.values.front() : FindPlaceValue(place, row.valueName);
    UniqueHKey key = OpenAutostartKey(row.root, row.key, row.registryView, KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (!key) {
        UniqueHKey readable = OpenAutostartKey(row.root, row.key, row.registryView, KEY_QUERY_VALUE);
        return readable ? Refused(ERROR_ACCESS_DENIED) : Outcome(RemovalOutcome::Changed);
    }
    const std::wstring name = Widen(row.valueName);
    DWORD type = 0;
    std::string data, text;
    if (QueryValueBytes(key.get(), name, type, data) != ERROR_SUCCESS || !RegistryText(type, data, text))
        return Outcome(RemovalOutcome::Changed);

    const ListForm form = value ? value->list : ListForm::None;
    const bool listItem = form != ListForm::None;
    std::string command = text;
    std::string replacement;  // the value's new text, when it is not deleted
    bool keep = false;
    if (!listItem) {
        command.resize(std::min(command.size(), command.find('\0')));
        if (value && !value->systemValue.empty()) {
            replacement = SystemValueText(type, value->systemValue, windowsFolder);
            keep = true;
        }
    } else {
        const std::vector<ListItem> items = SplitListValue(text, form);
        if (row.listIndex < 0 || static_cast<size_t>(row.listIndex) >= items.size())
            return Outcome(RemovalOutcome::Changed);
        command = items[static_cast<size_t>(row.listIndex)].text;
        replacement = RemoveListItem(text, form, static_cast<size_t>(row.listIndex));
        // A list without programs is the system's value again where it has one: Windows
        // cannot sign in with an empty Userinit.
        if (SplitListValue(replacement, form).empty() && !value->systemValue.empty())
            replacement = SystemValueText(type, value->systemValue, windowsFolder);
        keep = true;
    }
    if (command != row.command) return Outcome(RemovalOutcome::Changed);
    const std::string file = AutostartEntryFile(value, command, windowsFolder);
    if (IsWindowsEntry(place, value, listItem, command, SystemPath(file), windowsFolder, &AutostartFileExists))
        return Outcome(RemovalOutcome::WindowsEntry);

    RemovalResult saved = SaveFirst(row.root, row.key, row.registryView, row.valueName);
    if (saved.outcome != RemovalOutcome::Done) return saved;
    LSTATUS rc = ERROR_SUCCESS;
    if (keep) {
        const std::string bytes = RegistryBytes(type, replacement);
        rc = ::RegSetValueExW(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                              static_cast<DWORD>(bytes.size()));
    } else {
        rc = ::RegDeleteValueW(key.get(), name.c_str());
    }
    if (rc != ERROR_SUCCESS) {
        RemovalResult failed = Refused(static_cast<DWORD>(rc));
        failed.backupFile = saved.backupFile;
        return failed;
    }
    return saved;
}

}  // namespace

RemovalResult RemoveAutostartEntry(const AutostartRow& row) {
    const std::vector<AutostartPlace>& places = AutostartPlaces();
    if (row.place >= places.size()) return Outcome(RemovalOutcome::Changed);
    const AutostartPlace& place = places[row.place];
    const std::string windowsFolder = WindowsFolderPath();
    if (place.kind == PlaceKind::Services || place.kind == PlaceKind::Drivers) {
        if (row.serviceName.empty()) return Outcome(RemovalOutcome::Changed);
        return DisableService(row, place, windowsFolder);
    }
    if (row.key.empty() || row.valueName.empty()) return Outcome(RemovalOutcome::Changed);
    return RemoveValue(row, place, windowsFolder);
}

std::string RemovalMessage(const AutostartRow& row, const RemovalResult& result) {
    switch (result.outcome) {
    case RemovalOutcome::Done: return {};
    case RemovalOutcome::WindowsEntry: return std::string(kWindowsEntryText);
    case RemovalOutcome::Changed: return EntryChangedText(row.name);
    case RemovalOutcome::BackupFailed: return BackupFailedText(row.name, result.backupFile, result.reason);
    case RemovalOutcome::ChangeFailed: break;
    }
    return ChangeFailedText(row.name, result.reason);
}

}  // namespace vt
