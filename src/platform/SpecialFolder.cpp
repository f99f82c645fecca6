#include "platform/SpecialFolder.h"

#include <windows.h>
#include <shlobj.h>

#include "core/PathText.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

namespace vt {

namespace {

std::string TextUpToNul(const wchar_t* buf) { return Narrow(std::wstring_view(buf)); }

std::string WithoutTrailingBackslash(std::string s) {
    if (!s.empty() && s.back() == '\\') s.pop_back();
    return s;
}

}  // namespace

std::string SpecialFolder(int32_t id) {
    wchar_t buf[MAX_PATH + 1] = {};
    {
        UniqueCoTaskMem pidl;
        if (::SHGetSpecialFolderLocation(nullptr, id, reinterpret_cast<PIDLIST_ABSOLUTE*>(pidl.put())) == S_OK &&
            pidl) {
            if (!::SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(pidl.get()), buf))
                ::SHGetFolderPathW(nullptr, id, nullptr, 0, buf);
        } else {
            ::SHGetFolderPathW(nullptr, id, nullptr, 0, buf);
        }
    }
    buf[MAX_PATH] = 0;
    std::string result = TextUpToNul(buf);
    if (!result.empty()) return result;

    wchar_t fb[MAX_PATH + 1] = {};
    switch (id) {
    case CSIDL_WINDOWS: ::GetWindowsDirectoryW(fb, MAX_PATH); break;
    case CSIDL_SYSTEM: ::GetSystemDirectoryW(fb, MAX_PATH); break;
    case CSIDL_PROGRAM_FILES: {
        ::GetWindowsDirectoryW(fb, MAX_PATH);
        return ProgramFilesFallback(GetEnv("ProgramFiles"), TextUpToNul(fb));
    }
    case 255: ::GetTempPathW(MAX_PATH, fb); break;
    default: return {};
    }
    return WithoutTrailingBackslash(TextUpToNul(fb));
}

}  // namespace vt
