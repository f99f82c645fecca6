// A small base for our windows: registers the class once, stores `this` at WM_NCCREATE
// and forwards every message to the member HandleMessage. No exception crosses it.
#pragma once

#include <windows.h>

namespace vt {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND hwnd() const noexcept { return hwnd_; }

    // The program ends (WM_QUIT) when its last top-level window has gone. Tests leave it
    // off so their thread's queue never holds a quit.
    static void QuitWhenLastWindowCloses(bool on) noexcept;
    static int OpenTopLevelWindows() noexcept;

protected:
    // Registers className (once per process) and creates the window.
    bool CreateWindowOf(const char* className, DWORD exStyle, const char* title, DWORD style, int x, int y,
                        int w, int h, HWND parent, HMENU menu, HICON icon = nullptr,
                        HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Called after WM_NCDESTROY: the handle is gone.
    virtual void OnFinalDestroy() {}
    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp) { return ::DefWindowProcA(hwnd_, msg, wp, lp); }

private:
    static LRESULT CALLBACK Trampoline(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    HWND hwnd_ = nullptr;
    bool topLevel_ = false;
};

}  // namespace vt
