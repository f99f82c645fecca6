#include "platform/WinText.h"

#include <vector>

#include "platform/Handles.h"

namespace vt {

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string SystemErrorText(DWORD code) {
    char* buf = nullptr;
    DWORD n =
        ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<char*>(&buf), 0, nullptr);
    UniqueLocalMem owned(buf);
    std::string text = n && buf ? std::string(buf, n) : "Error " + std::to_string(code);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string ModulePath(HMODULE module) {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameA(module, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) return std::string(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

std::string ProgramBaseName() {
    std::string path = ModulePath();
    size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string GetEnv(const char* name) {
    DWORD n = ::GetEnvironmentVariableA(name, nullptr, 0);
    if (n == 0) return {};
    std::string value(n, '\0');
    n = ::GetEnvironmentVariableA(name, value.data(), n);
    value.resize(n);
    return value;
}

}  // namespace vt
