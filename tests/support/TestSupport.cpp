#include "support/TestSupport.h"

#include <winhttp.h>
#include <winsock2.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/Handles.h"
#include "platform/MessagePump.h"
#include "platform/WinText.h"

namespace vt::test {

namespace {

std::string UniqueName(const char* prefix) {
    static std::atomic<unsigned> counter{0};
    return std::string(prefix) + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(::GetTickCount()) +
           "_" + std::to_string(counter++);
}

// GET on the reference service; returns the body, "" on any failure.
std::string ServiceGet(const std::string& pathAndQuery) {
    std::string base = ServiceUrl();
    if (base.empty()) return {};
    URL_COMPONENTSW uc{};
    uc.dwStructSize = sizeof(uc);
    wchar_t host[256] = {};
    uc.lpszHostName = host;
    uc.dwHostNameLength = 256;
    std::wstring wbase = Widen(base);
    if (!::WinHttpCrackUrl(wbase.c_str(), 0, 0, &uc)) return {};
    UniqueHInternet session(::WinHttpOpen(L"VantorileTests", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                          WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return {};
    ::WinHttpSetTimeouts(session.get(), 3000, 3000, 3000, 3000);
    UniqueHInternet conn(::WinHttpConnect(session.get(), host, uc.nPort, 0));
    if (!conn) return {};
    std::wstring wpath = Widen(pathAndQuery);
    UniqueHInternet req(::WinHttpOpenRequest(conn.get(), L"GET", wpath.c_str(), nullptr, WINHTTP_NO_REFERER,
                                             WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
    if (!req) return {};
    DWORD ms = 3000;
    ::WinHttpSetOption(req.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &ms, sizeof(ms));
    if (!::WinHttpSendRequest(req.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !::WinHttpReceiveResponse(req.get(), nullptr))
        return {};
    std::string body;
    for (;;) {
        char buf[4096];
        DWORD got = 0;
        if (!::WinHttpReadData(req.get(), buf, sizeof(buf), &got) || got == 0) break;
        body.append(buf, got);
    }
    return body;
}

}  // namespace

TempDir::TempDir() {
    char tmp[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathA(MAX_PATH, tmp);
    std::string base(tmp, n);
    if (!base.empty() && base.back() == '\\') base.pop_back();
    path_ = base + "\\" + UniqueName("vt_");
    ::CreateDirectoryA(path_.c_str(), nullptr);
}

TempDir::~TempDir() {
    // A child process that has just been ended may hold its folder for a moment.
    for (int attempt = 0; attempt < 20 && !RemoveTree(path_); ++attempt) ::Sleep(50);
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    UniqueFileHandle f(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return false;
    DWORD written = 0;
    return ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool FileExists(const std::string& path) {
    DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA fd;
    UniqueFindHandle find(::FindFirstFileA((path + "\\*").c_str(), &fd));
    if (find) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = path + "\\" + name;
            ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
            else ::DeleteFileA(full.c_str());
        } while (::FindNextFileA(find.get(), &fd));
    }
    find.reset();
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryA(path.c_str());
    return ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

TestRegKey::TestRegKey(HKEY root) : root_(root), path_("Software\\VantorileTests\\" + UniqueName("k")) {
    UniqueHKey k;
    ::RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr);
}

TestRegKey::~TestRegKey() {
    for (REGSAM view : {REGSAM{0}, REGSAM{KEY_WOW64_32KEY}, REGSAM{KEY_WOW64_64KEY}}) {
        UniqueHKey k;
        if (::RegOpenKeyExA(root_, path_.c_str(), 0, KEY_ALL_ACCESS | view, k.put()) == ERROR_SUCCESS)
            ::RegDeleteTreeA(k.get(), nullptr);
        ::RegDeleteKeyExA(root_, path_.c_str(), view, 0);
        ::RegDeleteKeyExA(root_, "Software\\VantorileTests", view, 0);  // only succeeds once empty
    }
}

bool PutRegValue(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& bytes,
                 REGSAM view) {
    UniqueHKey k;
    if (::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, k.put(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return ::RegSetValueExA(k.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                            static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool GetRegValue(HKEY root, const std::string& key, const std::string& name, std::string& bytes, REGSAM view,
                 DWORD* type) {
    UniqueHKey k;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE | view, k.put()) != ERROR_SUCCESS) return false;
    DWORD size = 0, t = 0;
    if (::RegQueryValueExA(k.get(), name.c_str(), nullptr, &t, nullptr, &size) != ERROR_SUCCESS) return false;
    std::string data(size + 1, '\0');
    if (::RegQueryValueExA(k.get(), name.c_str(), nullptr, &t, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    data.resize(size);
    bytes = std::move(data);
    if (type) *type = t;
    return true;
}

bool RegValueExists(HKEY root, const std::string& key, const std::string& name, REGSAM view) {
    UniqueHKey k;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE | view, k.put()) != ERROR_SUCCESS) return false;
    return ::RegQueryValueExA(k.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool RegKeyExists(HKEY root, const std::string& key, REGSAM view) {
    UniqueHKey k;
    return ::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE | view, k.put()) == ERROR_SUCCESS;
}

std::string WideBytes(std::wstring_view s, bool terminate) {
    std::string out(reinterpret_cast<const char*>(s.data()), s.size() * sizeof(wchar_t));
    if (terminate) out.append(2, '\0');
    return out;
}

DWORD RegImport(const std::string& file) {
    std::wstring cmd = L"reg.exe import \"" + Widen(file) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return 0xFFFFFFFF;
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    if (::WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) return 0xFFFFFFFE;
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    return code;
}

PlantedValue::PlantedValue(HKEY root, std::string key, std::string name, DWORD type, const std::string& bytes,
                           REGSAM view)
    : root_(root),
      key_(std::move(key)),
      name_(std::move(name)),
      view_(view) {
    for (size_t at = key_.find('\\');; at = key_.find('\\', at + 1)) {
        std::string part = key_.substr(0, at);
        if (!RegKeyExists(root_, part, view_)) created_.push_back(part);
        if (at == std::string::npos) break;
    }
    PutRegValue(root_, key_, name_, type, bytes, view_);
}

PlantedValue::PlantedValue(HKEY root, std::string key, std::string name, const std::string& text, REGSAM view)
    : PlantedValue(root, std::move(key), std::move(name), REG_SZ, text + std::string(1, '\0'), view) {}

PlantedValue::~PlantedValue() {
    UniqueHKey k;
    if (::RegOpenKeyExA(root_, key_.c_str(), 0, KEY_SET_VALUE | view_, k.put()) == ERROR_SUCCESS)
        ::RegDeleteValueA(k.get(), name_.c_str());
    k.reset();
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) ::RegDeleteKeyExA(root_, it->c_str(), view_, 0);
}

std::string ServiceUrl() { return GetEnv("VANTORILE_TEST_SERVICE"); }

std::vector<std::string> ServiceQueries() {
    std::vector<std::string> out;
    std::istringstream in(ServiceGet("/_log"));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

bool SetServiceMode(const std::string& mode) { return ServiceGet("/_control?mode=" + mode) == "ok"; }

int ServiceConnections() { return std::atoi(ServiceGet("/_connections").c_str()); }

int ClosedPort() {
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
        int len = sizeof(addr);
        ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
    }
    ::closesocket(s);  // never listened: connecting is refused
    return port;
}

ScriptedPrompt::ScriptedPrompt() : previous_(SetCurrentPrompt(this)) {}

ScriptedPrompt::~ScriptedPrompt() { SetCurrentPrompt(previous_); }

int ScriptedPrompt::Show(HWND, const std::string& text, const std::string& title, UINT style) {
    asked.push_back({text, title, style});
    if (onAsk) onAsk(asked.back());
    if (answers.empty()) return (style & 0xF) == MB_OK ? IDOK : IDCANCEL;
    int a = answers.front();
    answers.pop_front();
    return a;
}

ChildProcess::~ChildProcess() { Kill(); }

void ChildProcess::Kill() {
    if (process) {
        ::TerminateProcess(process.get(), 0);
        ::WaitForSingleObject(process.get(), 5000);
        process.reset();
    }
}

bool StartSleeper(const std::string& dir, const std::string& name, ChildProcess& child) {
    std::string self = ModulePath();
    std::string sleeper = self.substr(0, self.find_last_of('\\') + 1) + "vt_sleeper.exe";
    std::string target = dir + "\\" + name;
    if (!::CopyFileA(sleeper.c_str(), target.c_str(), FALSE)) return false;
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + target + "\"";
    if (!::CreateProcessA(target.c_str(), cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, dir.c_str(),
                          &si, &pi))
        return false;
    UniqueHandle thread(pi.hThread);
    child.process.reset(pi.hProcess);
    child.id = pi.dwProcessId;
    // Give the loader time to map the module, so its path can be read.
    ::WaitForInputIdle(pi.hProcess, 2000);
    ::Sleep(100);
    return true;
}

AccessibilityClient::~AccessibilityClient() {
    if (toChild_) {
        const char quit[] = "quit\n";
        DWORD written = 0;
        ::WriteFile(toChild_.get(), quit, sizeof(quit) - 1, &written, nullptr);
        toChild_.reset();
    }
    // Its last releases are calls into this thread's apartment: keep answering them
    // while it ends, or both sides wait for each other.
    const DWORD start = ::GetTickCount();
    HANDLE process = child_.process.get();
    while (process && ::GetTickCount() - start < 5000 &&
           ::MsgWaitForMultipleObjects(1, &process, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0)
        DoEvents();
    child_.Kill();
}

bool AccessibilityClient::Start() {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    UniqueHandle childIn, childOut;
    if (!::CreatePipe(childIn.put(), toChild_.put(), &sa, 0)) return false;
    if (!::CreatePipe(fromChild_.put(), childOut.put(), &sa, 0)) return false;
    // Only the child's ends are inherited.
    ::SetHandleInformation(toChild_.get(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(fromChild_.get(), HANDLE_FLAG_INHERIT, 0);
    std::string self = ModulePath();
    std::string exe = self.substr(0, self.find_last_of('\\') + 1) + "vt_accclient.exe";
    std::string cmd = "\"" + exe + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = childIn.get();
    si.hStdOutput = childOut.get();
    si.hStdError = childOut.get();
    PROCESS_INFORMATION pi{};
    const bool started = ::CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                          nullptr, &si, &pi) != FALSE;
    // Our copies of the child's ends go, so a child that ends is seen as gone.
    childIn.reset();
    childOut.reset();
    if (!started) return false;
    UniqueHandle thread(pi.hThread);
    child_.process.reset(pi.hProcess);
    child_.id = pi.dwProcessId;
    return true;
}

std::string AccessibilityClient::Ask(const std::string& request, DWORD timeoutMs) {
    if (!toChild_) return {};
    const std::string line = request + "\n";
    DWORD written = 0;
    if (!::WriteFile(toChild_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) return {};
    const DWORD start = ::GetTickCount();
    for (;;) {
        const size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string answer = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!answer.empty() && answer.back() == '\r') answer.pop_back();
            return answer;
        }
        DWORD avail = 0;
        if (!::PeekNamedPipe(fromChild_.get(), nullptr, 0, nullptr, &avail, nullptr)) return {};
        if (avail) {
            char buf[512];
            DWORD got = 0;
            if (!::ReadFile(fromChild_.get(), buf, sizeof(buf), &got, nullptr)) return {};
            pending_.append(buf, got);
            continue;
        }
        if (::GetTickCount() - start > timeoutMs) return {};
        PumpPending();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

HRESULT AccessibilityClient::Result(const std::string& answer) {
    if (answer.rfind("hr=", 0) != 0) return E_UNEXPECTED;
    return static_cast<HRESULT>(std::strtoul(answer.c_str() + 3, nullptr, 16));
}

std::string AccessibilityClient::Value(const std::string& answer) {
    const size_t space = answer.find(' ');
    return space == std::string::npos ? std::string() : answer.substr(space + 1);
}

Watchdog::Watchdog(DWORD limitMs, const char* what)
    : done_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      limitMs_(limitMs),
      what_(what) {
    thread_.reset(::CreateThread(nullptr, 0, &Watchdog::Run, this, 0, nullptr));
}

Watchdog::~Watchdog() {
    ::SetEvent(done_.get());
    ::WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI Watchdog::Run(void* self) {
    auto* w = static_cast<Watchdog*>(self);
    if (::WaitForSingleObject(w->done_.get(), w->limitMs_) == WAIT_TIMEOUT) {
        std::fprintf(stderr, "watchdog: %s did not end within %lu ms\n", w->what_, w->limitMs_);
        std::fflush(stderr);
        ::ExitProcess(3);
    }
    return 0;
}

LocalAppData::LocalAppData(const std::string& path) : saved_(GetEnv("LOCALAPPDATA")) {
    wasSet_ = ::GetEnvironmentVariableA("LOCALAPPDATA", nullptr, 0) != 0;
    ::SetEnvironmentVariableA("LOCALAPPDATA", path.c_str());
}

LocalAppData::~LocalAppData() { ::SetEnvironmentVariableA("LOCALAPPDATA", wasSet_ ? saved_.c_str() : nullptr); }

bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    while (!pred()) {
        if (::GetTickCount() - start > timeoutMs) return pred();
        PumpPending();
        ::Sleep(5);
    }
    return true;
}

DWORD GdiObjectCount() {
    if (DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) return n;
    DWORD n = 0;
    for (ULONG_PTR slot = 1; slot < 0x10000; ++slot)
        if (::GetObjectType(reinterpret_cast<HGDIOBJ>(slot))) ++n;
    return n;
}

}  // namespace vt::test
