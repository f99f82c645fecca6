// Walk speed of the two tree scanners, each beside the platform's own lister run over the
// same tree under the same Wine in the same run: the folder scanner against
// "cmd /c dir /s /b", the registry scanner against "reg query /s"; and each beside a bare
// recursion over the same tree with no events and no yields, the floor of the system
// calls themselves. The scanners keep their per-item yield to the message loop. Prints
// the times, peer/ours ratios (>= 1.0 means at least as fast as the peer) and ours/bare
// ratios (target <= 1.25). Trees are generated under %TEMP% and
// HKCU\Software\VantorileTests and removed afterwards.
//   bench_scan_tree [--folders N] [--files-per-folder N] [--keys N] [--values N] [--runs N]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "platform/WinText.h"
#include "scanners/cScanDirectories.h"
#include "scanners/cScanRegistry.h"
#include "BenchFiles.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

struct FolderSink : vt::IScanDirectoriesEvents {
    long folders = 0, files = 0;
    void CurrentFile(const std::string&, const std::string&, bool&) override { ++files; }
    void CurrentFolder(const std::string&, bool&, bool&) override { ++folders; }
    void DoneScanning(int32_t, int32_t) override {}
};

struct RegistrySink : vt::IScanRegistryEvents {
    long keys = 0, values = 0;
    void CurrentData(const std::string&, const std::string&, int32_t, bool&) override { ++values; }
    void CurrentKey(const std::string&, int32_t, bool&) override { ++keys; }
    void DoneScanning(int32_t, int32_t) override {}
};

// Runs a command line with its output thrown away; seconds from start to exit, or -1.
double RunQuiet(const std::string& commandLine) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    vt::UniqueFileHandle nul(
        ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nul.get();
    si.hStdOutput = nul.get();
    si.hStdError = nul.get();
    PROCESS_INFORMATION pi{};
    std::wstring cmd = vt::Widen(commandLine);
    auto start = Clock::now();
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return -1;
    vt::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    return Seconds(start);
}

