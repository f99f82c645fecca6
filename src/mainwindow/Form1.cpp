#include "mainwindow/Form1.h"

#include "app/resource.h"
#include "core/Twips.h"
#include "platform/Dpi.h"

namespace vt {

Form1::Form1() { AddMessageFilter(this); }

Form1::~Form1() { RemoveMessageFilter(this); }

bool Form1::Load() {
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_CONTROLPARENT;
    int dpi = SystemDpi();
    RECT r{0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
    ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
    int w = r.right - r.left, h = r.bottom - r.top;
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int x = work.left + (work.right - work.left - w) / 2;
    int y = work.top + (work.bottom - work.top - h) / 2;
    HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VANTORILE));
    if (!CreateWindowOf("VantorileForm1", exStyle, kMainCaption, style, x, y, w, h, nullptr, nullptr, icon))
        return false;
    ::ShowWindow(hwnd(), SW_SHOW);
    ::UpdateWindow(hwnd());
    return true;
}

bool Form1::PreTranslate(MSG& msg) {
    // Esc closes the window wherever the focus is inside it.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && hwnd() &&
        (msg.hwnd == hwnd() || ::IsChild(hwnd(), msg.hwnd))) {
        Unload();
        return true;
    }
    return false;
}

void Form1::Unload() {
    if (hwnd()) ::DestroyWindow(hwnd());
}

LRESULT Form1::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CLOSE:
        Unload();
        return 0;
    default:
        return DefaultProc(msg, wp, lp);
    }
}

void Form1::OnFinalDestroy() { ::PostQuitMessage(0); }

int RunProgram() {
    Form1 form;
    if (!form.Load()) return 1;
    return RunMessageLoop();
}

}  // namespace vt
