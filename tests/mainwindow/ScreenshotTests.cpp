#include <gtest/gtest.h>

#include <shlobj.h>

#include "fileinfo/cShellLink.h"
#include "mainwindow/MainWindowSupport.h"
#include "platform/ComPtr.h"
#include "platform/WinText.h"
#include "reputation/Module1.h"

namespace vt::test {
namespace {

// Saves the screen area of a window as a 24-bit BMP.
bool SaveWindowBmp(HWND hwnd, const std::string& path) {
    RECT r;
    ::GetWindowRect(hwnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    WindowDC screen(nullptr);
    UniqueMemDC mem(::CreateCompatibleDC(screen.get()));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    UniqueHBitmap bmp(::CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bmp) return false;
    {
        SelectObjectScope select(mem.get(), bmp.get());
        ::BitBlt(mem.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
    }
    DWORD stride = static_cast<DWORD>((w * 3 + 3) & ~3);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + stride * static_cast<DWORD>(h);
    std::string bytes(reinterpret_cast<const char*>(&fh), sizeof(fh));
    bytes.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof(bi.bmiHeader));
    bytes.append(static_cast<const char*>(bits), stride * static_cast<DWORD>(h));
    return WriteFile(path, bytes);
}

// Only when VT_SCREENSHOT_DIR names a folder: pictures of the three panels, with a few
// startup entries, for a person to look at.
TEST(Screenshots, ThreePanels) {
    std::string out = GetEnv("VT_SCREENSHOT_DIR");
    if (out.empty()) GTEST_SKIP() << "VT_SCREENSHOT_DIR not set";
    ComScope com;
    OpenForm open;
    ASSERT_TRUE(open.loaded);
    Form1& form = *open.form;
    [[maybe_unused]] ScriptedPrompt& prompt = open.prompt;
    HKEY run = nullptr;
    ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, nullptr, 0,
                      KEY_ALL_ACCESS, nullptr, &run, nullptr);
    const char* data = "\"C:\\Program Files\\Updater\\adbooster.exe\" /background";
    ::RegSetValueExA(run, "AdBooster", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), static_cast<DWORD>(strlen(data) + 1));
    const char* data2 = "C:\\windows\\system32\\ctfmon.exe";
    ::RegSetValueExA(run, "ctfmon", 0, REG_SZ, reinterpret_cast<const BYTE*>(data2), static_cast<DWORD>(strlen(data2) + 1));

    auto shoot = [&](int button, const char* name) {
        form.VtToolBar1_Click(button);
        PumpUntil([] { return false; }, 300);
        SaveWindowBmp(form.hwnd(), out + "\\" + name);
    };
    shoot(0, "panel_processi.bmp");
    shoot(1, "panel_avvio.bmp");
    shoot(2, "panel_guida.bmp");
    ::RegDeleteValueA(run, "AdBooster");
    ::RegDeleteValueA(run, "ctfmon");
    ::RegCloseKey(run);
}

}  // namespace
}  // namespace vt::test
