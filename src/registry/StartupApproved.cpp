#include "registry/StartupApproved.h"

#include <windows.h>

#include "platform/Handles.h"
#include "platform/RegistryViews.h"
#include "platform/WinText.h"
#include "registry/ValueBytes.h"
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
    DWORD type = 0;
    std::string data;
    if (QueryValueBytes(key.get(), Widen(name), type, data) != ERROR_SUCCESS) return false;
    return reg::ApprovedDataDisabled(type, data);
}

bool DeleteStartupApproval(int32_t root, const std::string& list, const std::string& name) {
    UniqueHKey key = OpenList(root, list, KEY_SET_VALUE);
    if (!key) return false;
    std::wstring wname = Widen(name);
    return ::RegDeleteValueW(key.get(), wname.c_str()) == ERROR_SUCCESS;
}

}  // namespace vt
