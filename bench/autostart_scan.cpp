// Speed of the autostart scan over a machine with many services and entries: generated
// services (own programs, shared-host services with a ServiceDll, disabled ones) and
// values spread over the places (policy Run keys, RunOnceEx, image hijacks, silent-exit
// monitors, Active Setup in both views), beside a bare loop of the same system calls
// over the same places (the service control manager's list and configurations, the
// openings, enumerations and queries of the keys), with no rows made and no yields. The
// scan keeps its yield to the message loop between items. Prints both times and the
// ratio scan/bare (target <= 1.25). Everything generated is removed afterwards, and
// anything a broken earlier run left is removed first.
//   bench_autostart_scan [--services N] [--values N] [--runs N]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "inventory/AutostartScan.h"
#include "inventory/pure/AutostartPlaces.h"
#include "platform/Handles.h"
#include "platform/RegistryViews.h"
#include "platform/WinText.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

constexpr const wchar_t* kPrefix = L"VtBench";
const wchar_t* const kServices = L"System\\CurrentControlSet\\Services";

struct CountingSink : vt::IAutostartScanEvents {
    long rows = 0;
    void RowFound(const vt::AutostartRow&) override { ++rows; }
    void Counted(int64_t) override {}
};

HKEY Root(int32_t root) { return reinterpret_cast<HKEY>(static_cast<intptr_t>(root)); }

bool Ours(const std::wstring& name) { return name.rfind(kPrefix, 0) == 0; }

// The places values are spread over, each with the share of the values it gets.
struct Spread {
    HKEY root;
    std::wstring key;
    vt::PlaceKind kind;
    const wchar_t* valueName;  // for one value per subkey
    REGSAM view;
    int share;
};

std::vector<Spread> Spreads() {
    using enum vt::PlaceKind;
    return {
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run", AllValues,
         nullptr, 0, 15},
        {HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run", AllValues,
         nullptr, 0, 15},
        {HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", SubkeyValues, nullptr, 0, 20},
        {HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options",
         SubkeyValue, L"Debugger", 0, 15},
        {HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\SilentProcessExit", SubkeyValue,
         L"MonitorProcess", 0, 10},
        {HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Active Setup\\Installed Components", SubkeyValue, L"StubPath", 0,
         15},
        {HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Active Setup\\Installed Components", SubkeyValue, L"StubPath",
         KEY_WOW64_32KEY, 10},
    };
}

