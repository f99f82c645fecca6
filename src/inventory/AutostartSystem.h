// The system calls the autostart scan and its removal share: the service control
// manager's list and configuration of services, keys opened in a registry view, values
// read as text, the file-existence answer the path rules ask for.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Handles.h"

namespace vt {

// A file (not a folder) at that path.
bool AutostartFileExists(const std::string& path);

// The text with the environment's variables expanded (as it is when it has none, or
// when the system cannot expand it).
std::string ExpandedText(const std::string& text);

// Registry data of a text type as UTF-8: REG_SZ and REG_EXPAND_SZ up to their first NUL,
// REG_MULTI_SZ with its strings joined by NUL characters. False for other types.
bool RegistryText(DWORD type, const std::string& data, std::string& text);
// The stored bytes of a text for that type (the inverse of RegistryText, with the NULs
// that end a text or a list of them).
std::string RegistryBytes(DWORD type, const std::string& text);

// root\path opened in a registry view (0 the program's own, 32, 64); empty on failure.
UniqueHKey OpenAutostartKey(int32_t root, const std::string& path, int32_t view, REGSAM access);

// True when the DWORD value `name` of the key is there and is 0.
bool SwitchedOff(HKEY key, std::string_view name);

// The names of the services of those types (SERVICE_WIN32, SERVICE_DRIVER), every state.
std::vector<std::wstring> ServiceNames(SC_HANDLE manager, DWORD types);

// Boot, system, automatic and disabled: the start types the list shows (a service started
// on demand starts with nothing).
bool IsAutostartType(DWORD startType);

// One buffer for a service's configuration, reused from service to service.
class ServiceConfigBuffer {
public:
    // The configuration of that service, valid until the next call; null when the service
    // cannot be opened or read.
    const QUERY_SERVICE_CONFIGW* Query(SC_HANDLE manager, const std::wstring& name);
    const QUERY_SERVICE_CONFIGW* Query(SC_HANDLE service);

private:
    std::vector<BYTE> buffer_ = std::vector<BYTE>(8192);  // the largest answer the call gives
};

}  // namespace vt
