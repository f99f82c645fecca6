#include "registry/ValueBytes.h"

namespace vt {

LSTATUS QueryValueBytes(HKEY key, const std::wstring& name, DWORD& type, std::string& data) {
    // Most values fit the first buffer, so they are read in one call.
    data.assign(256, '\0');
    for (int tries = 0;; ++tries) {
        DWORD size = static_cast<DWORD>(data.size());
        LSTATUS rc = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (rc == ERROR_SUCCESS) {
            data.resize(size);
            return rc;
        }
        if (rc != ERROR_MORE_DATA || tries == 8) return rc;
        data.assign(size > data.size() ? size : data.size() * 2, '\0');
    }
}

}  // namespace vt
