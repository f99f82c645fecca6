#include "platform/Window.h"

#include <utility>

#include "core/Twips.h"
#include "platform/Dpi.h"
#include "platform/ErrorBoundary.h"

namespace vt {

namespace {
int g_topLevel = 0;
bool g_quitWhenLast = false;
}  // namespace

void Window::QuitWhenLastWindowCloses(bool on) noexcept { g_quitWhenLast = on; }
int Window::OpenTopLevelWindows() noexcept { return g_topLevel; }

Window::~Window() {
    // Derived parts are gone by now, so the destroy messages reach only this base's
    // handlers, which still keep the count of open windows right.
    if (hwnd_) ::DestroyWindow(hwnd_);
}

bool Window::CreateWindowOf(const char* className, DWORD exStyle, const char* title, DWORD style, int x, int y, int w,
                            int h, HWND parent, HMENU menu, HICON icon, HBRUSH background) {
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    if (!::GetClassInfoExA(inst, className, &wc)) {
        wc = WNDCLASSEXA{};
        wc.cbSize = sizeof(wc);
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = &Window::Trampoline;
        wc.hInstance = inst;
        wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = background;
        wc.lpszClassName = className;
        wc.hIcon = icon;
        wc.hIconSm = icon;
        if (!::RegisterClassExA(&wc)) return false;
    }
    if (!::CreateWindowExA(exStyle, className, title, style, x, y, w, h, parent, menu, inst, this)) return false;
    if (!parent && !(style & WS_CHILD) && hwnd_) {
        topLevel_ = true;
        ++g_topLevel;
    }
    return true;
}

SIZE Window::OuterSize() const {
    RECT r{0, 0, TwipsToPixels(clientWidthTwips_, dpi_), TwipsToPixels(clientHeightTwips_, dpi_)};
    ::AdjustWindowRectEx(&r, style_, FALSE, exStyle_);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

bool Window::CreateAtTwips(const char* className, DWORD exStyle, const char* title, DWORD style, long clientWidthTwips,
                           long clientHeightTwips, const std::function<POINT(SIZE outer)>& place, HICON icon) {
    clientWidthTwips_ = clientWidthTwips;
    clientHeightTwips_ = clientHeightTwips;
    style_ = style;
    exStyle_ = exStyle;
    dpi_ = SystemDpi();
    const SIZE size = OuterSize();
    const POINT at = place ? place(size) : POINT{CW_USEDEFAULT, CW_USEDEFAULT};
    if (!CreateWindowOf(className, exStyle, title, style, at.x, at.y, size.cx, size.cy, nullptr, nullptr, icon))
        return false;
    scaled_ = true;
    // The monitor the window landed on may not be the primary one.
    if (int actual = WindowDpi(hwnd_); actual != dpi_) {
        dpi_ = actual;
        const SIZE again = OuterSize();
        ::SetWindowPos(hwnd_, nullptr, 0, 0, again.cx, again.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return true;
}

LRESULT Window::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_DPICHANGED || !scaled_) return HandleMessage(msg, wp, lp);
    dpi_ = HIWORD(wp);
    if (const RECT* r = reinterpret_cast<const RECT*>(lp))
        ::SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    OnDpiChanged();
    return 0;
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return DefaultProc(msg, wp, lp); }

LRESULT CALLBACK Window::Trampoline(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcA(hwnd, msg, wp, lp);
    // A window procedure must not unwind into the system: a failing handler's work is
    // abandoned, and the failure goes to the debugger output.
    LRESULT result = 0;
    if (!Guarded("window message", [&] { result = self->Dispatch(msg, wp, lp); }))
        result = ::DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->scaled_ = false;
        bool wasTopLevel = std::exchange(self->topLevel_, false);
        self->OnFinalDestroy();
        if (wasTopLevel && --g_topLevel == 0 && g_quitWhenLast) ::PostQuitMessage(0);
    }
    return result;
}

}  // namespace vt
