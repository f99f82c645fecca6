#include "platform/Window.h"

#include <utility>

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

bool Window::CreateWindowOf(const char* className, DWORD exStyle, const char* title, DWORD style, int x, int y,
                            int w, int h, HWND parent, HMENU menu, HICON icon, HBRUSH background) {
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
    LRESULT result = 0;
    try {
        result = self->HandleMessage(msg, wp, lp);
    } catch (...) {
        // A window procedure must not unwind into the system; the failing handler's
        // work is simply abandoned.
        result = ::DefWindowProcA(hwnd, msg, wp, lp);
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        bool wasTopLevel = std::exchange(self->topLevel_, false);
        self->OnFinalDestroy();
        if (wasTopLevel && --g_topLevel == 0 && g_quitWhenLast) ::PostQuitMessage(0);
    }
    return result;
}

}  // namespace vt
