#include "tasks/TaskService.h"

#include <cstdio>

#include "core/PathText.h"
#include "platform/WinText.h"

namespace vt::tasks {

namespace {

std::string Trimmed(const std::string& s) {
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

bool HasExtension(const std::string& path) { return FileNamePart(path).find('.') != std::string::npos; }

bool IsFile(const std::string& path) {
    DWORD a = ::GetFileAttributesW(LongPath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The default value of a class's InprocServer32 key under `root`, as stored.
bool HandlerValue(HKEY root, const std::wstring& key, std::string& value) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD size = 0;
        constexpr DWORD kFlags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
        if (::RegGetValueW(root, key.c_str(), nullptr, kFlags, nullptr, nullptr, &size) != ERROR_SUCCESS) return false;
        std::wstring buf(size / sizeof(wchar_t) + 1, L'\0');
        LSTATUS rc = ::RegGetValueW(root, key.c_str(), nullptr, kFlags, nullptr, buf.data(), &size);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return false;
        buf.resize(wcsnlen(buf.c_str(), buf.size()));
        value = Narrow(buf);
        return true;
    }
    return false;
}

}  // namespace

HRESULT ConnectTaskService(ComPtr<ITaskService>& service) {
    HRESULT hr =
        ::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService, service.put_void());
    if (FAILED(hr)) return hr;
    VARIANT none;
    ::VariantInit(&none);
    hr = service->Connect(none, none, none, none);
    if (FAILED(hr)) service.reset();
    return hr;
}

std::string TaskErrorText(HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    if (hr == SCHED_E_SERVICE_NOT_RUNNING)
        return std::string("il servizio Utilit\xc3\xa0 di pianificazione non \xc3\xa8 in esecuzione (") + code + ")";
    if (hr == E_NOTIMPL) return std::string("il sistema non offre questa funzione (") + code + ")";
    if (HRESULT_FACILITY(hr) == FACILITY_WIN32) return SystemErrorText(HRESULT_CODE(hr));
    std::string text = SystemErrorText(static_cast<DWORD>(hr));
    if (text.rfind("Error ", 0) == 0) return std::string("errore ") + code;
    return text + " (" + code + ")";
}

UniqueBstr MakeBstr(const std::string& utf8) {
    const std::wstring w = Widen(utf8);
    return UniqueBstr(::SysAllocStringLen(w.data(), static_cast<UINT>(w.size())));
}

std::string BstrText(BSTR text) {
    if (text == nullptr) return {};
    return Narrow(std::wstring_view(text, ::SysStringLen(text)));
}

std::wstring LongPath(const std::string& path) {
    std::wstring w = Widen(path);
    if (w.size() >= 3 && w[1] == L':' && w[2] == L'\\') return L"\\\\?\\" + w;
    if (w.size() >= 2 && w[0] == L'\\' && w[1] == L'\\' && (w.size() < 3 || (w[2] != L'?' && w[2] != L'.')))
        return L"\\\\?\\UNC\\" + w.substr(2);
    return w;
}

bool ReadTaskFile(const std::wstring& path, std::string& bytes, std::string& error) {
    bytes.clear();
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        error = "impossibile aprire il file: " + SystemErrorText(::GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) {
        error = "impossibile leggere il file: " + SystemErrorText(::GetLastError());
        return false;
    }
    if (static_cast<unsigned long long>(size.QuadPart) > kMaxTaskFileBytes) {
        error = "il file \xc3\xa8 troppo grande (" + std::to_string(size.QuadPart) + " byte)";
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr)) {
            error = "impossibile leggere il file: " + SystemErrorText(::GetLastError());
            return false;
        }
        if (got == 0) break;  // it became shorter since we asked
        done += got;
    }
    bytes.resize(done);
    return true;
}

std::string ExpandVariables(const std::string& text) {
    if (text.find('%') == std::string::npos) return text;
    const std::wstring w = Widen(text);
    std::wstring buf(w.size() + MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD n = ::ExpandEnvironmentStringsW(w.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return text;
        if (n <= buf.size()) {
            buf.resize(n - 1);
            return Narrow(buf);
        }
        buf.assign(n, L'\0');
    }
    return text;
}

const std::string& ActionFiles::Program(const std::string& command, const std::string& workingDirectory) {
    const std::string key = command + '\n' + workingDirectory;
    if (auto found = programs_.find(key); found != programs_.end()) return found->second;
    std::string file = ExpandVariables(StripQuotes(Trimmed(command)));
    if (!file.empty() && GetFolderPath(file).empty()) {
        // A bare name: the system looks where the task starts, then along the search path.
        const std::string name = HasExtension(file) ? file : file + ".exe";
        if (!searchPathRead_) {
            searchPath_ = SearchPathFolders(GetEnv("PATH"));
            searchPathRead_ = true;
        }
        std::vector<std::string> folders;
        if (std::string wd = ExpandVariables(StripQuotes(Trimmed(workingDirectory))); !wd.empty())
            folders.push_back(std::move(wd));
        folders.insert(folders.end(), searchPath_.begin(), searchPath_.end());
        for (const std::string& folder : folders) {
            std::string candidate = BuildPath(ExpandVariables(folder), name);
            if (IsFile(candidate)) {
                file = std::move(candidate);
                break;
            }
        }
    }
    return programs_.emplace(key, std::move(file)).first->second;
}

const ActionFiles::Handler& ActionFiles::ComHandler(const std::string& classId) {
    if (auto found = handlers_.find(classId); found != handlers_.end()) return found->second;
    Handler h;
    std::string id = Trimmed(classId);
    if (!id.empty() && id.front() != '{') id = "{" + id + "}";
    if (!id.empty()) {
        // Where the merged classes view looks: the user's own classes first.
        const std::wstring key = Widen("Software\\Classes\\CLSID\\" + id + "\\InprocServer32");
        if (HandlerValue(HKEY_CURRENT_USER, key, h.stored) || HandlerValue(HKEY_LOCAL_MACHINE, key, h.stored))
            h.file = ExpandVariables(StripQuotes(Trimmed(h.stored)));
    }
    return handlers_.emplace(classId, std::move(h)).first->second;
}

ActionProgram ActionFiles::ProgramOf(const TaskAction& action) {
    switch (action.kind) {
    case ActionKind::Exec: return {Program(action.command, action.workingDirectory), ExpandVariables(action.arguments)};
    case ActionKind::ComHandler: return {ComHandler(action.classId).file, {}};
    case ActionKind::Other: break;
    }
    return {};
}

}  // namespace vt::tasks
