// A small base for our windows: registers the class once, stores `this` at WM_NCCREATE
// and forwards every message to the member HandleMessage. No exception crosses it.
#pragma once

#include <windows.h>

#include <functional>

namespace vt {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND hwnd() const noexcept { return hwnd_; }
    // The DPI a window made by CreateAtTwips is laid out for: that of the monitor it landed
    // on, then the one each WM_DPICHANGED names. 96 for other windows.
    int Dpi() const noexcept { return dpi_; }

    // The program ends (WM_QUIT) when its last top-level window has gone. Tests leave it
    // off so their thread's queue never holds a quit.
    static void QuitWhenLastWindowCloses(bool on) noexcept;
    static int OpenTopLevelWindows() noexcept;

protected:
    // Registers className (once per process) and creates the window.
    bool CreateWindowOf(const char* className, DWORD exStyle, const char* title, DWORD style, int x, int y, int w,
                        int h, HWND parent, HMENU menu, HICON icon = nullptr,
                        HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    // A top-level window whose client area measures clientWidthTwips x clientHeightTwips at
    // the DPI of the monitor it lands on: sized at the primary monitor's DPI, put where
    // place(outer size) says, then measured again where it landed. From then on a
    // WM_DPICHANGED moves it to the system's suggested rectangle and calls OnDpiChanged.
    bool CreateAtTwips(const char* className, DWORD exStyle, const char* title, DWORD style, long clientWidthTwips,
                       long clientHeightTwips, const std::function<POINT(SIZE outer)>& place, HICON icon = nullptr);
    // After a DPI change has moved the window; Dpi() tells the new DPI.
    virtual void OnDpiChanged() {}
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Called after WM_NCDESTROY: the handle is gone.
    virtual void OnFinalDestroy() {}
    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp) { return ::DefWindowProcA(hwnd_, msg, wp, lp); }

private:
    static LRESULT CALLBACK Trampoline(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    SIZE OuterSize() const;
    HWND hwnd_ = nullptr;
    bool topLevel_ = false;
    int dpi_ = 96;
    // Set by CreateAtTwips: the window follows DPI changes itself.
    bool scaled_ = false;
    long clientWidthTwips_ = 0, clientHeightTwips_ = 0;
    DWORD style_ = 0, exStyle_ = 0;
};

}  // namespace vt
