// Monitor DPI for a window, with the fallbacks older systems need.
#pragma once

#include <windows.h>

namespace vt {

// DPI of the monitor the window is on (96 when the system cannot tell).
int WindowDpi(HWND hwnd);
// DPI of the primary monitor, for sizing a window before it exists.
int SystemDpi();
// A rectangle in twips turned into pixels at dpi.
RECT TwipsRect(long left, long top, long width, long height, int dpi);

}  // namespace vt
