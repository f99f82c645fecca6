#include "toolbar/VtToolBar.h"

#include <commctrl.h>
#include <oleacc.h>
#include <ole2.h>
#include <olectl.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/Dpi.h"
#include "platform/ErrorBoundary.h"
#include "platform/WinText.h"
#include "toolbar/VtToolBarAccessible.h"

namespace vt {

namespace {

constexpr UINT_PTR kRestTimer = 1;
constexpr int kRestTicks = 5;
// A click asked for by assistive technology, run from the message loop (wParam: button).
constexpr UINT kPressMessage = WM_USER + 1;

int16_t ShiftMask() {
    int16_t s = 0;
    if (::GetKeyState(VK_SHIFT) < 0) s |= 1;
    if (::GetKeyState(VK_CONTROL) < 0) s |= 2;
    if (::GetKeyState(VK_MENU) < 0) s |= 4;
    return s;
}

int16_t MouseButtonMask(WPARAM wp) {
    int16_t b = 0;
    if (wp & MK_LBUTTON) b |= 1;
    if (wp & MK_RBUTTON) b |= 2;
    if (wp & MK_MBUTTON) b |= 4;
    return b;
}

int16_t MouseButtonOf(UINT msg) {
    switch (msg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK: return 2;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: return 4;
    default: return 1;
    }
}

// The host's font, as a new control inherits it.
FontDesc AmbientFont(HWND parent) {
    HFONT f = parent ? reinterpret_cast<HFONT>(::SendMessageA(parent, WM_GETFONT, 0, 0)) : nullptr;
    if (!f) f = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA lf{};
    FontDesc d;
    if (f && ::GetObjectA(f, sizeof(lf), &lf)) {
        d.name = lf.lfFaceName;
        d.size = std::abs(lf.lfHeight) * 72.0 / SystemDpi();
        d.weight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
        d.italic = lf.lfItalic != 0;
        d.underline = lf.lfUnderline != 0;
        d.strikethrough = lf.lfStrikeOut != 0;
        d.charset = lf.lfCharSet;
    }
    return d;
}

void RegisterCommonControls() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

}  // namespace

VtToolBar::VtToolBar(IVtToolBarEvents* events) : events_(events) {}

VtToolBar::~VtToolBar() {
    // The tooltip is owned by our window: it must go before the window does.
    DestroyToolTip();
    DisconnectAccessible();
}

bool VtToolBar::Create(HWND parent, const RECT& r, int controlId, const PropertyBag* bag, int dpi) {
    RegisterCommonControls();
    dpi_ = dpi > 0 ? dpi : WindowDpi(parent);
    runMode_ = true;
    const FontDesc ambient = AmbientFont(parent);
    if (bag) ReadProperties(*bag, ambient, runMode_);
    else InitProperties(ambient);
    if (!CreateWindowOf(kClassName, 0, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, r.left, r.top,
                        r.right - r.left, r.bottom - r.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), nullptr, nullptr))
        return false;
    ::EnableWindow(hwnd(), Enabled());
    RedrawControl();
    return true;
}

void VtToolBar::Dpi(int dpi) {
    if (dpi <= 0 || dpi == dpi_) return;
    dpi_ = dpi;
    // Icons from the program's resources are loaded again at the new size; pictures
    // handed in from outside keep theirs.
    for (ToolBarButton& b : MutableButtons()) {
        if (auto pic = std::dynamic_pointer_cast<ToolBarPicture>(b.icon))
            if (auto scaled = pic->ReloadedFor(dpi)) b.icon = std::move(scaled);
    }
    DestroyToolTip();
    RedrawControl();
}

void VtToolBar::Align(int16_t v) {
    align_ = v;
    RedrawControl();
}

void VtToolBar::PropertyChanged(std::string_view name) {
    if (name == "Enabled" && hwnd()) ::EnableWindow(hwnd(), Enabled());
}

void VtToolBar::Repaint() { RedrawControl(); }