bool SetText(HKEY key, const std::wstring& name, const std::wstring& text) {
    return ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// The outermost key of root\key missing in that view (what generating the values makes
// and removing them must take away again), "" when the key is there.
std::wstring FirstMissing(HKEY root, const std::wstring& key, REGSAM view) {
    for (size_t at = key.find(L'\\');; at = key.find(L'\\', at + 1)) {
        std::wstring part = key.substr(0, at);
        vt::UniqueHKey k;
        if (::RegOpenKeyExW(root, part.c_str(), 0, KEY_QUERY_VALUE | view, k.put()) != ERROR_SUCCESS) return part;
        if (at == std::wstring::npos) return {};
    }
}

void RemoveKey(HKEY root, const std::wstring& key, REGSAM view) {
    const size_t slash = key.rfind(L'\\');
    vt::UniqueHKey parent;
    if (slash == std::wstring::npos ||
        ::RegOpenKeyExW(root, key.substr(0, slash).c_str(), 0, KEY_ALL_ACCESS | view, parent.put()) != ERROR_SUCCESS)
        return;
    ::RegDeleteTreeW(parent.get(), key.substr(slash + 1).c_str());
}

// Creates the values; returns how many were made.
long MakeValues(long total) {
    long made = 0;
    for (const Spread& s : Spreads()) {
        const long here = total * s.share / 100;
        vt::UniqueHKey base;
        if (::RegCreateKeyExW(s.root, s.key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | s.view, nullptr, base.put(),
                              nullptr) != ERROR_SUCCESS)
            continue;
        for (long i = 0; i < here; ++i) {
            const std::wstring n = std::wstring(kPrefix) + std::to_wstring(i);
            const std::wstring program = L"\"C:\\Program Files\\VtBench\\tool" + std::to_wstring(i) + L".exe\" /run";
            if (s.kind == vt::PlaceKind::AllValues) {
                made += SetText(base.get(), n, program);
                continue;
            }
            // RunOnceEx: fifteen values to a section; the others: one key per entry.
            const std::wstring sub =
                s.kind == vt::PlaceKind::SubkeyValues ? std::wstring(kPrefix) + std::to_wstring(i / 15) : n + L".exe";
            vt::UniqueHKey k;
            if (::RegCreateKeyExW(base.get(), sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | s.view, nullptr, k.put(),
                                  nullptr) != ERROR_SUCCESS)
                continue;
            made += SetText(k.get(), s.valueName ? s.valueName : n, program);
        }
    }
    return made;
}

// Removes every value and key of ours in the places, in both views.
void RemoveValues() {
    for (const Spread& s : Spreads()) {
        for (REGSAM view : {REGSAM{0}, REGSAM{KEY_WOW64_32KEY}}) {
            vt::UniqueHKey base;
            if (::RegOpenKeyExW(s.root, s.key.c_str(), 0, KEY_ALL_ACCESS | view, base.put()) != ERROR_SUCCESS) continue;
            std::vector<std::wstring> names;
            wchar_t buf[16384];
            for (DWORD i = 0;; ++i) {
                DWORD len = 16384;
                if (::RegEnumValueW(base.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                    break;
                if (Ours(buf)) names.emplace_back(buf);
            }
            for (const std::wstring& n : names) ::RegDeleteValueW(base.get(), n.c_str());
            names.clear();
            for (DWORD i = 0;; ++i) {
                DWORD len = 256;
                if (::RegEnumKeyExW(base.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                    break;
                if (Ours(buf)) names.emplace_back(buf);
            }
            for (const std::wstring& n : names) ::RegDeleteTreeW(base.get(), n.c_str());
        }
    }
}

// Creates the services: three in five with a program of their own, one in five run by the
// shared host with a ServiceDll, one in five disabled.
long MakeServices(SC_HANDLE manager, long count) {
    long made = 0;
    for (long i = 0; i < count; ++i) {
        const std::wstring name = std::wstring(kPrefix) + L"Service" + std::to_wstring(i);
        const bool shared = i % 5 == 3;
        const std::wstring image = shared
                                       ? L"%SystemRoot%\\system32\\svchost.exe -k VtBenchGroup"
                                       : L"\"C:\\Program Files\\VtBench\\service" + std::to_wstring(i) + L".exe\" -s";
        vt::UniqueScHandle s(::CreateServiceW(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                              shared ? SERVICE_WIN32_SHARE_PROCESS : SERVICE_WIN32_OWN_PROCESS,
                                              i % 5 == 4 ? SERVICE_DISABLED : SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                              image.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        if (!s) continue;
        ++made;
        if (!shared) continue;
        vt::UniqueHKey k;
        const std::wstring parameters = std::wstring(kServices) + L"\\" + name + L"\\Parameters";
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, parameters.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(),
                              nullptr) == ERROR_SUCCESS) {
            const std::wstring dll = L"C:\\Program Files\\VtBench\\shared" + std::to_wstring(i) + L".dll";
            ::RegSetValueExW(k.get(), L"ServiceDll", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(dll.c_str()),
                             static_cast<DWORD>((dll.size() + 1) * sizeof(wchar_t)));
        }
    }
    return made;
}

std::vector<std::wstring> ServiceNamesOf(SC_HANDLE manager, DWORD types) {
    std::vector<std::wstring> names;
    std::vector<BYTE> buf(size_t{64} * 1024);
    DWORD resume = 0;
    for (;;) {
        DWORD needed = 0, count = 0;
        BOOL ok = ::EnumServicesStatusExW(manager, SC_ENUM_PROCESS_INFO, types, SERVICE_STATE_ALL, buf.data(),
                                          static_cast<DWORD>(buf.size()), &needed, &count, &resume, nullptr);
        if (!ok && ::GetLastError() != ERROR_MORE_DATA) break;
        const auto* e = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buf.data());
        for (DWORD i = 0; i < count; ++i) names.emplace_back(e[i].lpServiceName);
        if (ok) break;
        if (count == 0) buf.resize(std::max<size_t>(needed, buf.size() * 2));
    }
    return names;
}

void RemoveServices(SC_HANDLE manager) {
    for (const std::wstring& name : ServiceNamesOf(manager, SERVICE_WIN32)) {
        if (!Ours(name)) continue;
        vt::UniqueScHandle s(::OpenServiceW(manager, name.c_str(), DELETE));
        if (s) ::DeleteService(s.get());
    }
}

// The floor under the scan: the same calls over the same places, nothing made of them.
long BareLoop() {
    long items = 0;
    vt::UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE));
    std::vector<BYTE> config(8192);
    std::vector<BYTE> data(4096);
    wchar_t name[16384];
    for (DWORD types : {DWORD{SERVICE_WIN32}, DWORD{SERVICE_DRIVER}}) {
        for (const std::wstring& service : ServiceNamesOf(manager.get(), types)) {
            vt::UniqueScHandle s(::OpenServiceW(manager.get(), service.c_str(), SERVICE_QUERY_CONFIG));
            DWORD needed = 0;
            auto* c = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(config.data());
            if (!s || !::QueryServiceConfigW(s.get(), c, static_cast<DWORD>(config.size()), &needed)) continue;
            if (c->dwStartType == SERVICE_DEMAND_START) continue;
            ++items;
            if (!c->lpBinaryPathName || !std::wcsstr(c->lpBinaryPathName, L"svchost.exe -k")) continue;
            vt::UniqueHKey k;
            const std::wstring parameters = std::wstring(kServices) + L"\\" + service + L"\\Parameters";
            if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, parameters.c_str(), 0, KEY_QUERY_VALUE, k.put()) != ERROR_SUCCESS)
                continue;
            DWORD size = static_cast<DWORD>(data.size());
            ::RegQueryValueExW(k.get(), L"ServiceDll", nullptr, nullptr, data.data(), &size);
        }
    }
    for (const vt::AutostartPlace& place : vt::AutostartPlaces()) {
        if (place.kind == vt::PlaceKind::Services || place.kind == vt::PlaceKind::Drivers) continue;
        const std::wstring key = vt::Widen(place.key);
        std::vector<REGSAM> views = {0};
        if (place.bothViews) views.push_back(KEY_WOW64_32KEY);
        vt::UniqueHKey first;
        for (REGSAM view : views) {
            vt::UniqueHKey k;
            if (::RegOpenKeyExW(Root(place.root), key.c_str(), 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | view,
                                k.put()) != ERROR_SUCCESS)
                continue;
            if (view && first && vt::SameRegistryKey(first.get(), k.get())) continue;
            auto query = [&](HKEY h, const wchar_t* value) {
                DWORD size = static_cast<DWORD>(data.size());
                if (::RegQueryValueExW(h, value, nullptr, nullptr, data.data(), &size) == ERROR_SUCCESS) ++items;
            };
            auto enumerate = [&](HKEY h) {
                for (DWORD i = 0;; ++i) {
                    DWORD len = 16384, size = static_cast<DWORD>(data.size());
                    if (::RegEnumValueW(h, i, name, &len, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) break;
                    ++items;
                }
            };
            auto subkeys = [&](HKEY h) {
                std::vector<std::wstring> names;
                for (DWORD i = 0;; ++i) {
                    DWORD len = 256;
                    if (::RegEnumKeyExW(h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
                    names.emplace_back(name, len);
                }
                return names;
            };
            switch (place.kind) {
            case vt::PlaceKind::Values:
                for (const vt::PlaceValue& v : place.values) query(k.get(), vt::Widen(v.name).c_str());
                if (!place.switchValue.empty()) query(k.get(), vt::Widen(place.switchValue).c_str());
                break;
            case vt::PlaceKind::AllValues: enumerate(k.get()); break;
            case vt::PlaceKind::SubkeyValues:
            case vt::PlaceKind::SubkeyValue:
                for (const std::wstring& sub : subkeys(k.get())) {
                    vt::UniqueHKey s;
                    if (::RegOpenKeyExW(Root(place.root), std::wstring(key).append(L"\\").append(sub).c_str(), 0,
                                        KEY_QUERY_VALUE | view, s.put()) != ERROR_SUCCESS)
                        continue;
                    if (place.kind == vt::PlaceKind::SubkeyValues) {
                        enumerate(s.get());
                        continue;
                    }
                    query(s.get(), vt::Widen(place.values.front().name).c_str());
                    if (place.titledSubkeys) query(s.get(), L"");
                    if (!place.switchValue.empty()) query(s.get(), vt::Widen(place.switchValue).c_str());
                }
                break;
            case vt::PlaceKind::Services:
            case vt::PlaceKind::Drivers: break;
            }
            if (!view) first = std::move(k);
        }
    }
    return items;
}

}  // namespace

int main(int argc, char** argv) {
    long services = 300, values = 1000;
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        long v = std::atol(argv[i + 1]);
        if (a == "--services") services = v;
        else if (a == "--values") values = v;
        else if (a == "--runs") runs = static_cast<int>(v);
    }
    runs = std::max(runs, 1);
    vt::UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        std::printf("bench: the service control manager cannot be opened (%lu)\n", ::GetLastError());
        return 1;
    }
    RemoveServices(manager.get());
    RemoveValues();
    std::vector<std::wstring> missing;
    for (const Spread& s : Spreads()) missing.push_back(FirstMissing(s.root, s.key, s.view));

    auto t0 = Clock::now();
    const long madeServices = MakeServices(manager.get(), services);
    const long madeValues = MakeValues(values);
    std::printf("generated: %ld services, %ld values over the places (made in %.1f s)\n", madeServices, madeValues,
                Seconds(t0));

    double ours = 1e9, bare = 1e9;
    long rows = 0, items = 0;
    for (int r = 0; r < runs; ++r) {
        CountingSink sink;
        vt::AutostartScan scan(&sink);
        auto s = Clock::now();
        scan.BeginScanning();
        ours = std::min(ours, Seconds(s));
        rows = sink.rows;
        s = Clock::now();
        items = BareLoop();
        bare = std::min(bare, Seconds(s));
    }
    std::printf("autostart scan: %.3f s (%ld rows); bare loop of the same calls: %.3f s (%ld items read)\n", ours, rows,
                bare, items);
    std::printf("AUTOSTART_VS_RAW=%.2f (scan/bare, target <= 1.25)\n", ours / bare);

    t0 = Clock::now();
    RemoveServices(manager.get());
    RemoveValues();
    const std::vector<Spread> spreads = Spreads();
    for (size_t i = 0; i < spreads.size(); ++i)
        if (!missing[i].empty()) RemoveKey(spreads[i].root, missing[i], spreads[i].view);
    long left = 0;
    for (const std::wstring& name : ServiceNamesOf(manager.get(), SERVICE_WIN32)) left += Ours(name);
    std::printf("generated entries removed (%.1f s)%s\n", Seconds(t0), left ? " -- services left behind" : "");
    return left ? 1 : 0;
}
