// Registry views of a 64-bit system: the access flag that selects one, which view is the
// program's own and which the other, and whether two open keys are one physical key
// (Windows shares some keys between the views, HKEY_CURRENT_USER\Software among them).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace vt {

// View numbers as the registry classes take them: 0 the program's own view, 32 the
// 32-bit view, 64 the 64-bit view.
inline constexpr int32_t kOwnRegistryView = 0;
inline constexpr int32_t kRegistryView32 = 32;
inline constexpr int32_t kRegistryView64 = 64;

bool IsRegistryView(int32_t view) noexcept;
// The flag to add to a key's access mask (0 for the program's own view). A 32-bit system
// ignores both flags, so a view asked for there is simply the only one.
REGSAM ViewAccess(int32_t view) noexcept;

// The physical view that view 0 means: 64 for a 64-bit build, 32 for a 32-bit build on a
// 64-bit system, 0 on a 32-bit system (which has one view only).
int32_t ProgramRegistryView();
// The view the program does not see by default: 32, 64, or 0 when there is none.
int32_t OtherRegistryView();

// True when `view` (0 meaning the program's own) is the 32-bit view of a 64-bit system.
bool Is32BitView(int32_t view);

// Points a registry object (anything with a RegistryView property) at a view for one
// step, and back to its previous view when the scope ends, whatever happens in between.
template <typename Registry>
class RegistryViewScope {
public:
    RegistryViewScope(Registry& registry, int32_t view) : registry_(registry), saved_(registry.RegistryView()) {
        registry_.RegistryView(view);
    }
    ~RegistryViewScope() { registry_.RegistryView(saved_); }  // a view it held: never refused
    RegistryViewScope(const RegistryViewScope&) = delete;
    RegistryViewScope& operator=(const RegistryViewScope&) = delete;

private:
    Registry& registry_;
    int32_t saved_;
};

// The system's full name of an open key ("\REGISTRY\MACHINE\..."), "" when it cannot tell.
std::wstring KernelKeyName(HKEY key);
// True when both keys are known to be the same physical key.
bool SameRegistryKey(HKEY a, HKEY b);

}  // namespace vt