void VtToolBar::RedrawControl() {
    if (!hwnd()) return;
    Relayout();
    ::InvalidateRect(hwnd(), nullptr, FALSE);
    ::UpdateWindow(hwnd());
}

void VtToolBar::Relayout() {
    for (int pass = 0; pass < 2; ++pass) {
        RECT rc{};
        ::GetClientRect(hwnd(), &rc);
        ToolBarLayoutInput in;
        in.surfaceWidth = rc.right - rc.left;
        in.surfaceHeight = rc.bottom - rc.top;
        in.buttonCount = Button_Count();
        in.buttonsWidth = Scale(ButtonsWidth());
        in.buttonsHeight = Scale(ButtonsHeight());
        in.buttonsPerRow = ButtonsPerRow();
        in.autoSize = AutoSize();
        in.warpSize = WarpSize();
        in.align = align_;
        in.buttonsStyle = ButtonsStyle();
        in.borderStyle = BorderStyle();
        layout_ = ComputeToolBarLayout(in);
        if (AutoSize()) SetLayoutButtonsPerRow(layout_.buttonsPerRow);
        if (!WarpSize() || resizing_ ||
            (layout_.wantWidth == in.surfaceWidth && layout_.wantHeight == in.surfaceHeight))
            return;
        // The control has no frame, but keep whatever non-client part a caller added.
        RECT wr{};
        ::GetWindowRect(hwnd(), &wr);
        const int extraW = (wr.right - wr.left) - in.surfaceWidth, extraH = (wr.bottom - wr.top) - in.surfaceHeight;
        resizing_ = true;
        ::SetWindowPos(hwnd(), nullptr, 0, 0, layout_.wantWidth + extraW, layout_.wantHeight + extraH,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        resizing_ = false;
    }
}

std::vector<std::string> VtToolBar::SplitToLines(std::string_view sText, int32_t lLength, bool bFilterLines) const {
    WindowDC screen(hwnd());
    HDC dc = screen.get();
    HFONT font = const_cast<VtToolBar*>(this)->CaptionFont();
    SelectObjectScope sel(dc, font);
    return vt::SplitToLines(sText, lLength, bFilterLines, [dc](std::string_view s) {
        std::wstring w = Widen(s);
        SIZE sz{};
        ::GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &sz);
        return static_cast<int32_t>(sz.cx);
    });
}

OleColor VtToolBar::BlendColor(OleColor oColorFrom, OleColor oColorTo, int Alpha) {
    return vt::BlendColor(TranslateColor(oColorFrom), TranslateColor(oColorTo), Alpha);
}

COLORREF VtToolBar::TranslateColor(OleColor oClr, HPALETTE hPal) {
    COLORREF out = 0;
    if (::OleTranslateColor(oClr, hPal, &out) != S_OK) return 0;
    return out;
}

// ---- input -------------------------------------------------------------------------

bool VtToolBar::TrackHover(double x, double y) {
    const auto& buttons = Buttons();
    int32_t index = HitTestButton(layout_, Button_Count(), x, y,
                                  [&buttons](int32_t i) { return buttons[static_cast<size_t>(i)].enabled; });
    if (index == Button_Index()) return false;
    MoveCurrent(index);
    return true;
}

void VtToolBar::OnMouseMove(WPARAM wp, LPARAM lp) {
    float x = static_cast<float>(GET_X_LPARAM(lp)), y = static_cast<float>(GET_Y_LPARAM(lp));
    TrackHover(x, y);
    if (events_) {
        int16_t button = MouseButtonMask(wp), shift = ShiftMask();
        events_->MouseMove(Button_Index(), button, shift, x, y);
    }
}

