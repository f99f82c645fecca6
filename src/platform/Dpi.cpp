#include "platform/Dpi.h"

#include "core/Twips.h"
#include "platform/Handles.h"

namespace vt {

namespace {
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn DpiForWindowFn() {
    // Looked up at run time so the exe still starts where the call does not exist.
    static GetDpiForWindowFn fn = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    return fn;
}
}  // namespace

int SystemDpi() {
    WindowDC dc(nullptr);
    int dpi = dc.get() ? ::GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

int WindowDpi(HWND hwnd) {
    if (auto fn = DpiForWindowFn(); fn && hwnd) {
        UINT dpi = fn(hwnd);
        if (dpi) return static_cast<int>(dpi);
    }
    return SystemDpi();
}

RECT TwipsRect(long left, long top, long width, long height, int dpi) {
    RECT r;
    r.left = TwipsToPixels(left, dpi);
    r.top = TwipsToPixels(top, dpi);
    r.right = TwipsToPixels(left + width, dpi);
    r.bottom = TwipsToPixels(top + height, dpi);
    return r;
}

}  // namespace vt
