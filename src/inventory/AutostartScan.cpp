#include "inventory/AutostartScan.h"

#include <windows.h>

#include <algorithm>

#include "core/PathText.h"
#include "core/ScopeExit.h"
#include "core/SystemFiles.h"
#include "inventory/AutostartSystem.h"
#include "inventory/pure/AutostartPaths.h"
#include "inventory/pure/Rows.h"
#include "platform/ErrorBoundary.h"
#include "platform/FileRemoval.h"
#include "platform/Handles.h"
#include "platform/MessagePump.h"
#include "platform/RegistryViews.h"
#include "platform/WinText.h"
#include "registry/ValueBytes.h"

namespace vt {

namespace {

// A registry value read during a walk: its name, type and stored bytes.
struct NamedData {
    std::string name;
    DWORD type = 0;
    std::string data;
};

// The registry views a place is read in: the program's own and the other one of a 64-bit
// system where the place has a key in each; else the system's own view, the one its
// native programs read (the program's own view, unless it is itself a 32-bit program).
std::vector<int32_t> ViewsOf(const AutostartPlace& place) {
    if (!place.bothViews) return {ProgramRegistryView() == kRegistryView32 ? kRegistryView64 : kOwnRegistryView};
    const int32_t other = OtherRegistryView();
    if (other == kOwnRegistryView) return {kOwnRegistryView};
    return {kOwnRegistryView, other};
}

}  // namespace

class AutostartScan::Walk {
public:
    explicit Walk(AutostartScan& scan) : scan_(scan), windowsFolder_(WindowsFolderPath()) {}

    // Reads one line of the places; `listed` counts the rows it gave.
    void Place(size_t index);
    int64_t listed = 0;

private:
    // The yield between items; false once the scan has been stopped.
    bool Go() {
        DoEvents();
        return !scan_.cancel_;
    }
    void Services(size_t index, const AutostartPlace& place, bool drivers);
    void RegistryPlace(size_t index, const AutostartPlace& place);
    void ReadPlace(size_t index, const AutostartPlace& place, int32_t view, HKEY key);
    // The rows of one value: one for a command, one per program of a list.
    void ValueRows(size_t index, const AutostartPlace& place, int32_t view, const std::string& key,
                   const std::string& rowName, const std::string& valueName, const PlaceValue* value, DWORD type,
                   const std::string& data, bool disabled);
    // Every value of an open key, with a yield between them; false when stopped.
    bool ReadValues(HKEY key, std::vector<NamedData>& values);
    bool ReadSubkeyNames(HKEY key, std::vector<std::string>& names);
    void Emit(AutostartRow& row, const AutostartPlace& place, const PlaceValue* value, bool listItem);

    AutostartScan& scan_;
    std::string windowsFolder_;
};

void AutostartScan::Walk::Place(size_t index) {
    const AutostartPlace& place = AutostartPlaces()[index];
    switch (place.kind) {
    case PlaceKind::Services: Services(index, place, false); break;
    case PlaceKind::Drivers: Services(index, place, true); break;
    default: RegistryPlace(index, place); break;
    }
}

void AutostartScan::Walk::Emit(AutostartRow& row, const AutostartPlace& place, const PlaceValue* value, bool listItem) {
    row.lookupName = FileNamePart(row.file);
    row.impostor = IsImpostor(row.file, windowsFolder_);
    row.windowsEntry =
        IsWindowsEntry(place, value, listItem, row.command, row.file, windowsFolder_, &AutostartFileExists);
    ++listed;
    if (scan_.events_) scan_.events_->RowFound(row);
}

void AutostartScan::Walk::Services(size_t index, const AutostartPlace& place, bool drivers) {
    UniqueScHandle scm(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE));
    if (!scm) return;
    const std::vector<std::wstring> names = ServiceNames(scm.get(), drivers ? SERVICE_DRIVER : SERVICE_WIN32);
    ServiceConfigBuffer config;
    for (const std::wstring& wide : names) {
        if (!Go()) return;
        const QUERY_SERVICE_CONFIGW* c = config.Query(scm.get(), wide);
        if (!c || !IsAutostartType(c->dwStartType)) continue;
        AutostartRow row;
        row.name = Narrow(wide);
        row.command = c->lpBinaryPathName ? Narrow(c->lpBinaryPathName) : std::string();
        row.category = std::string(place.category);
        row.type = std::string(place.type);
        row.key = std::string(place.key) + "\\" + row.name;
        row.location = std::string(RootAbbreviation(place.root)) + "\\" + row.key;
        row.view = ViewName(kOwnRegistryView);
        row.file = ServiceFile(row.name, row.command, drivers, windowsFolder_);
        row.disabled = c->dwStartType == SERVICE_DISABLED;
        row.place = index;
        row.root = place.root;
        row.serviceName = row.name;
        row.startType = c->dwStartType;
        Emit(row, place, nullptr, false);
    }
}