void VtToolBar::OnButtonDown(UINT msg, WPARAM, LPARAM lp) {
    ::SetCapture(hwnd());
    const bool dbl = msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
    // The button-up that ends a double click is not a click of its own.
    if (msg == WM_LBUTTONDOWN) leftPressed_ = true;
    else if (msg == WM_LBUTTONDBLCLK) leftPressed_ = false;
    float x = static_cast<float>(GET_X_LPARAM(lp)), y = static_cast<float>(GET_Y_LPARAM(lp));
    // A click without a movement before it (the pointer was already resting there, or
    // keys moved the current button) still belongs to the button under the pointer.
    TrackHover(x, y);
    if (dbl) {
        mouseDown_ = true;
        RedrawControl();
        if (events_ && msg == WM_LBUTTONDBLCLK) events_->DblClick(Button_Index());
        return;
    }
    if (Button_Index() == -1) return;
    mouseDown_ = true;
    RedrawControl();
    if (events_) {
        int16_t button = MouseButtonOf(msg), shift = ShiftMask();
        events_->MouseDown(Button_Index(), button, shift, x, y);
    }
}

void VtToolBar::OnButtonUp(UINT msg, WPARAM, LPARAM lp) {
    // Read before letting the capture go: losing it forgets the press.
    const bool clicked = msg == WM_LBUTTONUP && leftPressed_;
    if (msg == WM_LBUTTONUP) leftPressed_ = false;
    if (::GetCapture() == hwnd()) ::ReleaseCapture();
    float x = static_cast<float>(GET_X_LPARAM(lp)), y = static_cast<float>(GET_Y_LPARAM(lp));
    // Always let go of the pushed look, even when the pointer left every button while
    // held: otherwise the next hovered button would be drawn pushed.
    const bool wasDown = mouseDown_;
    mouseDown_ = false;
    if (Button_Index() != -1) {
        RedrawControl();
        if (events_) {
            int16_t button = MouseButtonOf(msg), shift = ShiftMask();
            events_->MouseUp(Button_Index(), button, shift, x, y);
        }
    } else if (wasDown) {
        RedrawControl();
    }
    if (!clicked) return;
    RECT rc{};
    ::GetClientRect(hwnd(), &rc);
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    if (::PtInRect(&rc, pt) && events_) events_->Click(Button_Index());
}

void VtToolBar::StepCurrent(int direction) {
    const int32_t n = Button_Count();
    int32_t i = Button_Index();
    for (int32_t k = 0; k < n; ++k) {
        i = i < 0 ? (direction > 0 ? 0 : n - 1) : (i + direction + n) % n;
        if (Buttons()[static_cast<size_t>(i)].enabled) break;
    }
    if (i != Button_Index() && i >= 0 && Buttons()[static_cast<size_t>(i)].enabled) MoveCurrent(i);
}

void VtToolBar::MoveCurrent(int32_t index) {
    SetCurrent(index);
    if (events_) events_->OnButtonHover(index);
    RedrawControl();
}

void VtToolBar::SetCurrent(int32_t index) {
    const int32_t before = Button_Index();
    SetHoverIndex(index);
    const int32_t now = Button_Index();
    if (before == now || !hwnd()) return;
    // The buttons' focused and hot-tracked states both follow the current button.
    if (before >= 0 && before < Button_Count())
        ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd(), OBJID_CLIENT, before + 1);
    if (now >= 0) {
        ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd(), OBJID_CLIENT, now + 1);
        if (::GetFocus() == hwnd()) ::NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd(), OBJID_CLIENT, now + 1);
    }
}

void VtToolBar::OnKey(UINT msg, WPARAM wp, LPARAM lp) {
    int16_t key = static_cast<int16_t>(wp), shift = ShiftMask();
    // Bit 30: the key was already down, this is the keyboard's auto-repeat. A held Enter
    // must press the button once: a second Click on the same button cancels what the
    // first one started.
    const bool repeat = (lp & (LPARAM{1} << 30)) != 0;
    if (msg == WM_KEYDOWN) {
        mouseDown_ = true;
        if (events_) events_->KeyDown(Button_Index(), key, shift);
        // Keyboard users walk the buttons with the arrows and press one with Enter or Space.
        switch (key) {
        case VK_LEFT:
        case VK_UP:
            mouseDown_ = false;  // walking is not pressing
            StepCurrent(-1);
            break;
        case VK_RIGHT:
        case VK_DOWN:
            mouseDown_ = false;
            StepCurrent(+1);
            break;
        case VK_RETURN:
        case VK_SPACE:
            mouseDown_ = false;
            if (!repeat && Button_Index() != -1 && events_) events_->Click(Button_Index());
            break;
        default: break;
        }
    } else {
        mouseDown_ = false;
        if (events_) events_->KeyUp(Button_Index(), key, shift);
    }
}

