#include "inventory/AutostartSystem.h"

#include <cstring>

#include "platform/RegistryViews.h"
#include "platform/WinText.h"

namespace vt {

bool AutostartFileExists(const std::string& path) {
    if (path.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string ExpandedText(const std::string& text) {
    if (text.find('%') == std::string::npos) return text;
    const std::wstring wide = Widen(text);
    std::vector<wchar_t> buf(wide.size() + MAX_PATH);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD n = ::ExpandEnvironmentStringsW(wide.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return text;
        if (n <= buf.size()) return Narrow(std::wstring_view(buf.data(), n - 1));
        buf.resize(n);
    }
    return text;
}

bool RegistryText(DWORD type, const std::string& data, std::string& text) {
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return false;
    std::wstring wide(data.size() / sizeof(wchar_t), L'\0');
    if (!wide.empty()) std::memcpy(wide.data(), data.data(), wide.size() * sizeof(wchar_t));
    if (type == REG_MULTI_SZ) {
        while (!wide.empty() && wide.back() == L'\0') wide.pop_back();
    } else {
        wide.resize(std::min(wide.size(), wide.find(L'\0')));
    }
    text = Narrow(wide);
    return true;
}

std::string RegistryBytes(DWORD type, const std::string& text) {
    std::wstring wide = Widen(text);
    wide.push_back(L'\0');
    if (type == REG_MULTI_SZ && wide.size() > 1) wide.push_back(L'\0');
    std::string bytes(wide.size() * sizeof(wchar_t), '\0');
    std::memcpy(bytes.data(), wide.data(), bytes.size());
    return bytes;
}

UniqueHKey OpenAutostartKey(int32_t root, const std::string& path, int32_t view, REGSAM access) {
    UniqueHKey key;
    const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<intptr_t>(root));
    if (::RegOpenKeyExW(rootKey, Widen(path).c_str(), 0, access | ViewAccess(view), key.put()) != ERROR_SUCCESS)
        key.release();
    return key;
}

bool SwitchedOff(HKEY key, std::string_view name) {
    DWORD value = 1, size = sizeof value, type = 0;
    if (::RegQueryValueExW(key, Widen(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS)
        return false;
    return type == REG_DWORD && size == sizeof value && value == 0;
}

std::vector<std::wstring> ServiceNames(SC_HANDLE manager, DWORD types) {
    std::vector<std::wstring> names;
    std::vector<BYTE> buf(size_t{64} * 1024);
    DWORD resume = 0;
    // Each round hands out what fits and says where to go on; a bound keeps a system that
    // never ends the list from holding the scan.
    for (int round = 0; round < 10000; ++round) {
        DWORD needed = 0, count = 0;
        const BOOL ok = ::EnumServicesStatusExW(manager, SC_ENUM_PROCESS_INFO, types, SERVICE_STATE_ALL, buf.data(),
                                                static_cast<DWORD>(buf.size()), &needed, &count, &resume, nullptr);
        const DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
        if (!ok && error != ERROR_MORE_DATA) break;
        const auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buf.data());
        for (DWORD i = 0; i < count; ++i)
            if (entries[i].lpServiceName) names.emplace_back(entries[i].lpServiceName);
        if (ok) break;
        if (count == 0) {
            if (needed <= buf.size()) break;
            buf.resize(needed);
        }
    }
    return names;
}

bool IsAutostartType(DWORD startType) {
    return startType == SERVICE_BOOT_START || startType == SERVICE_SYSTEM_START || startType == SERVICE_AUTO_START ||
           startType == SERVICE_DISABLED;
}

const QUERY_SERVICE_CONFIGW* ServiceConfigBuffer::Query(SC_HANDLE manager, const std::wstring& name) {
    UniqueScHandle service(::OpenServiceW(manager, name.c_str(), SERVICE_QUERY_CONFIG));
    return service ? Query(service.get()) : nullptr;
}

const QUERY_SERVICE_CONFIGW* ServiceConfigBuffer::Query(SC_HANDLE service) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD needed = 0;
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer_.data());
        if (::QueryServiceConfigW(service, config, static_cast<DWORD>(buffer_.size()), &needed)) return config;
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer_.size()) return nullptr;
        buffer_.resize(needed);
    }
    return nullptr;
}

}  // namespace vt
