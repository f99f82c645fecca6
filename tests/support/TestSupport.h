// Fixtures shared by the Windows tests: throwaway folders and registry keys that clean
// up after themselves, the reference reputation service started for this test run, and
// a scripted answerer for the prompt seam.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Handles.h"
#include "platform/Prompt.h"

namespace vt::test {

// A fresh folder under %TEMP%, removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // path + "\" + name
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Writes bytes to a file (creating folders is the caller's job); true on success.
bool WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// Removes a folder tree; true when it is gone afterwards.
bool RemoveTree(const std::string& path);

// A key "Software\VantorileTests\<unique>" under HKEY_CURRENT_USER (or another root),
// deleted with its whole subtree at the end of the scope, from every registry view (under
// HKEY_LOCAL_MACHINE the 32-bit view of a 64-bit system keeps a key of its own there).
class TestRegKey {
public:
    explicit TestRegKey(HKEY root = HKEY_CURRENT_USER);
    ~TestRegKey();
    TestRegKey(const TestRegKey&) = delete;
    TestRegKey& operator=(const TestRegKey&) = delete;
    const std::string& path() const { return path_; }  // relative to root()
    HKEY root() const { return root_; }

private:
    HKEY root_;
    std::string path_;
};

// Raw registry access in a view (0, KEY_WOW64_32KEY or KEY_WOW64_64KEY), so tests plant
// values and read back what the classes did without going through them.
bool PutRegValue(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& bytes,
                 REGSAM view = 0);
// The value's bytes, or false when it cannot be read.
bool GetRegValue(HKEY root, const std::string& key, const std::string& name, std::string& bytes, REGSAM view = 0,
                 DWORD* type = nullptr);
bool RegValueExists(HKEY root, const std::string& key, const std::string& name, REGSAM view = 0);
bool RegKeyExists(HKEY root, const std::string& key, REGSAM view = 0);

// Wide text as the registry stores it: its UTF-16LE bytes, with the terminating NUL unit
// unless `terminate` is false.
std::string WideBytes(std::wstring_view s, bool terminate = true);
// Imports an export file with the system's own `reg import`, waited for (20 s at most);
// its exit code, 0xFFFFFFFF when it cannot start, 0xFFFFFFFE when it did not end in time.
DWORD RegImport(const std::string& file);

// A value planted in a real key of the prefix (a Run key, a StartupApproved list ...) in
// a chosen view for the length of a scope; the keys it had to create go again afterwards.
class PlantedValue {
public:
    PlantedValue(HKEY root, std::string key, std::string name, DWORD type, const std::string& bytes, REGSAM view = 0);
    // A REG_SZ text.
    PlantedValue(HKEY root, std::string key, std::string name, const std::string& text, REGSAM view = 0);
    ~PlantedValue();
    PlantedValue(const PlantedValue&) = delete;
    PlantedValue& operator=(const PlantedValue&) = delete;
    bool Exists() const { return RegValueExists(root_, key_, name_, view_); }

private:
    HKEY root_;
    std::string key_, name_;
    REGSAM view_;
    std::vector<std::string> created_;  // keys made for the value, outermost first
};

// The reference service started by the test runner for this executable, as
// "http://127.0.0.1:PORT", or "" when none was started.
std::string ServiceUrl();
// The queries the service has received so far (the decoded "q" values, oldest first).
std::vector<std::string> ServiceQueries();
// Sets how the service answers from now on: "normal", "500", "close", "empty", "garbage",
// "slow:SECONDS", "huge", or a hostile answer ("redirect", "long-length", "short-length",
// "line10m", "zeros", "cut"); "MODE&count=N" answers N lookups so, then normally. True when
// the service acknowledged it.
bool SetServiceMode(const std::string& mode);
// How many connections have carried lookups to the service so far.
int ServiceConnections();
// A loopback port on which nothing listens.
int ClosedPort();

// Answers the prompt seam from a script and records what was asked.
class ScriptedPrompt : public IPrompt {
public:
    struct Asked {
        std::string text, title;
        UINT style;
    };
    ScriptedPrompt();
    ~ScriptedPrompt() override;
    ScriptedPrompt(const ScriptedPrompt&) = delete;
    ScriptedPrompt& operator=(const ScriptedPrompt&) = delete;
    int Show(HWND owner, const std::string& text, const std::string& title, UINT style) override;

    std::deque<int> answers;  // popped front first; IDCANCEL / IDOK when empty
    std::vector<Asked> asked;
    std::function<void(const Asked&)> onAsk;  // runs before the answer is returned

private:
    IPrompt* previous_;
};

// Starts a copy of a small console program that just waits (for process tests), from
// exePath; returns its process handle and id. The caller ends it.
struct ChildProcess {
    UniqueHandle process;
    DWORD id = 0;
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    void Kill();
};
// Copies the helper "sleeper" executable to dir\name and starts it.
bool StartSleeper(const std::string& dir, const std::string& name, ChildProcess& child);

// The helper program "vt_accclient" in a process of its own: it reads our windows through
// their accessible objects, as a screen reader does. Ask() sends one request (see the
// helper's header) and returns the answer line, pumping this thread's messages while it
// waits, since the answers come from windows and objects that live on this thread.
class AccessibilityClient {
public:
    AccessibilityClient() = default;
    AccessibilityClient(const AccessibilityClient&) = delete;
    AccessibilityClient& operator=(const AccessibilityClient&) = delete;
    ~AccessibilityClient();
    bool Start();
    // "" when the helper did not answer within timeoutMs.
    std::string Ask(const std::string& request, DWORD timeoutMs = 10000);
    // The HRESULT at the head of an answer ("hr=80004005 ..."), E_UNEXPECTED for none.
    static HRESULT Result(const std::string& answer);
    // What follows the HRESULT.
    static std::string Value(const std::string& answer);

private:
    ChildProcess child_;
    UniqueHandle toChild_, fromChild_;
    std::string pending_;
};

// %LOCALAPPDATA% pointed at a folder of the test (a temporary one) for its scope, so what
// the program keeps there (the removal's backups) goes with the folder.
class LocalAppData {
public:
    explicit LocalAppData(const std::string& path);
    ~LocalAppData();
    LocalAppData(const LocalAppData&) = delete;
    LocalAppData& operator=(const LocalAppData&) = delete;

private:
    std::string saved_;
    bool wasSet_;
};

// Ends the whole test program (exit code 3) when its scope is not left within the limit,
// so a call that hangs is a loud failure and not a stuck run.
class Watchdog {
public:
    Watchdog(DWORD limitMs, const char* what);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    UniqueHandle done_;
    UniqueHandle thread_;
    DWORD limitMs_;
    const char* what_;
    static DWORD WINAPI Run(void* self);
};

// Pumps messages until pred() is true or timeoutMs passed; returns pred().
bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 5000);

// The live GDI objects of this process: GetGuiResources where the system counts them.
// Wine answers 0 there, but its GDI handles keep their table slot in the low word and a
// handle without a high word stands for whatever object holds that slot, so probing every
// slot counts them. 0 only when neither way counts anything.
DWORD GdiObjectCount();

}  // namespace vt::test
