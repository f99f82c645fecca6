// Declarations cShellLink works with: the shell link object's class and interface ids,
// and the fixed sizes and flags of its calls. No operations of its own.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

namespace vt::mShellLink {

// {00021401-0000-0000-C000-000000000046}, {000214EE-...}, {0000010B-...}
inline constexpr CLSID kClsidShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kIidShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kIidPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Every text of a link is read through a buffer of this many characters, NUL included.
inline constexpr int kLinkTextBuffer = 255;

inline constexpr DWORD kResolveUpdate = SLR_UPDATE;             // 4
inline constexpr DWORD kGetPathUncPriority = SLGP_UNCPRIORITY;  // 2
inline constexpr DWORD kLoadForReading = STGM_READ;             // 0

// Written into the description of every link CreateShellLink saves.
inline constexpr const char* kLinkDescription = "ShellLink Sample";

}  // namespace vt::mShellLink
