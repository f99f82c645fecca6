// File helpers the benchmarks share: the generated trees go again after each run.
#pragma once

#include <windows.h>

#include <string>

#include "platform/Handles.h"

namespace vt::bench {

// Deletes a folder with everything in it; wide calls, so deep generated paths go too.
inline bool RemoveTreeW(const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    {
        vt::UniqueFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &fd));
        if (find) {
            do {
                std::wstring name = fd.cFileName;
                if (name == L"." || name == L"..") continue;
                std::wstring full = path + L"\\" + name;
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTreeW(full);
                else ::DeleteFileW(full.c_str());
            } while (::FindNextFileW(find.get(), &fd));
        }
    }
    return ::RemoveDirectoryW(path.c_str()) != 0;
}

}  // namespace vt::bench