void VtToolBar::RequestMouseLeave() {
    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, hwnd(), 0};
    ::TrackMouseEvent(&tme);
}

void VtToolBar::zSubclass_Proc(bool, bool&, LRESULT&, HWND lng_hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_MOUSEMOVE: {
        const int x = LOWORD(lParam), y = HIWORD(lParam);
        if (x == lastX_ && y == lastY_) return;  // some systems repeat a move without moving
        lastX_ = x;
        lastY_ = y;
        ::SetTimer(lng_hWnd, kRestTimer, 1, nullptr);
        ticks_ = 0;
        if (!inside_) {
            inside_ = true;
            RequestMouseLeave();
            if (events_) events_->MouseEnter();
        }
        DestroyToolTip();
        break;
    }
    case WM_TIMER:
        if (wParam != kRestTimer) return;
        if (++ticks_ == kRestTicks) {
            ::KillTimer(lng_hWnd, kRestTimer);
            if (inside_) ShowToolTip();
        }
        break;
    case WM_MOUSELEAVE:
        inside_ = false;
        // The next entry must count as a movement even at the position we left from.
        lastX_ = lastY_ = -1;
        ::KillTimer(lng_hWnd, kRestTimer);
        SetCurrent(-1);
        DestroyToolTip();
        RedrawControl();
        if (events_) events_->MouseLeave();
        break;
    default: break;
    }
}

// ---- tooltip -------------------------------------------------------------------------

void VtToolBar::ShowToolTip() {
    DestroyToolTip();
    const ToolBarButton* b = Current();
    if (!b || b->toolTip.empty()) return;
    DWORD style = WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX;
    if (TooTipStyle() != 1) style |= TTS_BALLOON;
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    toolTip_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, inst, nullptr));
    HWND tip = toolTip_.get();
    if (!tip) return;
    ::SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Visual styles would ignore the colours we set.
    ::SetWindowTheme(tip, L"", L"");

    toolTipText_ = Widen(b->toolTip);
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    // A tracked tool shows at once, where we put it: the tooltip appears after the rest
    // we timed, not after another movement. Transparent, so a tip under the pointer
    // does not make the control think the pointer left.
    ti.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
    ti.hwnd = hwnd();
    ti.uId = 0;
    ::GetClientRect(hwnd(), &ti.rect);
    ti.hinst = inst;
    ti.lpszText = toolTipText_.data();
    ::SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    ::SendMessageW(tip, TTM_SETTIPTEXTCOLOR, TranslateColor(ToolTipForeCol()), 0);
    ::SendMessageW(tip, TTM_SETTIPBKCOLOR, TranslateColor(ToolTipBackCol()), 0);
    ::SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, Scale(300));
    // Values outside the four standard title icons would be taken for an icon handle.
    const WPARAM titleIcon = b->toolTipIcon >= 0 && b->toolTipIcon <= 3 ? static_cast<WPARAM>(b->toolTipIcon) : 0;
    std::wstring title = Widen(b->caption);
    ::SendMessageW(tip, TTM_SETTITLEW, titleIcon, reinterpret_cast<LPARAM>(title.c_str()));
    POINT pt{};
    ::GetCursorPos(&pt);
    const int below = TooTipStyle() == 1 ? Scale(20) : Scale(4);
    ::SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(pt.x, pt.y + below));
    ::SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
}

