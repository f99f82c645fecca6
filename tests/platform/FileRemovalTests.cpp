#include <gtest/gtest.h>

#include <windows.h>

#include "core/Wildcard.h"
#include "platform/FileRemoval.h"
#include "platform/Handles.h"
#include "platform/WinText.h"
#include "support/TestSupport.h"

namespace vt::test {
namespace {

TEST(FileRemoval, SystemFilesAreTheWindowsFolderAndTheProgramItself) {
    const std::string win = WindowsFolderPath();
    ASSERT_FALSE(win.empty());
    TempDir dir;
    ASSERT_TRUE(WriteFile(dir / "notepad.exe", "x"));
    char shortBuf[MAX_PATH] = {};
    ::GetShortPathNameA(win.c_str(), shortBuf, MAX_PATH);
    struct Case {
        std::string path;
        bool system;
    } cases[] = {
        {win + "\\system32\\notepad.exe", true},
        {LowerAscii(win) + "\\EXPLORER.EXE", true},
        {win + "\\system32\\..\\notepad.exe", true},
        {win + "\\Temp\\deep\\er\\a.exe", true},
        {std::string(shortBuf) + "\\notepad.exe", true},
        {ModulePath(), true},
        {dir / "notepad.exe", false},
        {win + "2\\a.exe", false},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsSystemFile(c.path), c.system) << c.path;

    EXPECT_TRUE(IsImpostorFile(dir / "svchost.exe"));
    EXPECT_TRUE(IsImpostorFile(win + "\\Temp\\svchost.exe"));
    EXPECT_FALSE(IsImpostorFile(win + "\\system32\\svchost.exe"));
    EXPECT_FALSE(IsImpostorFile(win + "\\explorer.exe"));
    EXPECT_FALSE(IsImpostorFile(dir / "svch0st.exe"));
    // Registry data names folders through variables; a bare name names no folder.
    EXPECT_FALSE(IsImpostorFile("%SystemRoot%\\system32\\svchost.exe"));
    EXPECT_TRUE(IsSystemFile("%SystemRoot%\\explorer.exe"));
    EXPECT_FALSE(IsImpostorFile("svchost.exe"));
    EXPECT_FALSE(IsImpostorFile("sub\\svchost.exe"));
}

TEST(FileRemoval, AFileHeldWithoutDeleteSharingIsInUse) {
    TempDir dir;
    const std::string path = dir / "held.txt";
    ASSERT_TRUE(WriteFile(path, "x"));
    EXPECT_FALSE(FileInUse(path));
    {
        UniqueFileHandle held(
            ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_TRUE(FileInUse(path));
        DWORD error = 0;
        EXPECT_FALSE(DeleteFileForGood(path, error));
        EXPECT_TRUE(IsInUseError(error)) << error;
    }
    EXPECT_FALSE(FileInUse(path));
    EXPECT_FALSE(FileInUse(dir / "missing.txt"));
}

// Wine keeps the Recycle Bin in the desktop's trash folder; the test runner points it
// into the build tree.
std::string TrashFolder() {
    std::string data = GetEnv("XDG_DATA_HOME");
    if (data.empty() || data[0] != '/') return {};
    for (char& c : data)
        if (c == '/') c = '\\';
    return "Z:" + data + "\\Trash";
}

TEST(FileRemoval, RecycledFileLeavesItsPlaceForTheTrash) {
    const std::string trash = TrashFolder();
    if (trash.empty()) GTEST_SKIP() << "XDG_DATA_HOME is set by scripts/test";
    TempDir dir;
    const std::string name = "vt_recycled_" + std::to_string(::GetCurrentProcessId()) + ".txt";
    const std::string path = dir / name;
    ASSERT_TRUE(WriteFile(path, "keep me"));
    EXPECT_TRUE(CanRecycle(path));
    DWORD error = 0;
    ASSERT_TRUE(RecycleFile(path, error)) << error;
    EXPECT_FALSE(FileExists(path));
    const std::string inTrash = trash + "\\files\\" + name;
    EXPECT_TRUE(FileExists(inTrash));
    ::DeleteFileA(inTrash.c_str());
    ::DeleteFileA((trash + "\\info\\" + name + ".trashinfo").c_str());
}

TEST(FileRemoval, DeletionAtRestartIsRecordedForTheSystem) {
    TempDir dir;
    const std::string path = dir / "later.exe";
    ASSERT_TRUE(WriteFile(path, "x"));
    const char* key = "System\\CurrentControlSet\\Control\\Session Manager";
    UniqueHKey k;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, k.put()), ERROR_SUCCESS);
    auto read = [&](DWORD& type) {
        std::wstring v(32768, L'\0');
        DWORD size = static_cast<DWORD>(v.size() * sizeof(wchar_t));
        if (::RegQueryValueExW(k.get(), L"PendingFileRenameOperations", nullptr, &type,
                               reinterpret_cast<BYTE*>(v.data()), &size) != ERROR_SUCCESS)
            return std::wstring();
        v.resize(size / sizeof(wchar_t));
        return v;
    };
    DWORD type = REG_MULTI_SZ;
    const std::wstring before = read(type);
    DWORD error = 0;
    ASSERT_TRUE(DeleteAtRestart(path, error)) << error;
    const std::wstring after = read(type);
    // Put the system's list back as it was: nothing of this test is left for a restart.
    if (before.empty()) {
        ::RegDeleteValueW(k.get(), L"PendingFileRenameOperations");
    } else {
        ::RegSetValueExW(k.get(), L"PendingFileRenameOperations", 0, type, reinterpret_cast<const BYTE*>(before.data()),
                         static_cast<DWORD>(before.size() * sizeof(wchar_t)));
    }
    EXPECT_NE(after.find(Widen(path)), std::wstring::npos);
    EXPECT_TRUE(FileExists(path));
}

}  // namespace
}  // namespace vt::test
