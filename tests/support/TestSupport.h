// Fixtures shared by the Windows tests: throwaway folders and registry keys that clean
// up after themselves, the reference reputation service started for this test run, and
// a scripted answerer for the prompt seam.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

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

// A key "Software\VantorileTests\<unique>" under HKEY_CURRENT_USER, deleted with its
// whole subtree at the end of the scope.
class TestRegKey {
public:
    TestRegKey();
    ~TestRegKey();
    TestRegKey(const TestRegKey&) = delete;
    TestRegKey& operator=(const TestRegKey&) = delete;
    const std::string& path() const { return path_; }  // relative to HKEY_CURRENT_USER
    HKEY root() const { return HKEY_CURRENT_USER; }

private:
    std::string path_;
};

// The reference service started by the test runner for this executable, as
// "http://127.0.0.1:PORT", or "" when none was started.
std::string ServiceUrl();
// The queries the service has received so far (the decoded "q" values, oldest first).
std::vector<std::string> ServiceQueries();
// Sets how the service answers from now on: "normal", "500", "close", "empty", "garbage",
// "slow:SECONDS", "huge"; true when the service acknowledged it.
bool SetServiceMode(const std::string& mode);
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
    int Show(HWND owner, const std::string& text, const std::string& title, UINT style) override;

    std::deque<int> answers;     // popped front first; IDCANCEL / IDOK when empty
    std::vector<Asked> asked;
    std::function<void(const Asked&)> onAsk;  // runs before the answer is returned

private:
    IPrompt* previous_;
};

// Starts a copy of a small console program that just waits (for process tests), from
// exePath; returns its process handle and id. The caller ends it.
struct ChildProcess {
    HANDLE process = nullptr;
    DWORD id = 0;
    ~ChildProcess();
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
    HANDLE toChild_ = nullptr, fromChild_ = nullptr;
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

// Pumps messages until pred() is true or timeoutMs passed; returns pred().
bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 5000);

// The live GDI objects of this process: GetGuiResources where the system counts them.
// Wine answers 0 there, but its GDI handles keep their table slot in the low word and a
// handle without a high word stands for whatever object holds that slot, so probing every
// slot counts them. 0 only when neither way counts anything.
DWORD GdiObjectCount();

}  // namespace vt::test
