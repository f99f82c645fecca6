// The other autostart places over entries planted in the test prefix (services made with
// the service control manager, Winlogon's Userinit changed, an image hijack, policy Run
// values, an Active Setup component, AppInit_DLLs, each in both registry views where the
// place has two), the rows Windows itself brings, and their removal: the backup first, the
// rest of a list kept, the system's value put back, a service disabled and brought back by
// an import of the backup, Windows' own entries refused. Every system value a test
// changes is put back by a guard, whatever the test's outcome.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Wildcard.h"
#include "inventory/AutostartRemoval.h"
#include "inventory/AutostartScan.h"
#include "inventory/AutostartSystem.h"
#include "platform/FileRemoval.h"
#include "platform/Handles.h"
#include "platform/RegistryViews.h"
#include "platform/WinText.h"
#include "registry/RegistryBackup.h"
#include "registry/ValueBytes.h"
#include "support/TestSupport.h"

namespace {

using vt::AutostartRow;
using vt::test::PlantedValue;

constexpr const char* kWinlogon = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr const char* kWindows = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr const char* kPoliciesRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
constexpr const char* kImageOptions = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options";
constexpr const char* kActiveSetup = "Software\\Microsoft\\Active Setup\\Installed Components";
constexpr REGSAM kView32 = KEY_WOW64_32KEY;

std::string Tag() { return std::to_string(::GetCurrentProcessId()); }

std::string Text(const std::string& s) { return vt::test::WideBytes(vt::Widen(s)); }

// A value as stored, through the wide calls: its type and bytes exactly.
bool RawValue(HKEY root, const std::string& key, const std::string& name, REGSAM view, DWORD& type,
              std::string& bytes) {
    vt::UniqueHKey k;
    if (::RegOpenKeyExW(root, vt::Widen(key).c_str(), 0, KEY_QUERY_VALUE | view, k.put()) != ERROR_SUCCESS)
        return false;
    return vt::QueryValueBytes(k.get(), vt::Widen(name), type, bytes) == ERROR_SUCCESS;
}
bool PutRaw(HKEY root, const std::string& key, const std::string& name, REGSAM view, DWORD type,
            const std::string& bytes) {
    vt::UniqueHKey k;
    if (::RegCreateKeyExW(root, vt::Widen(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, k.put(),
                          nullptr) != ERROR_SUCCESS)
        return false;
    return ::RegSetValueExW(k.get(), vt::Widen(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                            static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}
std::string Stored(const std::string& key, const std::string& name, REGSAM view = 0) {
    DWORD type = 0;
    std::string bytes;
    return RawValue(HKEY_LOCAL_MACHINE, key, name, view, type, bytes) ? bytes : std::string("(none)");
}

// Whether the key below HKEY_LOCAL_MACHINE has a key of its own in the 32-bit view (a key
// missing there gets one when a value is planted), rather than one both views share.
bool DistinctViews(const std::string& key) {
    vt::UniqueHKey native, wow;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, vt::Widen(key).c_str(), 0, KEY_QUERY_VALUE, native.put()) !=
            ERROR_SUCCESS ||
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, vt::Widen(key).c_str(), 0, KEY_QUERY_VALUE | kView32, wow.put()) !=
            ERROR_SUCCESS)
        return true;
    return !vt::SameRegistryKey(native.get(), wow.get());
}

// A value of the system (Userinit, AppInit_DLLs ...) as it is now, put back byte for byte
// (or removed again when it was not there) at the end of the scope.
class SavedValue {
public:
    SavedValue(HKEY root, std::string key, std::string name, REGSAM view = 0)
        : root_(root),
          key_(std::move(key)),
          name_(std::move(name)),
          view_(view) {
        keyExisted_ = vt::test::RegKeyExists(root_, key_, view_);
        had_ = RawValue(root_, key_, name_, view_, type_, bytes_);
    }
    ~SavedValue() {
        if (had_) {
            PutRaw(root_, key_, name_, view_, type_, bytes_);
            return;
        }
        vt::UniqueHKey k;
        if (::RegOpenKeyExW(root_, vt::Widen(key_).c_str(), 0, KEY_SET_VALUE | view_, k.put()) == ERROR_SUCCESS)
            ::RegDeleteValueW(k.get(), vt::Widen(name_).c_str());
        k.reset();
        if (!keyExisted_) ::RegDeleteKeyExW(root_, vt::Widen(key_).c_str(), view_, 0);
    }
    SavedValue(const SavedValue&) = delete;
    SavedValue& operator=(const SavedValue&) = delete;
    void Set(DWORD type, const std::string& bytes) { PutRaw(root_, key_, name_, view_, type, bytes); }
    void SetText(const std::string& text) { Set(REG_SZ, Text(text)); }

private:
    HKEY root_;
    std::string key_, name_;
    REGSAM view_;
    bool had_ = false, keyExisted_ = false;
    DWORD type_ = 0;
    std::string bytes_;
};

// A service made for the test and deleted at the end of its scope.
class TestService {
public:
    TestService(const std::string& name, const std::string& image, DWORD startType)
        : name_(name),
          manager_(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
        if (!manager_) return;
        service_.reset(::CreateServiceW(manager_.get(), vt::Widen(name).c_str(), vt::Widen(name).c_str(),
                                        SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                                        vt::Widen(image).c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    }
    ~TestService() {
        if (service_) ::DeleteService(service_.get());
    }
    TestService(const TestService&) = delete;
    TestService& operator=(const TestService&) = delete;
    bool Made() const { return static_cast<bool>(service_); }
    const std::string& name() const { return name_; }
    std::string Key() const { return "System\\CurrentControlSet\\Services\\" + name_; }
    // As the service control manager answers, and as the service's key stores it.
    DWORD StartType() const {
        vt::ServiceConfigBuffer buffer;
        const QUERY_SERVICE_CONFIGW* c = service_ ? buffer.Query(service_.get()) : nullptr;
        return c ? c->dwStartType : 0xFFFFFFFF;
    }
    DWORD StoredStart() const {
        std::string bytes;
        DWORD value = 0xFFFFFFFF;
        if (vt::test::GetRegValue(HKEY_LOCAL_MACHINE, Key(), "Start", bytes) && bytes.size() == sizeof value)
            std::memcpy(&value, bytes.data(), sizeof value);
        return value;
    }

private:
    std::string name_;
    vt::UniqueScHandle manager_;
    vt::UniqueScHandle service_;
};

struct Rows : vt::IAutostartScanEvents {
    std::vector<AutostartRow> seen;
    int64_t counted = 0;
    int counts = 0;
    std::function<void(const AutostartRow&)> onRow;
    void RowFound(const AutostartRow& row) override {
        seen.push_back(row);
        if (onRow) onRow(row);
    }
    void Counted(int64_t amount) override {
        counted += amount;
        ++counts;
    }
    std::vector<const AutostartRow*> Named(const std::string& name) const {
        std::vector<const AutostartRow*> out;
        for (const AutostartRow& r : seen)
            if (r.name == name) out.push_back(&r);
        return out;
    }
    const AutostartRow* Find(const std::string& name, const std::string& command, const std::string& view = "native") {
        for (const AutostartRow& r : seen)
            if (r.name == name && r.command == command && r.view == view) return &r;
        return nullptr;
    }
};

Rows Scan() {
    Rows rows;
    vt::AutostartScan scan(&rows);
    scan.BeginScanning();
    return rows;
}

}  // namespace

namespace {

std::string Dword(DWORD v) { return std::string(reinterpret_cast<const char*>(&v), sizeof v); }

// The strings of a REG_MULTI_SZ as the registry stores them.
std::string Multi(const std::vector<std::string>& strings) {
    std::wstring w;
    for (const std::string& s : strings) w += vt::Widen(s) + L'\0';
    w += L'\0';
    return std::string(reinterpret_cast<const char*>(w.data()), w.size() * sizeof(wchar_t));
}

const AutostartRow* ServiceRow(const Rows& rows, const std::string& name) {
    for (const AutostartRow& r : rows.seen)
        if (!r.serviceName.empty() && vt::LowerAscii(r.serviceName) == vt::LowerAscii(name)) return &r;
    return nullptr;
}

TEST(AutostartScan, EveryPlantedEntryIsListedWithItsTypeLocationAndFile) {
    const std::string tag = Tag();
    TestService agent("VtAgent" + tag, "C:\\vt\\svc host\\agent.exe -k", SERVICE_AUTO_START);
    TestService shared("VtShared" + tag, "%SystemRoot%\\system32\\svchost.exe -k VtGroup" + tag, SERVICE_AUTO_START);
    TestService off("VtOff" + tag, "\"C:\\vt\\off.exe\"", SERVICE_DISABLED);
    TestService demand("VtDemand" + tag, "C:\\vt\\demand.exe", SERVICE_DEMAND_START);
    ASSERT_TRUE(agent.Made() && shared.Made() && off.Made() && demand.Made());
    PlantedValue dll(HKEY_LOCAL_MACHINE, shared.Key() + "\\Parameters", "ServiceDll", REG_EXPAND_SZ,
                     std::string("C:\\vt\\shared.dll") + '\0');
    SavedValue userinit(HKEY_LOCAL_MACHINE, kWinlogon, "Userinit");
    userinit.SetText("C:\\windows\\system32\\userinit.exe,C:\\vt\\evil.exe");
    // The 32-bit view's entries only where the place has a key of its own there (the
    // system shares some): elsewhere they would overwrite the native ones.
    std::vector<std::unique_ptr<PlantedValue>> planted;
    auto plant32 = [&](const std::string& key, const std::string& name, const std::string& text) {
        if (!DistinctViews(key)) return false;
        planted.push_back(std::make_unique<PlantedValue>(HKEY_LOCAL_MACHINE, key, name, text, kView32));
        return true;
    };
    const std::string notepad = std::string(kImageOptions) + "\\notepad.exe";
    PlantedValue hijack(HKEY_LOCAL_MACHINE, notepad, "Debugger", "C:\\vt\\debugger.exe");
    const bool hijack32 = plant32(notepad, "Debugger", "C:\\vt\\debugger32.exe");
    const std::string policy = "VtPolicy" + tag;
    PlantedValue userPolicy(HKEY_CURRENT_USER, kPoliciesRun, policy, "C:\\vt\\user policy.exe /x");
    PlantedValue machinePolicy(HKEY_LOCAL_MACHINE, kPoliciesRun, policy, "\"C:\\vt\\policy.exe\" /x");
    const bool policy32 = plant32(kPoliciesRun, policy, "C:\\vt\\policy32.exe");
    const std::string component = std::string(kActiveSetup) + "\\{VtTest-" + tag + "}";
    PlantedValue title(HKEY_LOCAL_MACHINE, component, "", "Vt component");
    PlantedValue stub(HKEY_LOCAL_MACHINE, component, "StubPath", "C:\\vt\\stub.exe /install");
    const bool stub32 = plant32(component, "", "Vt component") &&
                        plant32(component, "StubPath", "rundll32.exe C:\\vt\\stub32.dll,Install");
    SavedValue appInit(HKEY_LOCAL_MACHINE, kWindows, "AppInit_DLLs");
    SavedValue load(HKEY_LOCAL_MACHINE, kWindows, "LoadAppInit_DLLs");
    appInit.SetText("C:\\vt\\one.dll C:\\vt\\two.dll");
    load.Set(REG_DWORD, Dword(0));
    const bool appInit32 = DistinctViews(kWindows);
    SavedValue appInitWow(HKEY_LOCAL_MACHINE, kWindows, "AppInit_DLLs", kView32);
    SavedValue loadWow(HKEY_LOCAL_MACHINE, kWindows, "LoadAppInit_DLLs", kView32);
    if (appInit32) {
        appInitWow.SetText("C:\\vt\\one32.dll,C:\\vt\\two32.dll");
        loadWow.Set(REG_DWORD, Dword(1));
    }
    SavedValue boot(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", "BootExecute");
    boot.Set(REG_MULTI_SZ, Multi({"autocheck autochk *", "vtboot /x"}));

    Rows rows = Scan();

    const std::string lm = "HKLM\\";
    struct Want {
        std::string name, command, view, category, type, location, file;
        bool disabled;
    };
    std::vector<Want> wants = {
        {agent.name(), "C:\\vt\\svc host\\agent.exe -k", "native", "service", "Servizio", lm + agent.Key(),
         "C:\\vt\\svc host\\agent.exe", false},
        {off.name(), "\"C:\\vt\\off.exe\"", "native", "service", "Servizio", lm + off.Key(), "C:\\vt\\off.exe", true},
        {"Userinit", "C:\\vt\\evil.exe", "native", "winlogon", "Winlogon", lm + kWinlogon, "C:\\vt\\evil.exe", false},
        {"Userinit", "C:\\windows\\system32\\userinit.exe", "native", "winlogon", "Winlogon", lm + kWinlogon,
         "C:\\windows\\system32\\userinit.exe", false},
        {policy, "C:\\vt\\user policy.exe /x", "native", "policies-run", "Criteri Run",
         std::string("HKCU\\") + kPoliciesRun, "C:\\vt\\user policy.exe", false},
        {policy, "\"C:\\vt\\policy.exe\" /x", "native", "policies-run", "Criteri Run", lm + kPoliciesRun,
         "C:\\vt\\policy.exe", false},
        {"notepad.exe", "C:\\vt\\debugger.exe", "native", "ifeo", "Debugger di un programma", lm + notepad,
         "C:\\vt\\debugger.exe", false},
        {"Vt component", "C:\\vt\\stub.exe /install", "native", "active-setup", "Active Setup", lm + component,
         "C:\\vt\\stub.exe", false},
        // Turned off beside the list.
        {"AppInit_DLLs", "C:\\vt\\one.dll", "native", "appinit", "AppInit_DLLs", lm + kWindows, "C:\\vt\\one.dll",
         true},
        {"AppInit_DLLs", "C:\\vt\\two.dll", "native", "appinit", "AppInit_DLLs", lm + kWindows, "C:\\vt\\two.dll",
         true},
        {"BootExecute", "vtboot /x", "native", "boot-execute", "BootExecute",
         lm + "System\\CurrentControlSet\\Control\\Session Manager", "C:\\windows\\system32\\vtboot.exe", false},
    };
    if (policy32)
        wants.push_back({policy, "C:\\vt\\policy32.exe", "32", "policies-run", "Criteri Run", lm + kPoliciesRun,
                         "C:\\vt\\policy32.exe", false});
    if (hijack32)
        wants.push_back({"notepad.exe", "C:\\vt\\debugger32.exe", "32", "ifeo", "Debugger di un programma",
                         lm + notepad, "C:\\vt\\debugger32.exe", false});
    if (stub32)
        wants.push_back({"Vt component", "rundll32.exe C:\\vt\\stub32.dll,Install", "32", "active-setup",
                         "Active Setup", lm + component, "C:\\vt\\stub32.dll", false});
    if (appInit32) {
        // On in this view.
        wants.push_back({"AppInit_DLLs", "C:\\vt\\one32.dll", "32", "appinit", "AppInit_DLLs", lm + kWindows,
                         "C:\\vt\\one32.dll", false});
        wants.push_back({"AppInit_DLLs", "C:\\vt\\two32.dll", "32", "appinit", "AppInit_DLLs", lm + kWindows,
                         "C:\\vt\\two32.dll", false});
    }
    // Whichever views the system keeps apart, the test sees some of both kinds.
    EXPECT_TRUE(stub32) << "Active Setup has no key of its own in the 32-bit view";
    for (const Want& w : wants) {
        int listed = 0;
        for (const AutostartRow& r : rows.seen) listed += r.name == w.name && r.command == w.command;
        EXPECT_EQ(listed, 1) << w.command << ": a key both views share is read once";
    }
    for (const Want& w : wants) {
        const AutostartRow* r = rows.Find(w.name, w.command, w.view);
        ASSERT_NE(r, nullptr) << w.name << " " << w.command << " (" << w.view << ")";
        EXPECT_EQ(r->category, w.category) << w.command;
        EXPECT_EQ(r->type, w.type) << w.command;
        EXPECT_EQ(r->location, w.location) << w.command;
        EXPECT_EQ(vt::LowerAscii(r->file), vt::LowerAscii(w.file)) << w.command;
        EXPECT_EQ(r->lookupName, r->file.substr(r->file.rfind('\\') + 1)) << w.command;
        EXPECT_EQ(r->disabled, w.disabled) << w.command;
    }
    // The shared host's row grades the library it runs; its command is the one stored.
    const AutostartRow* sharedRow = ServiceRow(rows, shared.name());
    ASSERT_NE(sharedRow, nullptr);
    EXPECT_EQ(sharedRow->file, "C:\\vt\\shared.dll");
    EXPECT_TRUE(vt::WildcardMatch(vt::LowerAscii(sharedRow->command), "*\\system32\\svchost.exe -k vtgroup" + tag))
        << sharedRow->command;
    EXPECT_EQ(ServiceRow(rows, demand.name()), nullptr) << "a service started on demand starts with nothing";
    EXPECT_TRUE(rows.Named("autocheck autochk *").empty());
    for (const AutostartRow& r : rows.seen) EXPECT_NE(r.command, "autocheck autochk *") << "the disk check is listed";

    // Windows' own rows are there too, marked as such, and the planted ones are not.
    const AutostartRow* plugPlay = ServiceRow(rows, "PlugPlay");
    ASSERT_NE(plugPlay, nullptr);
    EXPECT_EQ(vt::LowerAscii(plugPlay->file), "c:\\windows\\system32\\plugplay.exe");
    EXPECT_TRUE(plugPlay->windowsEntry);
    EXPECT_TRUE(rows.Find("Userinit", "C:\\windows\\system32\\userinit.exe")->windowsEntry);
    EXPECT_FALSE(rows.Find("Userinit", "C:\\vt\\evil.exe")->windowsEntry);
    EXPECT_FALSE(ServiceRow(rows, agent.name())->windowsEntry);
    EXPECT_FALSE(sharedRow->windowsEntry);
    bool driver = false;
    for (const AutostartRow& r : rows.seen)
        if (r.category == "driver") {
            driver = true;
            EXPECT_EQ(r.type, "Driver");
            EXPECT_TRUE(vt::WildcardMatch(vt::LowerAscii(r.file), "c:\\windows\\system32\\*.sys")) << r.file;
            EXPECT_TRUE(r.windowsEntry) << r.name;
        }
    EXPECT_TRUE(driver) << "no driver listed";

    // One count per line of the places, adding up to the rows.
    EXPECT_EQ(rows.counts, static_cast<int>(vt::AutostartPlaces().size()));
    EXPECT_EQ(rows.counted, static_cast<int64_t>(rows.seen.size()));
}

// Stops from inside the message pump between items, as the window's stop button does, and
// starts no scan of its own from inside one.
TEST(AutostartScan, AStopInAYieldEndsTheScanAndNoScanNests) {
    Rows rows;
    vt::AutostartScan scan(&rows);
    int nested = 0;
    rows.onRow = [&](const AutostartRow&) {
        const size_t before = rows.seen.size();
        scan.BeginScanning();
        if (rows.seen.size() != before) ++nested;
        EXPECT_TRUE(scan.Scanning());
    };
    struct Stopper {
        static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
            if (msg == WM_APP) {
                reinterpret_cast<vt::AutostartScan*>(lp)->CancelScanning();
                return 0;
            }
            return ::DefWindowProcW(hwnd, msg, wp, lp);
        }
    };
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Stopper::Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VtAutostartStopper";
    ::RegisterClassW(&wc);
    vt::UniqueHWnd window(
        ::CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
    ASSERT_TRUE(window);

    // A whole scan first: the stop must cut a scan that has rows to give.
    scan.BeginScanning();
    const size_t whole = rows.seen.size();
    ASSERT_GT(whole, 3u);
    EXPECT_EQ(nested, 0);

    rows.seen.clear();
    rows.counts = 0;
    int toStop = 3;
    rows.onRow = [&](const AutostartRow&) {
        if (--toStop == 0) ::PostMessageW(window.get(), WM_APP, 0, reinterpret_cast<LPARAM>(&scan));
    };
    scan.BeginScanning();
    EXPECT_FALSE(scan.Scanning());
    EXPECT_GE(rows.seen.size(), 3u);
    EXPECT_LT(rows.seen.size(), whole);
    EXPECT_LT(rows.counts, static_cast<int>(vt::AutostartPlaces().size())) << "the places after the stop were read";

    // The next start runs whole again.
    rows.seen.clear();
    rows.onRow = nullptr;
    scan.BeginScanning();
    EXPECT_EQ(rows.seen.size(), whole);
    window.reset();
    ::UnregisterClassW(wc.lpszClassName, wc.hInstance);
}

}  // namespace

namespace {

using vt::RemovalOutcome;

// The removal's backups go to a folder of the test.
struct BackupFolder {
    vt::test::TempDir dir;
    vt::test::LocalAppData appData{dir.path()};
};

// Removes the row of that value, checks it gone and its namesake of the other view (if
// any) kept, then imports the backup and compares what comes back with what was there.
void RemoveAndImport(const AutostartRow& row, const std::string& key, REGSAM view, const PlantedValue* namesake) {
    DWORD type = 0, typeBack = 0;
    std::string before, back;
    ASSERT_TRUE(RawValue(HKEY_LOCAL_MACHINE, key, row.valueName, view, type, before));
    const vt::RemovalResult result = vt::RemoveAutostartEntry(row);
    ASSERT_EQ(result.outcome, RemovalOutcome::Done) << result.reason;
    EXPECT_EQ(vt::RemovalMessage(row, result), "");
    EXPECT_FALSE(vt::test::RegValueExists(HKEY_LOCAL_MACHINE, key, row.valueName, view));
    if (namesake) { EXPECT_TRUE(namesake->Exists()) << "the other view's namesake went too"; }
    ASSERT_TRUE(vt::test::FileExists(result.backupFile));
    ASSERT_EQ(vt::test::RegImport(result.backupFile), 0u);
    ASSERT_TRUE(RawValue(HKEY_LOCAL_MACHINE, key, row.valueName, view, typeBack, back));
    EXPECT_EQ(typeBack, type);
    EXPECT_EQ(back, before);
}

TEST(AutostartRemoval, AValueGoesAndItsBackupBringsItBackByteForByte) {
    BackupFolder backups;
    const std::string name = "VtPolicy\xc3\xa8" + Tag();
    PlantedValue policy(HKEY_LOCAL_MACHINE, kPoliciesRun, name, REG_EXPAND_SZ,
                        std::string("\"%ProgramFiles%\\vt\\pol\xc3\xac"
                                    "c\xc3\xbf.exe\" /x") +
                            '\0');
    const std::string component = std::string(kActiveSetup) + "\\{VtRemoved-" + Tag() + "}";
    PlantedValue stub(HKEY_LOCAL_MACHINE, component, "StubPath", "C:\\vt\\stub.exe");
    const bool twoViews = DistinctViews(kActiveSetup);
    std::unique_ptr<PlantedValue> stub32;
    if (twoViews)
        stub32 =
            std::make_unique<PlantedValue>(HKEY_LOCAL_MACHINE, component, "StubPath", "C:\\vt\\stub32.exe", kView32);
    Rows rows = Scan();
    const AutostartRow* row = rows.Find(name,
                                        "\"%ProgramFiles%\\vt\\pol\xc3\xac"
                                        "c\xc3\xbf.exe\" /x");
    ASSERT_NE(row, nullptr);
    RemoveAndImport(*row, kPoliciesRun, 0, nullptr);
    // In the 32-bit view, the value there goes and not its namesake of the native view.
    if (twoViews) {
        const AutostartRow* row32 = rows.Find("{VtRemoved-" + Tag() + "}", "C:\\vt\\stub32.exe", "32");
        ASSERT_NE(row32, nullptr);
        RemoveAndImport(*row32, component, kView32, &stub);
    }

    // A row whose entry has gone since the scan changes nothing.
    vt::UniqueHKey k;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, vt::Widen(kPoliciesRun).c_str(), 0, KEY_SET_VALUE, k.put()),
              ERROR_SUCCESS);
    ::RegDeleteValueW(k.get(), vt::Widen(name).c_str());
    const vt::RemovalResult again = vt::RemoveAutostartEntry(*row);
    EXPECT_EQ(again.outcome, RemovalOutcome::Changed);
    EXPECT_NE(vt::RemovalMessage(*row, again).find(name), std::string::npos);
}

TEST(AutostartRemoval, NoCopyNoChange) {
    vt::test::TempDir dir;
    // A file where the backup folder would have to be made.
    ASSERT_TRUE(vt::test::WriteFile(dir / "Vantorile", "in the way"));
    vt::test::LocalAppData appData(dir.path());
    const std::string name = "VtNoCopy" + Tag();
    PlantedValue planted(HKEY_CURRENT_USER, kPoliciesRun, name, "C:\\vt\\kept.exe");
    Rows rows = Scan();
    const AutostartRow* row = rows.Find(name, "C:\\vt\\kept.exe");
    ASSERT_NE(row, nullptr);
    const vt::RemovalResult result = vt::RemoveAutostartEntry(*row);
    EXPECT_EQ(result.outcome, RemovalOutcome::BackupFailed);
    EXPECT_TRUE(planted.Exists());
    const std::string message = vt::RemovalMessage(*row, result);
    EXPECT_EQ(message.rfind("Impossibile salvare una copia della voce " + name + " in ", 0), 0u) << message;
    EXPECT_NE(message.find("La voce non \xc3\xa8 stata rimossa."), std::string::npos) << message;
}

TEST(AutostartRemoval, AListLosesOneProgramAndKeepsTheRest) {
    BackupFolder backups;
    SavedValue userinit(HKEY_LOCAL_MACHINE, kWinlogon, "Userinit");
    SavedValue appInit(HKEY_LOCAL_MACHINE, kWindows, "AppInit_DLLs");
    SavedValue boot(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", "BootExecute");
    userinit.SetText("C:\\windows\\system32\\userinit.exe,C:\\vt\\evil.exe");
    appInit.SetText("C:\\vt\\one.dll C:\\vt\\two.dll");
    boot.Set(REG_MULTI_SZ, Multi({"autocheck autochk *", "vtboot /x"}));
    Rows rows = Scan();
    const AutostartRow* system = rows.Find("Userinit", "C:\\windows\\system32\\userinit.exe");
    const AutostartRow* evil = rows.Find("Userinit", "C:\\vt\\evil.exe");
    const AutostartRow* one = rows.Find("AppInit_DLLs", "C:\\vt\\one.dll");
    const AutostartRow* vtboot = rows.Find("BootExecute", "vtboot /x");
    ASSERT_TRUE(system && evil && one && vtboot);

    auto text = [](const char* key, const char* name) { return Stored(key, name); };
    const vt::RemovalResult refused = vt::RemoveAutostartEntry(*system);
    EXPECT_EQ(refused.outcome, RemovalOutcome::WindowsEntry);
    EXPECT_EQ(vt::RemovalMessage(*system, refused), vt::kWindowsEntryText);
    EXPECT_EQ(text(kWinlogon, "Userinit"), Text("C:\\windows\\system32\\userinit.exe,C:\\vt\\evil.exe"));

    EXPECT_EQ(vt::RemoveAutostartEntry(*evil).outcome, RemovalOutcome::Done);
    EXPECT_EQ(text(kWinlogon, "Userinit"), Text("C:\\windows\\system32\\userinit.exe"));
    // The same row again: the list no longer holds it there.
    EXPECT_EQ(vt::RemoveAutostartEntry(*evil).outcome, RemovalOutcome::Changed);
    EXPECT_EQ(vt::RemoveAutostartEntry(*one).outcome, RemovalOutcome::Done);
    EXPECT_EQ(text(kWindows, "AppInit_DLLs"), Text("C:\\vt\\two.dll"));
    EXPECT_EQ(vt::RemoveAutostartEntry(*vtboot).outcome, RemovalOutcome::Done);
    EXPECT_EQ(text("System\\CurrentControlSet\\Control\\Session Manager", "BootExecute"),
              Multi({"autocheck autochk *"}));

    // A Userinit of nothing but another program gets the system's own back, not nothing.
    userinit.SetText("C:\\vt\\evil.exe");
    rows = Scan();
    const AutostartRow* alone = rows.Find("Userinit", "C:\\vt\\evil.exe");
    ASSERT_NE(alone, nullptr);
    EXPECT_EQ(vt::RemoveAutostartEntry(*alone).outcome, RemovalOutcome::Done);
    EXPECT_EQ(text(kWinlogon, "Userinit"), Text(vt::WindowsFolderPath() + "\\system32\\userinit.exe,"));
}

TEST(AutostartRemoval, TheShellGetsTheSystemsValueBackAndTheDefaultStays) {
    BackupFolder backups;
    SavedValue shell(HKEY_LOCAL_MACHINE, kWinlogon, "Shell");
    shell.SetText("explorer.exe");
    Rows rows = Scan();
    const AutostartRow* standard = rows.Find("Shell", "explorer.exe");
    ASSERT_NE(standard, nullptr);
    EXPECT_TRUE(standard->windowsEntry);
    EXPECT_EQ(vt::RemoveAutostartEntry(*standard).outcome, RemovalOutcome::WindowsEntry);

    shell.SetText("C:\\vt\\shell.exe");
    rows = Scan();
    const AutostartRow* replaced = rows.Find("Shell", "C:\\vt\\shell.exe");
    ASSERT_NE(replaced, nullptr);
    EXPECT_FALSE(replaced->windowsEntry);
    EXPECT_EQ(vt::RemoveAutostartEntry(*replaced).outcome, RemovalOutcome::Done);
    EXPECT_EQ(Stored(kWinlogon, "Shell"), Text("explorer.exe"));
}

TEST(AutostartRemoval, AServiceIsDisabledAndItsBackupBringsItsStartTypeBack) {
    BackupFolder backups;
    TestService agent("VtAgent" + Tag(), "C:\\vt\\svc host\\agent.exe -k", SERVICE_AUTO_START);
    ASSERT_TRUE(agent.Made());
    Rows rows = Scan();
    ASSERT_TRUE(ServiceRow(rows, agent.name()) && ServiceRow(rows, "PlugPlay"));
    const AutostartRow row = *ServiceRow(rows, agent.name());
    const AutostartRow plugPlay = *ServiceRow(rows, "PlugPlay");
    EXPECT_EQ(vt::AutostartRemovalQuestion(row), "Vuoi disattivare il servizio " + agent.name() +
                                                     "? Non verr\xc3\xa0 pi\xc3\xb9 avviato all'accensione del PC.");

    const DWORD plugPlayStart = plugPlay.startType;
    const vt::RemovalResult refused = vt::RemoveAutostartEntry(plugPlay);
    EXPECT_EQ(refused.outcome, RemovalOutcome::WindowsEntry);
    rows = Scan();
    ASSERT_NE(ServiceRow(rows, "PlugPlay"), nullptr);
    EXPECT_EQ(ServiceRow(rows, "PlugPlay")->startType, plugPlayStart);

    const vt::RemovalResult result = vt::RemoveAutostartEntry(row);
    ASSERT_EQ(result.outcome, RemovalOutcome::Done) << result.reason;
    EXPECT_EQ(agent.StartType(), static_cast<DWORD>(SERVICE_DISABLED));
    EXPECT_EQ(agent.StoredStart(), static_cast<DWORD>(SERVICE_DISABLED));
    ASSERT_EQ(vt::test::RegImport(result.backupFile), 0u);
    EXPECT_EQ(agent.StoredStart(), static_cast<DWORD>(SERVICE_AUTO_START));
}

}  // namespace
