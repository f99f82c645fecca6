#include "registry/StartupApproved.h"

#include <windows.h>

#include "platform/Handles.h"
#include "platform/RegistryViews.h"
#include "platform/WinText.h"
#include "registry/pure/StartupApproved.h"

namespace vt {

namespace {

UniqueHKey OpenList(int32_t root, const std::string& list, REGSAM access) {
    UniqueHKey key;
    std::wstring path = Widen(std::string(reg::kStartupApprovedKey) + "\\" + list);
    HKEY rootKey = reinterpret_cast<HKEY>(static_cast<intptr_t>(root));
    if (::RegOpenKeyExW(rootKey, path.c_str(), 0, access | ViewAccess(kRegistryView64), key.put()) != ERROR_SUCCESS)
        key.release();
    return key;
}

}  // namespace

bool StartupEntryDisabled(int32_t root, const std::string& list, const std::string& name) {
    UniqueHKey key = OpenList(root, list, KEY_QUERY_VALUE);
    if (!key) return false;
    std::wstring wname = Widen(name);
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key.get(), wname.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    std::string data;
    for (int tries = 0;; ++tries) {
        data.assign(size, '\0');
        DWORD got = size;
        LSTATUS rc =
            ::RegQueryValueExW(key.get(), wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
        if (rc == ERROR_SUCCESS) {
            data.resize(got < size ? got : size);
            break;
        }
        // A value that grows between the calls is asked for again, a few times only.
        if (rc != ERROR_MORE_DATA || tries == 3) return false;
        size = got > size ? got : size * 2 + 16;
    }
    return reg::ApprovedDataDisabled(type, data);
}

bool DeleteStartupApproval(int32_t root, const std::string& list, const std::string& name) {
    UniqueHKey key = OpenList(root, list, KEY_SET_VALUE);
    if (!key) return false;
    std::wstring wname = Widen(name);
    return ::RegDeleteValueW(key.get(), wname.c_str()) == ERROR_SUCCESS;
}

}  // namespace vt
