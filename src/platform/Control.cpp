#include "platform/Control.h"

#include <cmath>

namespace vt {

std::string ControlRef::Text() const {
    if (!hwnd_) return {};
    int n = ::GetWindowTextLengthA(hwnd_);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    n = ::GetWindowTextA(hwnd_, s.data(), n + 1);
    s.resize(static_cast<size_t>(n > 0 ? n : 0));
    return s;
}

void ControlRef::Text(const std::string& text) const {
    if (hwnd_) ::SetWindowTextA(hwnd_, text.c_str());
}

void ControlRef::Font(HFONT font, bool redraw) const {
    if (hwnd_) ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
}

bool ControlRef::Checked() const { return hwnd_ && ::SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void ControlRef::Checked(bool on) const {
    if (hwnd_) ::SendMessageA(hwnd_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

UniqueHFont MakeFont(const char* face, double points, int weight, int dpi, int width) {
    const int height = -static_cast<int>(std::lround(points * dpi / 72.0));
    return UniqueHFont(::CreateFontA(height, width, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                     DEFAULT_PITCH | FF_SWISS, face));
}

}  // namespace vt
