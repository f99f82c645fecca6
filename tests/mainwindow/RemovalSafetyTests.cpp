// The removal's safety rails and its way back, through the real window: system files are
// never offered for deletion, script hosts point at their script, impostor names are
// marked, every removed value is saved where an import puts it back, and agreed files go
// to the Recycle Bin (or, held open, at the next restart).
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <set>

#include "core/Wildcard.h"
#include "fileinfo/cShellLink.h"
#include "mainwindow/MainWindowSupport.h"
#include "inventory/pure/StartupCodes.h"
#include "platform/FileRemoval.h"
#include "platform/WinText.h"
#include "scanners/cScanDirectories.h"

namespace vt::test {
namespace {

constexpr COLORREF kImpostorRed = RGB(192, 0, 0);

// A REG_SZ value of the current user's Run key for the length of a test.
class RunEntry {
public:
    RunEntry(const std::string& name, const std::string& text) : name_(name) {
        ::RegCreateKeyExA(HKEY_CURRENT_USER, kKeyRun, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr);
        ::RegSetValueExA(key_.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
    }
    ~RunEntry() { ::RegDeleteValueA(key_.get(), name_.c_str()); }
    RunEntry(const RunEntry&) = delete;
    RunEntry& operator=(const RunEntry&) = delete;
    bool Exists() const {
        return ::RegQueryValueExA(key_.get(), name_.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }

private:
    UniqueHKey key_;
    std::string name_;
};

std::set<DWORD> ProcessIds(const std::string& exeName) {
    std::set<DWORD> ids;
    UniqueFileHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    for (BOOL ok = ::Process32FirstW(snap.get(), &e); ok; ok = ::Process32NextW(snap.get(), &e))
        if (LowerAscii(Narrow(e.szExeFile)) == exeName) ids.insert(e.th32ProcessID);
    return ids;
}

// Wine keeps the Recycle Bin in the desktop's trash folder, which the test runner points
// into the build tree. Entries the test made go again at the end of its scope.
class Trash {
public:
    Trash() {
        std::string data = GetEnv("XDG_DATA_HOME");
        for (char& c : data)
            if (c == '/') c = '\\';
        if (!data.empty() && data[0] == '\\') folder_ = "Z:" + data + "\\Trash";
    }
    ~Trash() {
        for (const std::string& n : names_) {
            ::DeleteFileA((folder_ + "\\files\\" + n).c_str());
            ::DeleteFileA((folder_ + "\\info\\" + n + ".trashinfo").c_str());
        }
    }
    Trash(const Trash&) = delete;
    Trash& operator=(const Trash&) = delete;
    bool Known() const { return !folder_.empty(); }
    bool Holds(const std::string& name) {
        names_.push_back(name);
        return FileExists(folder_ + "\\files\\" + name);
    }

private:
    std::string folder_;
    std::vector<std::string> names_;
};

// Scripted answers for the questions only; notices (OK alone) are recorded and closed.
class QuestionPrompt : public ScriptedPrompt {
public:
    int Show(HWND owner, const std::string& text, const std::string& title, UINT style) override {
        if ((style & 0xF) != MB_OK) return ScriptedPrompt::Show(owner, text, title, style);
        asked.push_back({text, title, style});
        return IDOK;
    }
};

class RemovalSafety : public StartupWindowTest<QuestionPrompt> {
protected:
    int Row(const std::string& text) { return FindRow(form->ListView2(), text); }
    // Selects the row, answers the questions with `answers` and presses "Elimina voce".
    void Remove(const std::string& row, std::deque<int> answers) {
        prompt.asked.clear();
        int r = Row(row);
        ASSERT_GE(r, 0) << row;
        form->ListView2().Select(r);
        prompt.answers = std::move(answers);
        Click(form->Control(IDC_COMMAND3));
    }
    // The questions asked (Yes/No/Cancel), without the notices.
    std::vector<std::string> Questions() const {
        std::vector<std::string> q;
        for (const auto& a : prompt.asked)
            if ((a.style & 0xF) == MB_YESNOCANCEL) q.push_back(a.text);
        return q;
    }
    // Everything asked and told, one line each, for a failure's message.
    std::string Asked() const {
        std::string all;
        for (const auto& a : prompt.asked) all += "\n  " + a.text;
        return all;
    }
};

TEST_F(RemovalSafety, SystemProgramsAreRemovedWithoutAFileQuestion) {
    const std::string win = WindowsFolderPath();
    const std::string notepad = win + "\\system32\\notepad.exe";
    const std::string explorer = win + "\\explorer.exe";
    ASSERT_TRUE(FileExists(notepad));
    ASSERT_TRUE(FileExists(explorer));
    const std::set<DWORD> explorers = ProcessIds("explorer.exe");
    ASSERT_FALSE(explorers.empty());
    RunEntry a("vtSysNotepad", notepad);
    RunEntry b("vtSysExplorer", "\"" + explorer + "\"");
    RunEntry c("vtSysMshta", "mshta.exe https://example.invalid/x");
    Scan();
    for (const char* name : {"vtSysNotepad", "vtSysExplorer", "vtSysMshta"}) {
        Remove(name, {IDYES, IDYES});
        EXPECT_EQ(Questions(), std::vector<std::string>{"Sei sicuro di voler rimuovere la voce di avvio " +
                                                        std::string(name) + "?"});
        EXPECT_EQ(prompt.asked.size(), 1u) << name;  // no notice of a process or a file either
        EXPECT_EQ(Row(name), -1);                    // removed, and the list rebuilt
    }
    EXPECT_FALSE(a.Exists());
    EXPECT_FALSE(b.Exists());
    EXPECT_FALSE(c.Exists());
    EXPECT_TRUE(FileExists(notepad));
    EXPECT_TRUE(FileExists(explorer));
    EXPECT_EQ(ProcessIds("explorer.exe"), explorers);
}

TEST_F(RemovalSafety, ScriptHostsOfferTheirScriptAndYesRecyclesOnlyThat) {
    Trash trash;
    ASSERT_TRUE(trash.Known()) << "scripts/test points XDG_DATA_HOME into the build tree";
    const std::string vt = dir / "vt";
    ASSERT_TRUE(::CreateDirectoryA(vt.c_str(), nullptr));
    const std::string vbs = vt + "\\start up.vbs", ps1 = vt + "\\b.ps1", dll = vt + "\\c.dll";
    for (const std::string& f : {vbs, ps1, dll}) ASSERT_TRUE(WriteFile(f, "' script"));
    RunEntry a("vtHostWscript", "wscript.exe \"" + vbs + "\" //B");
    RunEntry b("vtHostPowershell", "powershell.exe -NoProfile -w hidden -File " + ps1);
    RunEntry c("vtHostRegsvr", "regsvr32 /s " + dll);
    Scan();
    struct Case {
        const char* row;
        std::string file, leaf;
    } cases[] = {
        {"vtHostWscript", vbs, "start up.vbs"}, {"vtHostPowershell", ps1, "b.ps1"}, {"vtHostRegsvr", dll, "c.dll"}};
    for (const Case& k : cases) {
        Remove(k.row, {IDYES, IDYES});
        ASSERT_EQ(Questions().size(), 2u) << k.row << Asked();
        EXPECT_EQ(Questions()[1], "Vuoi anche eliminare il file " + k.file + " dal PC?");
        EXPECT_FALSE(FileExists(k.file)) << k.row;
        EXPECT_TRUE(trash.Holds(k.leaf)) << k.row;
    }
    EXPECT_FALSE(a.Exists() || b.Exists() || c.Exists());

    // A shortcut to a host offers the script its arguments name.
    const std::string lnkScript = vt + "\\linked.js";
    ASSERT_TRUE(WriteFile(lnkScript, "// script"));
    cScanDirectories dirs;
    const std::string lnk = dirs.GetDirectory(7) + "\\vtHostLink.lnk";
    cShellLink links;
    ASSERT_TRUE(links.CreateShellLink(lnk, WindowsFolderPath() + "\\system32\\cscript.exe", "",
                                      "//Nologo \"" + lnkScript + "\"", "", 0, 1));
    Scan();
    Remove("vtHostLink.lnk", {IDYES, IDYES});
    ::DeleteFileA(lnk.c_str());
    ASSERT_EQ(Questions().size(), 2u) << Asked();
    EXPECT_EQ(Questions()[1], "Vuoi anche eliminare il file " + lnkScript + " dal PC?");
    EXPECT_FALSE(FileExists(lnkScript));
    EXPECT_TRUE(trash.Holds("linked.js"));
    EXPECT_TRUE(trash.Holds("vtHostLink.lnk"));
    for (const char* host : {"wscript.exe", "regsvr32.exe"})
        EXPECT_TRUE(FileExists(WindowsFolderPath() + "\\system32\\" + host));
}

TEST_F(RemovalSafety, ImpostorNamesAreDrawnRedWithATip) {
    ChildProcess child;
    ASSERT_TRUE(StartSleeper(dir.path(), "svchost.exe", child));
    Click(form->Control(IDC_COMMAND2));
    ListView& list = form->ListView1();
    int impostor = -1, genuine = 0;
    for (int i = 0; i < list.Count(); ++i) {
        if (LowerAscii(list.Text(i, 0)) != "svchost.exe") continue;
        if (list.Text(i, 2) == std::to_string(child.id)) {
            impostor = i;
        } else {
            ++genuine;
            EXPECT_EQ(list.TextColor(i, 0), CLR_DEFAULT) << list.Text(i, 1);
            EXPECT_EQ(list.ToolTip(i, 0), "");
        }
    }
    ASSERT_GE(impostor, 0);
    EXPECT_GT(genuine, 0);  // the prefix runs the real one
    EXPECT_EQ(list.TextColor(impostor, 0), kImpostorRed);
    EXPECT_EQ(list.ToolTip(impostor, 0),
              "Attenzione: il nome di un file di sistema \xc3\xa8 usato fuori dalla cartella di Windows.");
    EXPECT_EQ(RowImage(list, impostor), 1);  // the service's grade stays

    // The startup list marks them the same way, whatever names the entry.
    const std::string quoted = '"' + (dir / "svchost.exe") + "\" -k";
    RunEntry run("vtImpostorRun", quoted);
    RunEntry real("vtRealExplorer", WindowsFolderPath() + "\\explorer.exe");
    Scan();
    ListView& startup = form->ListView2();
    EXPECT_EQ(startup.TextColor(Row("vtImpostorRun"), 0), kImpostorRed);
    EXPECT_NE(startup.ToolTip(Row("vtImpostorRun"), 0), "");
    EXPECT_EQ(startup.TextColor(Row("vtRealExplorer"), 0), CLR_DEFAULT);
}

// A value of the current user's Run key written with the wide call, bytes as given.
class WideRunValue {
public:
    WideRunValue(std::wstring name, DWORD type, std::string bytes)
        : name_(std::move(name)),
          type_(type),
          bytes_(std::move(bytes)) {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, Widen(kKeyRun).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(),
                          nullptr);
        ::RegSetValueExW(key_.get(), name_.c_str(), 0, type_, reinterpret_cast<const BYTE*>(bytes_.data()),
                         static_cast<DWORD>(bytes_.size()));
    }
    ~WideRunValue() { ::RegDeleteValueW(key_.get(), name_.c_str()); }
    WideRunValue(const WideRunValue&) = delete;
    WideRunValue& operator=(const WideRunValue&) = delete;
    bool Exists() const {
        return ::RegQueryValueExW(key_.get(), name_.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }
    // Whether the value is there again with the same type and bytes.
    bool Restored() const {
        std::string back(bytes_.size() + 16, '\0');
        DWORD type = 0, size = static_cast<DWORD>(back.size());
        if (::RegQueryValueExW(key_.get(), name_.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(back.data()),
                               &size) != ERROR_SUCCESS)
            return false;
        back.resize(size);
        return type == type_ && back == bytes_;
    }
    std::string Name() const { return Narrow(name_); }

private:
    UniqueHKey key_;
    std::wstring name_;
    DWORD type_;
    std::string bytes_;
};

std::string TodaysBackup(const TempDir& dir) {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    char name[64];
    std::snprintf(name, sizeof name, "removed-%04u-%02u-%02u.reg", unsigned{now.wYear}, unsigned{now.wMonth},
                  unsigned{now.wDay});
    return dir / ("Vantorile\\Backup\\" + std::string(name));
}

TEST_F(RemovalSafety, RemovedValuesComeBackByteForByteWithRegImport) {
    std::vector<std::unique_ptr<WideRunValue>> values;
    values.push_back(std::make_unique<WideRunValue>(L"vtBackSz \"q\" \\b\\", REG_SZ,
                                                    WideBytes(L"\"C:\\Program Files\\Citt\u00e0\\a.exe\" /x \"y\\\"")));
    values.push_back(
        std::make_unique<WideRunValue>(L"vtBackCaff\u00e8", REG_EXPAND_SZ, WideBytes(L"%TEMP%\\\u00e8\u20ac.exe")));
    values.push_back(std::make_unique<WideRunValue>(
        L"vtBackMulti", REG_MULTI_SZ, WideBytes(std::wstring(L"C:\\m.exe\0second \u00e0\0\0", 19), false)));
    values.push_back(std::make_unique<WideRunValue>(L"vtBackEmpty", REG_SZ, WideBytes(L"")));
    values.push_back(
        std::make_unique<WideRunValue>(L"vtBackBinary", REG_BINARY, std::string("C:\\bin.exe\0\xff\x01", 13)));
    Scan();
    for (const auto& v : values) {
        Remove(v->Name(), {IDYES, IDNO});
        EXPECT_FALSE(v->Exists()) << v->Name();
    }
    const std::string file = TodaysBackup(dir);
    ASSERT_TRUE(FileExists(file));
    ASSERT_EQ(RegImport(file), 0u);
    for (const auto& v : values) EXPECT_TRUE(v->Restored()) << v->Name();
}

TEST_F(RemovalSafety, AValueThatCannotBeSavedStaysAndTheUserIsTold) {
    ASSERT_TRUE(WriteFile(dir / "Vantorile", "a file where the backup folder should be"));
    RunEntry v("vtUnsaved", "C:\\Tools\\unsaved.exe");
    Scan();
    Remove("vtUnsaved", {IDYES, IDYES});
    EXPECT_TRUE(v.Exists());
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[1].style, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(prompt.asked[1].text.rfind("Impossibile salvare una copia della voce vtUnsaved", 0), 0u)
        << prompt.asked[1].text;
    EXPECT_NE(prompt.asked[1].text.find("La voce non \xc3\xa8 stata rimossa."), std::string::npos);
    EXPECT_GE(Row("vtUnsaved"), 0);
}

TEST_F(RemovalSafety, AFileHeldOpenIsOfferedForTheNextRestart) {
    const std::string exe = dir / "vt_held.exe";
    ASSERT_TRUE(WriteFile(exe, "x"));
    UniqueFileHandle held(
        ::CreateFileA(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    RunEntry v("vtHeld", "\"" + exe + "\" /min");
    UniqueHKey session;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                              KEY_QUERY_VALUE | KEY_SET_VALUE, session.put()),
              ERROR_SUCCESS);
    auto pending = [&](DWORD& type) {
        std::string v(65536, '\0');
        DWORD size = static_cast<DWORD>(v.size());
        if (::RegQueryValueExW(session.get(), L"PendingFileRenameOperations", nullptr, &type,
                               reinterpret_cast<BYTE*>(v.data()), &size) != ERROR_SUCCESS)
            return std::string();
        v.resize(size);
        return v;
    };
    DWORD type = REG_MULTI_SZ;
    const std::string before = pending(type);
    Scan();
    Remove("vtHeld", {IDYES, IDYES, IDYES});
    DWORD ignored = 0;
    const std::string after = pending(ignored);
    // Nothing of this test is left for the prefix's next start.
    if (before.empty()) {
        ::RegDeleteValueW(session.get(), L"PendingFileRenameOperations");
    } else {
        ::RegSetValueExW(session.get(), L"PendingFileRenameOperations", 0, type,
                         reinterpret_cast<const BYTE*>(before.data()), static_cast<DWORD>(before.size()));
    }
    const std::vector<std::string> q = Questions();
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(q[1], "Vuoi anche eliminare il file " + exe + " dal PC?");
    EXPECT_EQ(q[2], "Il file " + exe +
                        " \xc3\xa8 in uso e non pu\xc3\xb2 essere eliminato ora. Vuoi eliminarlo al "
                        "prossimo riavvio del PC?");
    EXPECT_NE(after.find(WideBytes(Widen(exe), false)), std::string::npos);
    EXPECT_TRUE(FileExists(exe));
    EXPECT_FALSE(v.Exists());
}

// A folder below the prefix's own Windows\Temp: a place inside the Windows folder that the
// test may write to. Removed with its contents afterwards.
class WindowsTempDir {
public:
    WindowsTempDir() : path_(WindowsFolderPath() + "\\Temp\\vt_sys_" + std::to_string(::GetCurrentProcessId())) {
        ::CreateDirectoryA((WindowsFolderPath() + "\\Temp").c_str(), nullptr);
        ::CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~WindowsTempDir() {
        for (int attempt = 0; attempt < 20 && !RemoveTree(path_); ++attempt) ::Sleep(50);
    }
    WindowsTempDir(const WindowsTempDir&) = delete;
    WindowsTempDir& operator=(const WindowsTempDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

TEST_F(RemovalSafety, AProgramInTheWindowsFolderIsNeitherEndedNorDeleted) {
    WindowsTempDir sys;
    ChildProcess child;
    ASSERT_TRUE(StartSleeper(sys.path(), "vt_sysprog.exe", child));
    const std::string exe = sys.path() + "\\vt_sysprog.exe";
    RunEntry v("vtSysRunning", "\"" + exe + "\" /background");
    Scan();
    Remove("vtSysRunning", {IDYES, IDYES, IDYES});
    EXPECT_EQ(prompt.asked.size(), 1u);
    EXPECT_FALSE(v.Exists());
    EXPECT_TRUE(ProcessAlive(child.process.get()));
    EXPECT_TRUE(FileExists(exe));

    // "Termina & Elimina" still ends it after its own question, and asks nothing about its file.
    Click(form->Control(IDC_COMMAND2));
    ListView& list = form->ListView1();
    int row = -1;
    for (int i = 0; i < list.Count(); ++i)
        if (list.Text(i, 2) == std::to_string(child.id)) row = i;
    ASSERT_GE(row, 0);
    list.Select(row);
    prompt.asked.clear();
    prompt.answers = {IDYES, IDYES};
    Click(form->Control(IDC_COMMAND1));
    EXPECT_EQ(Questions(), std::vector<std::string>{"Sei sicuro di voler terminare il processo vt_sysprog.exe?"});
    EXPECT_EQ(::WaitForSingleObject(child.process.get(), 3000), WAIT_OBJECT_0);
    EXPECT_TRUE(FileExists(exe));
}

}  // namespace
}  // namespace vt::test
