// Thin, non-owning views of standard controls (the window owns them, as the parent window
// owns its children), and the one way the windows make a font at a DPI.
#pragma once

#include <windows.h>

#include <string>

#include "platform/Handles.h"

namespace vt {

class ControlRef {
public:
    explicit ControlRef(HWND hwnd = nullptr) noexcept : hwnd_(hwnd) {}
    HWND hwnd() const noexcept { return hwnd_; }
    explicit operator bool() const noexcept { return hwnd_ != nullptr; }

    // The window text; "" for no control.
    std::string Text() const;
    void Text(const std::string& text) const;
    // WM_SETFONT; the caller keeps the font alive while the control uses it.
    void Font(HFONT font, bool redraw = false) const;
    // Check boxes: BST_CHECKED or not.
    bool Checked() const;
    void Checked(bool on) const;

private:
    HWND hwnd_;
};

// A font of the given face, size in points and weight at dpi; width 0 lets the system
// choose the average character width, a positive width narrows or widens it.
UniqueHFont MakeFont(const char* face, double points, int weight, int dpi, int width = 0);

}  // namespace vt