// The floor under the folder scanner: the same listing calls, recursing at once, nothing
// reported and no yield.
void BareFolderWalk(const std::wstring& path, long& folders, long& files) {
    ++folders;
    WIN32_FIND_DATAW fd;
    vt::UniqueFindHandle find(::FindFirstFileExW((path + L"\\*").c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch,
                                                 nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return;
    do {
        const wchar_t* n = fd.cFileName;
        if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) BareFolderWalk(path + L"\\" + n, folders, files);
        else ++files;
    } while (::FindNextFileW(find.get(), &fd));
}

// The floor under the registry scanner: every value name and subkey of a key enumerated
// through the open key, subkeys opened relative to their parent.
void BareRegistryWalk(HKEY parent, const wchar_t* name, long& keys, long& values) {
    vt::UniqueHKey key;
    if (::RegOpenKeyExW(parent, name, 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, key.put()) != ERROR_SUCCESS) return;
    ++keys;
    wchar_t buf[16384];
    for (DWORD i = 0;; ++i) {
        DWORD len = 16384;
        if (::RegEnumValueW(key.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        ++values;
    }
    for (DWORD i = 0;; ++i) {
        DWORD len = 256;
        if (::RegEnumKeyExW(key.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        BareRegistryWalk(key.get(), buf, keys, values);
    }
}

// The same floor with the calls the scanner used to make per key: the key opened twice by
// its full path from the root (once for the value names, once for the subkey names), each
// time asked for its counts first. The scanner now opens each key once, by its full path,
// and reads both lists to their ends: this walk shows what that saved.
void FormerRegistryWalk(const std::wstring& path, long& keys, long& values) {
    ++keys;
    wchar_t buf[16384];
    {
        vt::UniqueHKey key;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return;
        DWORD count = 0, longest = 0;
        ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest, nullptr,
                           nullptr, nullptr);
        for (DWORD i = 0; i < count; ++i) {
            DWORD len = longest + 1;
            if (::RegEnumValueW(key.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            ++values;
        }
    }
    std::vector<std::wstring> children;
    {
        vt::UniqueHKey key;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, key.put()) !=
            ERROR_SUCCESS)
            return;
        DWORD count = 0, longest = 0;
        ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr);
        for (DWORD i = 0; i < count; ++i) {
            DWORD len = longest + 1;
            if (::RegEnumKeyExW(key.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            children.push_back(path + L"\\" + buf);
        }
    }
    for (const std::wstring& child : children) FormerRegistryWalk(child, keys, values);
}

std::string TempFolder() {
    wchar_t buf[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, buf);
    std::string t = vt::Narrow(buf);
    if (!t.empty() && t.back() == '\\') t.pop_back();
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    long folders = 5000, filesPerFolder = 10, keys = 20000, values = 50000;
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        long v = std::atol(argv[i + 1]);
        if (a == "--folders") folders = v;
        else if (a == "--files-per-folder") filesPerFolder = v;
        else if (a == "--keys") keys = v;
        else if (a == "--values") values = v;
        else if (a == "--runs") runs = static_cast<int>(v);
    }
    runs = std::max(runs, 1);

    // ---- folders: groups of 100 leaf folders, filesPerFolder files in each leaf
    const std::string root = TempFolder() + "\\vt_bench_tree_" + std::to_string(::GetCurrentProcessId());
    const std::wstring wroot = vt::Widen(root);
    auto t0 = Clock::now();
    ::CreateDirectoryW(wroot.c_str(), nullptr);
    long madeFiles = 0, madeFolders = 0;
    for (long f = 0; f < folders; ++f) {
        std::wstring group = wroot + L"\\group" + std::to_wstring(f / 100);
        if (f % 100 == 0 && ::CreateDirectoryW(group.c_str(), nullptr)) ++madeFolders;
        std::wstring leaf = group + L"\\folder" + std::to_wstring(f);
        if (::CreateDirectoryW(leaf.c_str(), nullptr)) ++madeFolders;
        for (long k = 0; k < filesPerFolder; ++k) {
            std::wstring file = leaf + L"\\file" + std::to_wstring(k) + (k % 2 ? L".txt" : L".exe");
            vt::UniqueFileHandle h(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            if (h) ++madeFiles;
        }
    }
    std::printf("folder tree: %ld folders, %ld files under %s (made in %.1f s)\n", madeFolders + 1, madeFiles,
                root.c_str(), Seconds(t0));

    double oursFolders = 1e9, peerFolders = 1e9, bareFolders = 1e9;
    FolderSink fsink;
    long bareFolderCount = 0, bareFileCount = 0;
    for (int r = 0; r < runs; ++r) {
        fsink = FolderSink{};
        vt::cScanDirectories scan(&fsink);
        auto s = Clock::now();
        scan.BeginScanning(root, "*");
        oursFolders = std::min(oursFolders, Seconds(s));
        bareFolderCount = bareFileCount = 0;
        s = Clock::now();
        BareFolderWalk(wroot, bareFolderCount, bareFileCount);
        bareFolders = std::min(bareFolders, Seconds(s));
        double p = RunQuiet("cmd /c dir /s /b \"" + root + "\"");
        if (p > 0) peerFolders = std::min(peerFolders, p);
    }
    std::printf(
        "folder scanner: %.3f s (%ld folders, %ld files reported); cmd /c dir /s /b: %.3f s; "
        "bare recursion: %.3f s (%ld folders, %ld files)\n",
        oursFolders, fsink.folders, fsink.files, peerFolders, bareFolders, bareFolderCount, bareFileCount);
    std::printf("FOLDER_RATIO=%.2f (dir/scanner, target >= 1.0)\n", peerFolders / oursFolders);
    std::printf("FOLDER_VS_RAW=%.2f (scanner/bare, target <= 1.25)\n", oursFolders / bareFolders);
    t0 = Clock::now();
    vt::bench::RemoveTreeW(wroot);
    std::printf("folder tree removed (%.1f s)%s\n", Seconds(t0),
                ::GetFileAttributesW(wroot.c_str()) == INVALID_FILE_ATTRIBUTES ? "" : " -- NOT fully removed");

    // ---- registry: groups of 1000 keys; values spread so the total is `values`
    const std::string keyPath = "Software\\VantorileTests\\bench_" + std::to_string(::GetCurrentProcessId());
    t0 = Clock::now();
    long madeKeys = 0, madeValues = 0;
    {
        vt::UniqueHKey base;
        ::RegCreateKeyExW(HKEY_CURRENT_USER, vt::Widen(keyPath).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          base.put(), nullptr);
        vt::UniqueHKey group;
        for (long k = 0; k < keys; ++k) {
            if (k % 1000 == 0) {
                std::wstring g = L"group" + std::to_wstring(k / 1000);
                ::RegCreateKeyExW(base.get(), g.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, group.put(), nullptr);
            }
            vt::UniqueHKey key;
            std::wstring name = L"key" + std::to_wstring(k);
            if (::RegCreateKeyExW(group.get(), name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                  nullptr) != ERROR_SUCCESS)
                continue;
            ++madeKeys;
            long here = values / keys + (k < values % keys ? 1 : 0);
            for (long v = 0; v < here; ++v) {
                std::wstring vn = L"value" + std::to_wstring(v);
                const wchar_t data[] = L"C:\\Program Files\\Example\\app.exe /background";
                if (::RegSetValueExW(key.get(), vn.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                                     sizeof(data)) == ERROR_SUCCESS)
                    ++madeValues;
            }
        }
    }
    std::printf("registry tree: %ld keys, %ld values under HKCU\\%s (made in %.1f s)\n", madeKeys, madeValues,
                keyPath.c_str(), Seconds(t0));

    double oursReg = 1e9, peerReg = 1e9, bareReg = 1e9, formerReg = 1e9;
    RegistrySink rsink;
    long bareKeyCount = 0, bareValueCount = 0;
    const std::wstring wkeyPath = vt::Widen(keyPath);
    for (int r = 0; r < runs; ++r) {
        rsink = RegistrySink{};
        vt::cScanRegistry scan(&rsink);
        scan.ScanSubKeys(true);
        auto s = Clock::now();
        scan.BeginScanning(static_cast<int32_t>(0x80000001u), keyPath);
        oursReg = std::min(oursReg, Seconds(s));
        bareKeyCount = bareValueCount = 0;
        s = Clock::now();
        BareRegistryWalk(HKEY_CURRENT_USER, wkeyPath.c_str(), bareKeyCount, bareValueCount);
        bareReg = std::min(bareReg, Seconds(s));
        long k = 0, v = 0;
        s = Clock::now();
        FormerRegistryWalk(wkeyPath, k, v);
        formerReg = std::min(formerReg, Seconds(s));
        double p = RunQuiet("reg query \"HKCU\\" + keyPath + "\" /s");
        if (p > 0) peerReg = std::min(peerReg, p);
    }
    std::printf(
        "registry scanner: %.3f s (%ld keys, %ld values reported); reg query /s: %.3f s; "
        "bare recursion: %.3f s (%ld keys, %ld values)\n",
        oursReg, rsink.keys, rsink.values, peerReg, bareReg, bareKeyCount, bareValueCount);
    std::printf(
        "bare recursion with the scanner's former calls per key (two openings by full path, counts "
        "asked first): %.3f s; scanner/that %.2f, that/bare %.2f\n",
        formerReg, oursReg / formerReg, formerReg / bareReg);
    std::printf("REGISTRY_RATIO=%.2f (reg/scanner, target >= 1.0)\n", peerReg / oursReg);
    std::printf("REGISTRY_VS_RAW=%.2f (scanner/bare, target <= 1.25)\n", oursReg / bareReg);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, vt::Widen(keyPath).c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, vt::Widen(keyPath).c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VantorileTests");  // only when empty
    vt::UniqueHKey gone;
    bool left =
        ::RegOpenKeyExW(HKEY_CURRENT_USER, vt::Widen(keyPath).c_str(), 0, KEY_READ, gone.put()) == ERROR_SUCCESS;
    std::printf("registry tree removed%s\n", left ? " -- NOT fully removed" : "");
    return 0;
}