void VtToolBar::DestroyToolTip() {
    if (!toolTip_) return;
    // Destroying our window takes its owned tooltip first; only forget the handle then.
    if (!::IsWindow(toolTip_.get())) {
        toolTip_.release();
        return;
    }
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = hwnd();
    ti.uId = 0;
    ::SendMessageW(toolTip_.get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
    ::SendMessageW(toolTip_.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    toolTip_.reset();
}

// ---- window --------------------------------------------------------------------------

bool VtToolBar::PaintQuietly(HDC dc, const RECT& client) {
    // A failing repaint (the owner's OnRedrawing handler included) ends here: escaping
    // would skip EndPaint and keep the paint DC.
    return Guarded("toolbar repaint", [&] { Paint(dc, client); });
}

LRESULT VtToolBar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND: return 1;  // painted whole, off screen
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd(), &ps);
        RECT rc{};
        ::GetClientRect(hwnd(), &rc);
        const int w = rc.right, h = rc.bottom;
        if (w > 0 && h > 0) {
            // Drawn into memory first: the pointer crossing buttons must not flicker.
            UniqueMemDC mem(::CreateCompatibleDC(dc));
            UniqueHBitmap bmp(::CreateCompatibleBitmap(dc, w, h));
            if (mem && bmp) {
                SelectObjectScope sel(mem.get(), bmp.get());
                // A repaint that failed half way keeps the last whole picture on screen.
                if (PaintQuietly(mem.get(), rc)) ::BitBlt(dc, 0, 0, w, h, mem.get(), 0, 0, SRCCOPY);
            } else {
                PaintQuietly(dc, rc);
            }
        }
        ::EndPaint(hwnd(), &ps);
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT rc{};
        ::GetClientRect(hwnd(), &rc);
        PaintQuietly(reinterpret_cast<HDC>(wp), rc);
        return 0;
    }
    case WM_SIZE:
        if (resizing_) ::InvalidateRect(hwnd(), nullptr, FALSE);
        else RedrawControl();
        return 0;
    case WM_MOUSEMOVE: {
        OnMouseMove(wp, lp);
        bool handled = false;
        LRESULT ret = 0;
        zSubclass_Proc(false, handled, ret, hwnd(), msg, wp, lp);
        return 0;
    }
    case WM_MOUSELEAVE:
    case WM_TIMER: {
        bool handled = false;
        LRESULT ret = 0;
        zSubclass_Proc(false, handled, ret, hwnd(), msg, wp, lp);
        return 0;
    }
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT) {
            ::SetCursor(::LoadCursorA(nullptr, Button_Index() != -1 && inside_ ? reinterpret_cast<LPCSTR>(IDC_HAND)
                                                                               : reinterpret_cast<LPCSTR>(IDC_ARROW)));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: OnButtonDown(msg, wp, lp); return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: OnButtonUp(msg, wp, lp); return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lp) != hwnd()) leftPressed_ = false;
        if (mouseDown_) {
            mouseDown_ = false;
            RedrawControl();
        }
        return 0;
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTARROWS;
        auto* m = reinterpret_cast<const MSG*>(lp);
        if (m && m->message == WM_KEYDOWN && (m->wParam == VK_RETURN || m->wParam == VK_SPACE))
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
    case WM_KEYUP: OnKey(msg, wp, lp); return 0;
    case WM_SETFOCUS:
        if (Button_Index() == -1) {
            StepCurrent(+1);  // announces the button it makes current
        } else {
            ::NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd(), OBJID_CLIENT, Button_Index() + 1);
            RedrawControl();
        }
        return 0;
    case WM_KILLFOCUS:
        // A button chosen with the keys is no longer current once the keys go elsewhere,
        // unless the pointer rests on it.
        if (!inside_) SetCurrent(-1);
        // A key that went down here comes up wherever the focus went (Shift+Tab): its
        // pressed look must not stay behind for the next hovered button.
        if (::GetCapture() != hwnd()) mouseDown_ = false;
        RedrawControl();
        return 0;
    case WM_GETOBJECT:
        // Only our client area is ours to describe; the frame and the rest stay the system's.
        if (static_cast<LONG>(static_cast<DWORD>(lp)) == OBJID_CLIENT) {
            if (!accessible_) accessible_ = ComPtr<VtToolBarAccessible>(new (std::nothrow) VtToolBarAccessible(*this));
            if (accessible_) {
                const LRESULT r =
                    ::LresultFromObject(kIidIAccessible, wp, static_cast<IAccessible*>(accessible_.get()));
                // A failure (no COM on this thread) would hide even the system's default object.
                if (r >= 0) return r;
            }
        }
        break;
    case kPressMessage: ClickFromAccessibility(static_cast<int32_t>(wp)); return 0;
    case WM_DESTROY:
        ::KillTimer(hwnd(), kRestTimer);
        DestroyToolTip();
        DisconnectAccessible();
        break;
    default: break;
    }
    return DefaultProc(msg, wp, lp);
}

