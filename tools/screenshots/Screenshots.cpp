// Pictures for a person to look at, outside the test suite: the main window's three
// panels with two sample startup entries, the main toolbar with the pointer resting on
// "Avvio", and the toolbar's other drawing styles. Started by scripts/screenshots, which
// gives it a display and a throwaway Wine prefix; writes BMP files into the folder named
// by its argument.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "mainwindow/Form1.h"
#include "mainwindow/MainToolBar.h"
#include "platform/ComPtr.h"
#include "platform/Handles.h"
#include "platform/MessagePump.h"
#include "platform/Prompt.h"
#include "platform/Window.h"
#include "toolbar/VtToolBar.h"
#include "toolbar/pure/ToolBarMath.h"
#include "toolbar/pure/ToolBarModel.h"

namespace {

// Nothing here asks a question; should one come, No keeps everything as it is.
class NoPrompt final : public vt::IPrompt {
public:
    int Show(HWND, const std::string&, const std::string&, UINT) override { return IDNO; }
};

void Pump(DWORD ms, const std::function<bool()>& done = nullptr) {
    const DWORD until = ::GetTickCount() + ms;
    while (::GetTickCount() < until && !(done && done())) {
        vt::DoEvents();
        ::Sleep(10);
    }
}

bool SaveScreen(const RECT& r, const std::string& path) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    vt::WindowDC screen(nullptr);
    vt::UniqueMemDC mem(::CreateCompatibleDC(screen.get()));
    vt::UniqueHBitmap bmp(::CreateCompatibleBitmap(screen.get(), w, h));
    if (!mem || !bmp) return false;
    {
        vt::SelectObjectScope sel(mem.get(), bmp.get());
        ::BitBlt(mem.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
    }
    BITMAPINFOHEADER bih{sizeof(bih), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    std::vector<char> bits(size_t{stride} * static_cast<DWORD>(h));
    if (!::GetDIBits(mem.get(), bmp.get(), 0, static_cast<UINT>(h), bits.data(), reinterpret_cast<BITMAPINFO*>(&bih),
                     DIB_RGB_COLORS))
        return false;
    BITMAPFILEHEADER bfh{};
    bfh.bfType = 0x4D42;
    bfh.bfOffBits = sizeof(bfh) + sizeof(bih);
    bfh.bfSize = bfh.bfOffBits + static_cast<DWORD>(bits.size());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(&bfh, sizeof(bfh), 1, f) == 1 && std::fwrite(&bih, sizeof(bih), 1, f) == 1 &&
              std::fwrite(bits.data(), 1, bits.size(), f) == bits.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

bool SaveWindow(HWND hwnd, const std::string& path) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    const bool ok = SaveScreen(r, path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", path.c_str());
    return ok;
}

// Two sample entries in the current user's Run key for as long as the panels are shot;
// removed again on every way out. A value of the same name that was there before is left
// alone and not shown.
class SampleRunEntries {
public:
    SampleRunEntries() {
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, run_.put(), nullptr) != ERROR_SUCCESS)
            return;
        Add("AdBooster", "\"C:\\Program Files\\Updater\\adbooster.exe\" /background");
        Add("ctfmon", "C:\\windows\\system32\\ctfmon.exe");
    }
    ~SampleRunEntries() {
        for (const std::string& name : added_) ::RegDeleteValueA(run_.get(), name.c_str());
    }
    SampleRunEntries(const SampleRunEntries&) = delete;
    SampleRunEntries& operator=(const SampleRunEntries&) = delete;

private:
    void Add(const char* name, const char* data) {
        if (::RegQueryValueExA(run_.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) return;
        if (::RegSetValueExA(run_.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                             static_cast<DWORD>(std::strlen(data) + 1)) == ERROR_SUCCESS)
            added_.emplace_back(name);
    }
    vt::UniqueHKey run_;
    std::vector<std::string> added_;
};

bool ShootPanels(const std::string& out) {
    NoPrompt prompt;
    SampleRunEntries entries;
    vt::Form1::Seams seams;
    seams.prompt = &prompt;
    vt::Form1 form(seams);
    if (!form.Load()) return false;
    bool ok = true;
    const char* names[] = {"panel_processi.bmp", "panel_avvio.bmp", "panel_guida.bmp"};
    for (int button = 0; button < 3; ++button) {
        form.VtToolBar1_Click(button);
        Pump(300);
        ok = SaveWindow(form.hwnd(), out + "\\" + names[button]) && ok;
    }
    return ok;
}

class Host : public vt::Window {
public:
    bool Open(int w, int h) {
        if (!CreateWindowOf("VtScreenshotHost", 0, "Toolbar host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, w, h,
                            nullptr, nullptr))
            return false;
        ::ShowWindow(hwnd(), SW_SHOW);
        ::SetForegroundWindow(hwnd());
        ::UpdateWindow(hwnd());
        return true;
    }
};

bool TipShown(const vt::VtToolBar& tb) { return tb.ToolTipWindow() && ::IsWindowVisible(tb.ToolTipWindow()); }

// The main toolbar with the pointer resting on "Avvio" (hover highlight and tooltip).
bool ShootToolBar(const std::string& out) {
    Host host;
    if (!host.Open(720, 260)) return false;
    vt::VtToolBar toolbar(nullptr);
    RECT r{0, 0, 600, 200};
    if (!vt::CreateMainToolBar(toolbar, host.hwnd(), r, 100, 96)) return false;
    vt::DoEvents();
    double x = 0, y = 0;
    vt::CellOrigin(toolbar.Layout(), 1, x, y);
    POINT p{static_cast<LONG>(x + toolbar.Layout().cellWidth / 2),
            static_cast<LONG>(y + toolbar.Layout().cellHeight / 2)};
    ::ClientToScreen(toolbar.hwnd(), &p);
    ::SetCursorPos(p.x, p.y);
    Pump(3000, [&] { return TipShown(toolbar); });
    Pump(300);
    const bool ok = SaveWindow(host.hwnd(), out + "\\toolbar.bmp");
    ::SetCursorPos(1200, 1000);
    return ok;
}

// The other drawing paths: gradients, framed and plain styles, a pressed and a disabled
// button, and a balloon tooltip.
bool ShootToolBarStyles(const std::string& out) {
    Host host;
    if (!host.Open(720, 420)) return false;
    const vt::PropertyBag design = vt::MainToolBarBag(96);
    vt::VtToolBar bars[4] = {vt::VtToolBar(nullptr), vt::VtToolBar(nullptr), vt::VtToolBar(nullptr),
                             vt::VtToolBar(nullptr)};
    for (int k = 0; k < 4; ++k) {
        RECT r{0, k * 90, 560, k * 90 + 55};
        if (!bars[k].Create(host.hwnd(), r, 10 + k, &design, 96)) return false;
        bars[k].BackColor(vt::SystemColour(15));
        bars[k].BackGradientCol(vt::ToolBarRgb(120, 160, 230));
        bars[k].BackGradient(k == 0 ? 2 : k == 1 ? 3 : k == 2 ? 5 : 0);
        bars[k].ButtonsStyle(k == 3 ? 1 : 0);
        bars[k].TooTipStyle(0);
    }
    bars[1].Button_Index(1);
    bars[1].ButtonPressed(true);
    bars[2].Button_Index(2);
    bars[2].ButtonEnabled(false);
    bars[2].Button_Index(0);
    bars[3].BorderStyle(2);
    bars[3].Enabled(false);
    bars[0].Button_Index(0);  // hovered look with a frame
    vt::DoEvents();
    POINT p{120, 20};
    ::ClientToScreen(bars[1].hwnd(), &p);
    ::SetCursorPos(p.x, p.y);  // over "Processi" of the second bar: balloon tooltip
    Pump(3000, [&] { return TipShown(bars[1]); });
    Pump(300);
    const bool ok = SaveWindow(host.hwnd(), out + "\\toolbar-styles.bmp");
    ::SetCursorPos(1200, 1000);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string out = argc > 1 ? argv[1] : ".";
    vt::ComScope com;
    bool ok = ShootPanels(out);
    ok = ShootToolBar(out) && ok;
    ok = ShootToolBarStyles(out) && ok;
    return ok ? 0 : 1;
}
