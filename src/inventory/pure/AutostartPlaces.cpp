#include "inventory/pure/AutostartPlaces.h"

#include "core/SystemFiles.h"
#include "core/Wildcard.h"
#include "inventory/pure/AutostartPaths.h"

namespace vt {

namespace {

constexpr std::string_view kWinlogonKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr std::string_view kPoliciesRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
constexpr std::string_view kImageOptionsKey =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options";
constexpr std::string_view kWindowsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr std::string_view kCommandProcessorKey = "Software\\Microsoft\\Command Processor";

std::string Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return std::string(s);
}

bool SameFile(std::string_view a, std::string_view b) {
    return !a.empty() && LowerAscii(NormalizePath(a)) == LowerAscii(NormalizePath(b));
}

}  // namespace

// clang-format off
const std::vector<AutostartPlace>& AutostartPlaces() {
    using enum PlaceKind;
    static const std::vector<AutostartPlace> places = {
        {.category = "service", .type = "Servizio", .root = kRootLocalMachine, .key = kServicesKey, .kind = Services, .windowsRail = true},
        {.category = "driver", .type = "Driver", .root = kRootLocalMachine, .key = kServicesKey, .kind = Drivers, .windowsRail = true},
        {.category = "winlogon", .type = "Winlogon", .root = kRootLocalMachine, .key = kWinlogonKey, .kind = Values, .values = {{"Shell", ListForm::None, "explorer.exe"}, {"Userinit", ListForm::Commas, "%SystemRoot%\\system32\\userinit.exe,"}, {"Taskman"}, {"AppSetup"}}, .windowsRail = true},
        {.category = "winlogon", .type = "Winlogon", .root = kRootCurrentUser, .key = kWinlogonKey, .kind = Values, .values = {{"Shell"}}},
        {.category = "policies-run", .type = "Criteri Run", .root = kRootCurrentUser, .key = kPoliciesRunKey, .kind = AllValues},
        {.category = "policies-run", .type = "Criteri Run", .root = kRootLocalMachine, .key = kPoliciesRunKey, .kind = AllValues, .bothViews = true},
        {.category = "runonceex", .type = "RunOnceEx", .root = kRootLocalMachine, .key = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", .kind = SubkeyValues, .bothViews = true},
        {.category = "ifeo", .type = "Debugger di un programma", .root = kRootLocalMachine, .key = kImageOptionsKey, .kind = SubkeyValue, .values = {{"Debugger"}}, .bothViews = true},
        {.category = "silent-exit", .type = "Monitor di chiusura", .root = kRootLocalMachine, .key = "Software\\Microsoft\\Windows NT\\CurrentVersion\\SilentProcessExit", .kind = SubkeyValue, .values = {{"MonitorProcess"}}, .bothViews = true},
        {.category = "appinit", .type = "AppInit_DLLs", .root = kRootLocalMachine, .key = kWindowsKey, .kind = Values, .values = {{"AppInit_DLLs", ListForm::BlanksOrCommas}}, .bothViews = true, .switchValue = "LoadAppInit_DLLs"},
        {.category = "active-setup", .type = "Active Setup", .root = kRootLocalMachine, .key = "Software\\Microsoft\\Active Setup\\Installed Components", .kind = SubkeyValue, .values = {{"StubPath"}}, .bothViews = true, .windowsRail = true, .switchValue = "IsInstalled", .titledSubkeys = true},
        {.category = "windows-load", .type = "Windows Load/Run", .root = kRootCurrentUser, .key = kWindowsKey, .kind = Values, .values = {{"Load"}, {"Run"}}},
        {.category = "command-processor", .type = "Prompt dei comandi", .root = kRootCurrentUser, .key = kCommandProcessorKey, .kind = Values, .values = {{"AutoRun"}}},
        {.category = "command-processor", .type = "Prompt dei comandi", .root = kRootLocalMachine, .key = kCommandProcessorKey, .kind = Values, .values = {{"AutoRun"}}, .bothViews = true},
        {.category = "boot-execute", .type = "BootExecute", .root = kRootLocalMachine, .key = "System\\CurrentControlSet\\Control\\Session Manager", .kind = Values, .values = {{"BootExecute", ListForm::MultiString, {}, "autocheck autochk *"}}},
    };
    return places;
}
// clang-format on

const PlaceValue* FindPlaceValue(const AutostartPlace& place, std::string_view name) {
    for (const PlaceValue& v : place.values)
        if (LowerAscii(v.name) == LowerAscii(name)) return &v;
    return nullptr;
}

bool IsWindowsEntry(const AutostartPlace& place, const PlaceValue* value, bool listItem, std::string_view command,
                    std::string_view file, std::string_view windowsFolder, const FileExists& exists) {
    if (!place.windowsRail) return false;
    if (value && !value->systemValue.empty()) {
        // Anything else in such a value is replaced by the system's own, which is always
        // safe; the system's own program is what must never go.
        if (!listItem && LowerAscii(Trimmed(command)) == LowerAscii(value->systemValue)) return true;
        const std::string system = ExpandSystemRoot(value->systemValue, windowsFolder);
        if (value->list == ListForm::None) return SameFile(file, CommandProgramFile(system, windowsFolder, exists));
        for (const ListItem& item : SplitListValue(system, value->list))
            if (SameFile(file, CommandProgramFile(item.text, windowsFolder, exists))) return true;
        return false;
    }
    return IsInWindowsFolder(file, windowsFolder);
}

}  // namespace vt