// ---- accessibility ---------------------------------------------------------------

void VtToolBar::SetButtonShortcut(int32_t index, std::string text) {
    if (index < 0 || index >= Button_Count()) return;
    MutableButtons()[static_cast<size_t>(index)].shortcut = std::move(text);
}

std::string VtToolBar::ButtonShortcut(int32_t index) const {
    if (index < 0 || index >= Button_Count()) return {};
    return Buttons()[static_cast<size_t>(index)].shortcut;
}

RECT VtToolBar::ButtonRect(int32_t index) const {
    double x = 0, y = 0;
    CellOrigin(layout_, index, x, y);
    return RECT{static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y)),
                static_cast<LONG>(std::lround(x + layout_.cellWidth)),
                static_cast<LONG>(std::lround(y + layout_.cellHeight))};
}

int32_t VtToolBar::ButtonAt(POINT client) const {
    return HitTestButton(layout_, Button_Count(), client.x, client.y, [](int32_t) { return true; });
}

bool VtToolBar::CanPress(int32_t index) const {
    return hwnd() && index >= 0 && index < Button_Count() && Enabled() && ::IsWindowEnabled(hwnd()) &&
           Buttons()[static_cast<size_t>(index)].enabled;
}

bool VtToolBar::PressButton(int32_t index) {
    return CanPress(index) && ::PostMessageA(hwnd(), kPressMessage, static_cast<WPARAM>(index), 0);
}

bool VtToolBar::FocusButton(int32_t index) {
    if (index >= 0 && !CanPress(index)) return false;
    if (!hwnd()) return false;
    if (index >= 0 && index != Button_Index()) {
        // Current first: the focus then arrives on this button, not on the first one.
        SetCurrent(index);
        if (events_) events_->OnButtonHover(index);
    }
    ::SetFocus(hwnd());
    RedrawControl();
    return ::GetFocus() == hwnd();
}

void VtToolBar::ClickFromAccessibility(int32_t index) {
    // The button may have changed since the request was queued.
    if (!CanPress(index)) return;
    // The same sequence as the pointer's: onto the button, down, up, click.
    if (index != Button_Index()) MoveCurrent(index);
    const RECT cell = ButtonRect(index);
    // The pointer lands on the cell's whole-pixel centre, as a real click would.
    const int cx = (cell.left + cell.right) / 2, cy = (cell.top + cell.bottom) / 2;
    float x = static_cast<float>(cx), y = static_cast<float>(cy);
    int16_t button = 1, shift = ShiftMask();
    mouseDown_ = true;
    RedrawControl();
    if (events_) events_->MouseDown(index, button, shift, x, y);
    mouseDown_ = false;
    RedrawControl();
    if (events_) events_->MouseUp(index, button, shift, x, y);
    if (events_) events_->Click(index);
}

void VtToolBar::DisconnectAccessible() noexcept {
    if (!accessible_) return;
    accessible_->Disconnect();
    accessible_.reset();
}

}  // namespace vt
