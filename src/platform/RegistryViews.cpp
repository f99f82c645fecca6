#include "platform/RegistryViews.h"

#include <vector>

namespace vt {

namespace {

// NtQueryKey is not in the import libraries' headers; KeyNameInformation (3) answers a
// KEY_NAME_INFORMATION: a byte length followed by the name, not NUL-terminated.
using NtQueryKeyFn = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
constexpr int kKeyNameInformation = 3;

NtQueryKeyFn QueryKeyFunction() {
    static NtQueryKeyFn fn = [] {
        HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
        return ntdll ? reinterpret_cast<NtQueryKeyFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQueryKey")))
                     : nullptr;
    }();
    return fn;
}

#ifndef _WIN64
bool RunningUnderWow64() {
    BOOL wow = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow) && wow;
}
#endif

}  // namespace

bool IsRegistryView(int32_t view) noexcept {
    return view == kOwnRegistryView || view == kRegistryView32 || view == kRegistryView64;
}

REGSAM ViewAccess(int32_t view) noexcept {
    if (view == kRegistryView32) return KEY_WOW64_32KEY;
    if (view == kRegistryView64) return KEY_WOW64_64KEY;
    return 0;
}

int32_t ProgramRegistryView() {
#ifdef _WIN64
    return kRegistryView64;
#else
    return RunningUnderWow64() ? kRegistryView32 : kOwnRegistryView;
#endif
}

int32_t OtherRegistryView() {
    switch (ProgramRegistryView()) {
    case kRegistryView64: return kRegistryView32;
    case kRegistryView32: return kRegistryView64;
    default: return kOwnRegistryView;
    }
}

bool Is32BitView(int32_t view) { return (view != kOwnRegistryView ? view : ProgramRegistryView()) == kRegistryView32; }

std::wstring KernelKeyName(HKEY key) {
    NtQueryKeyFn query = QueryKeyFunction();
    if (!query || !key) return {};
    std::vector<BYTE> buf(1024);
    for (int tries = 0; tries < 4; ++tries) {
        ULONG needed = 0;
        LONG status = query(key, kKeyNameInformation, buf.data(), static_cast<ULONG>(buf.size()), &needed);
        if (status >= 0) {
            ULONG bytes = *reinterpret_cast<const ULONG*>(buf.data());
            if (bytes > buf.size() - sizeof(ULONG)) return {};
            return std::wstring(reinterpret_cast<const wchar_t*>(buf.data() + sizeof(ULONG)), bytes / sizeof(wchar_t));
        }
        // STATUS_BUFFER_OVERFLOW / STATUS_BUFFER_TOO_SMALL: room for the length given.
        if (needed <= buf.size() || needed > 65536) return {};
        buf.resize(needed);
    }
    return {};
}

bool SameRegistryKey(HKEY a, HKEY b) {
    std::wstring na = KernelKeyName(a), nb = KernelKeyName(b);
    if (na.empty() || nb.empty()) return false;
    // Key names compare without regard to letter case, as the registry does.
    return ::CompareStringOrdinal(na.c_str(), static_cast<int>(na.size()), nb.c_str(), static_cast<int>(nb.size()),
                                  TRUE) == CSTR_EQUAL;
}

}  // namespace vt