void AutostartScan::Walk::RegistryPlace(size_t index, const AutostartPlace& place) {
    const std::vector<int32_t> views = ViewsOf(place);
    UniqueHKey own;
    for (size_t k = 0; k < views.size(); ++k) {
        if (!Go()) return;
        UniqueHKey key =
            OpenAutostartKey(place.root, std::string(place.key), views[k], KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
        if (!key) continue;
        // A key both views share was read already: its entries must not appear twice.
        if (k > 0 && own && SameRegistryKey(own.get(), key.get())) continue;
        ReadPlace(index, place, views[k], key.get());
        if (k == 0) own = std::move(key);
    }
}

bool AutostartScan::Walk::ReadValues(HKEY key, std::vector<NamedData>& values) {
    std::wstring name(256, L'\0');
    std::string data(1024, '\0');
    for (DWORD i = 0;;) {
        if (!Go()) return false;
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LSTATUS rc = ::RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type,
                                     reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (rc == ERROR_MORE_DATA) {
            // Either buffer may be short: the data's size is told, the name's is not.
            if (dataSize > data.size()) data.resize(dataSize);
            else if (name.size() < 32768) name.resize(name.size() * 2);
            else return true;
            continue;
        }
        if (rc != ERROR_SUCCESS) return true;
        values.push_back({Narrow(std::wstring_view(name.data(), nameLength)), type, data.substr(0, dataSize)});
        ++i;
    }
}

bool AutostartScan::Walk::ReadSubkeyNames(HKEY key, std::vector<std::string>& names) {
    // A key's name has at most 255 characters.
    std::wstring name(256, L'\0');
    for (DWORD i = 0;; ++i) {
        if (!Go()) return false;
        DWORD length = static_cast<DWORD>(name.size());
        if (::RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return true;
        names.push_back(Narrow(std::wstring_view(name.data(), length)));
    }
}

void AutostartScan::Walk::ReadPlace(size_t index, const AutostartPlace& place, int32_t view, HKEY key) {
    const std::string path(place.key);
    switch (place.kind) {
    case PlaceKind::Values: {
        const bool disabled = !place.switchValue.empty() && SwitchedOff(key, place.switchValue);
        for (const PlaceValue& v : place.values) {
            if (!Go()) return;
            DWORD type = 0;
            std::string data;
            if (QueryValueBytes(key, Widen(v.name), type, data) != ERROR_SUCCESS) continue;
            ValueRows(index, place, view, path, std::string(v.name), std::string(v.name), &v, type, data, disabled);
        }
        break;
    }
    case PlaceKind::AllValues: {
        std::vector<NamedData> values;
        if (!ReadValues(key, values)) return;
        for (const NamedData& v : values) {
            if (!Go()) return;
            ValueRows(index, place, view, path, v.name, v.name, nullptr, v.type, v.data, false);
        }
        break;
    }
    case PlaceKind::SubkeyValues: {
        std::vector<std::string> subkeys;
        if (!ReadSubkeyNames(key, subkeys)) return;
        for (const std::string& sub : subkeys) {
            if (!Go()) return;
            const std::string subPath = BuildPath(path, sub);
            UniqueHKey k = OpenAutostartKey(place.root, subPath, view, KEY_QUERY_VALUE);
            std::vector<NamedData> values;
            if (!k) continue;
            if (!ReadValues(k.get(), values)) return;
            for (const NamedData& v : values) {
                if (!Go()) return;
                ValueRows(index, place, view, subPath, v.name, v.name, nullptr, v.type, v.data, false);
            }
        }
        break;
    }
    case PlaceKind::SubkeyValue: {
        const PlaceValue& v = place.values.front();
        const std::wstring valueName = Widen(v.name);
        std::vector<std::string> subkeys;
        if (!ReadSubkeyNames(key, subkeys)) return;
        for (const std::string& sub : subkeys) {
            if (!Go()) return;
            const std::string subPath = BuildPath(path, sub);
            UniqueHKey k = OpenAutostartKey(place.root, subPath, view, KEY_QUERY_VALUE);
            if (!k) continue;
            DWORD type = 0;
            std::string data;
            if (QueryValueBytes(k.get(), valueName, type, data) != ERROR_SUCCESS) continue;
            std::string name = sub;
            if (place.titledSubkeys) {
                DWORD titleType = 0;
                std::string title;
                std::string text;
                if (QueryValueBytes(k.get(), L"", titleType, title) == ERROR_SUCCESS &&
                    RegistryText(titleType, title, text) && !text.empty())
                    name = text.substr(0, text.find('\0'));
            }
            const bool disabled = !place.switchValue.empty() && SwitchedOff(k.get(), place.switchValue);
            ValueRows(index, place, view, subPath, name, std::string(v.name), &v, type, data, disabled);
        }
        break;
    }
    case PlaceKind::Services:
    case PlaceKind::Drivers: break;
    }
}

void AutostartScan::Walk::ValueRows(size_t index, const AutostartPlace& place, int32_t view, const std::string& key,
                                    const std::string& rowName, const std::string& valueName, const PlaceValue* value,
                                    DWORD type, const std::string& data, bool disabled) {
    // The key's default value names no program here (RunOnceEx keeps a section's title in it).
    if (valueName.empty()) return;
    std::string text;
    if (!RegistryText(type, data, text)) return;
    AutostartRow base;
    base.name = rowName;
    base.category = std::string(place.category);
    base.type = std::string(place.type);
    base.key = key;
    base.location = std::string(RootAbbreviation(place.root)) + "\\" + key;
    base.view = ViewName(view);
    base.disabled = disabled;
    base.place = index;
    base.root = place.root;
    base.registryView = view;
    base.valueName = valueName;
    base.valueType = type;
    const ListForm form = value ? value->list : ListForm::None;
    if (form == ListForm::None) {
        // A list of strings where one command is expected: the system reads the first.
        text.resize(std::min(text.size(), text.find('\0')));
        if (text.find_first_not_of(" \t") == std::string::npos) return;
        base.command = text;
        base.file = AutostartEntryFile(value, text, windowsFolder_);
        Emit(base, place, value, false);
        return;
    }
    const std::vector<ListItem> items = SplitListValue(text, form);
    for (size_t i = 0; i < items.size(); ++i) {
        if (IsDefaultItem(items[i].text, value->defaultItem)) continue;
        if (i > 0 && !Go()) return;
        AutostartRow row = base;
        row.command = items[i].text;
        row.listIndex = static_cast<int32_t>(i);
        row.file = AutostartEntryFile(value, items[i].text, windowsFolder_);
        Emit(row, place, value, true);
    }
}

AutostartScan::AutostartScan(IAutostartScanEvents* events) : events_(events) {}

void AutostartScan::BeginScanning() {
    if (scanning_) return;
    scanning_ = true;
    cancel_ = false;
    ScopeExit ended([this]() noexcept { scanning_ = false; });
    Walk walk(*this);
    const std::vector<AutostartPlace>& places = AutostartPlaces();
    for (size_t i = 0; i < places.size() && !cancel_; ++i) {
        walk.listed = 0;
        // Each place on its own: one that fails leaves the others to run, and its count
        // is still told.
        Guarded("autostart place scan", [&] { walk.Place(i); });
        Guarded("autostart place count", [&] {
            if (events_) events_->Counted(walk.listed);
        });
    }
}

std::vector<AutostartRow> CollectAutostartRows() {
    class Collector : public IAutostartScanEvents {
    public:
        std::vector<AutostartRow> rows;
        void RowFound(const AutostartRow& row) override { rows.push_back(row); }
        void Counted(int64_t) override {}
    } collector;
    AutostartScan scan(&collector);
    scan.BeginScanning();
    return std::move(collector.rows);
}

std::string AutostartEntryFile(const PlaceValue* value, const std::string& command, const std::string& windowsFolder) {
    const std::string expanded = ExpandedText(command);
    switch (value ? value->list : ListForm::None) {
    case ListForm::BlanksOrCommas: return LibraryFile(expanded, windowsFolder);
    case ListForm::MultiString: return BootProgramFile(expanded, windowsFolder);
    case ListForm::None:
    case ListForm::Commas: break;
    }
    return CommandProgramFile(expanded, windowsFolder, &AutostartFileExists);
}

std::string ServiceFile(const std::string& serviceName, const std::string& imagePath, bool driver,
                        const std::string& windowsFolder) {
    const std::string image = ExpandedText(imagePath);
    if (image.find_first_not_of(" \t") == std::string::npos) {
        // A driver without an image path is loaded from the drivers folder by its name.
        return driver && !windowsFolder.empty() ? BuildPath(windowsFolder, "System32\\drivers\\" + serviceName + ".sys")
                                                : std::string();
    }
    std::string file = ImageProgramPath(image, windowsFolder, &AutostartFileExists);
    if (driver || !IsSharedServiceHost(image, file)) return file;
    // The host runs the library the service names, where the system looks for it first.
    const std::string key = BuildPath(kServicesKey, serviceName);
    for (const std::string& path : {BuildPath(key, "Parameters"), key}) {
        UniqueHKey k = OpenAutostartKey(kRootLocalMachine, path, kOwnRegistryView, KEY_QUERY_VALUE);
        DWORD type = 0;
        std::string data, text;
        if (!k || QueryValueBytes(k.get(), L"ServiceDll", type, data) != ERROR_SUCCESS) continue;
        if (!RegistryText(type, data, text) || text.find_first_not_of(" \t") == std::string::npos) continue;
        return LibraryFile(ExpandedText(text.substr(0, text.find('\0'))), windowsFolder);
    }
    return file;
}

}  // namespace vt
