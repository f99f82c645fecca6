// Owning wrappers for every kind of handle the program opens, so nothing leaks on an
// error path. This is the only place that calls the raw close functions.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>
#include <winhttp.h>

#include <utility>

namespace vt {

template <typename T, typename Traits>
class UniqueAny {
public:
    UniqueAny() noexcept : h_(Traits::Invalid()) {}
    explicit UniqueAny(T h) noexcept : h_(h) {}
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& o) noexcept : h_(o.release()) {}
    UniqueAny& operator=(UniqueAny&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    ~UniqueAny() { reset(); }

    T get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != Traits::Invalid(); }
    T release() noexcept { return std::exchange(h_, Traits::Invalid()); }
    void reset(T h = Traits::Invalid()) noexcept {
        if (h_ != Traits::Invalid()) Traits::Close(h_);
        h_ = h;
    }
    // For out-parameters: closes what is held and hands out the slot.
    T* put() noexcept {
        reset();
        return &h_;
    }

private:
    T h_;
};

struct NullHandleTraits {
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
// CreateToolhelp32Snapshot and CreateFile report failure as INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FindHandleTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::FindClose(h); }
};
struct HKeyTraits {
    static HKEY Invalid() noexcept { return nullptr; }
    static void Close(HKEY h) noexcept {
        // Predefined roots are not ours to close; on x64 they are sign-extended.
        auto v = static_cast<LONG>(reinterpret_cast<LONG_PTR>(h));
        bool predefined = reinterpret_cast<LONG_PTR>(h) == v && v >= static_cast<LONG>(0x80000000u) &&
                          v <= static_cast<LONG>(0x800000FFu);
        if (!predefined) ::RegCloseKey(h);
    }
};
struct HIconTraits {
    static HICON Invalid() noexcept { return nullptr; }
    static void Close(HICON h) noexcept { ::DestroyIcon(h); }
};
template <typename G>
struct GdiTraits {
    static G Invalid() noexcept { return nullptr; }
    static void Close(G h) noexcept { ::DeleteObject(h); }
};
struct HdcTraits {
    static HDC Invalid() noexcept { return nullptr; }
    static void Close(HDC h) noexcept { ::DeleteDC(h); }
};
struct HInternetTraits {
    static HINTERNET Invalid() noexcept { return nullptr; }
    static void Close(HINTERNET h) noexcept { ::WinHttpCloseHandle(h); }
};
struct CoTaskMemTraits {
    static void* Invalid() noexcept { return nullptr; }
    static void Close(void* p) noexcept { ::CoTaskMemFree(p); }
};
// Buffers the system allocates for us with LocalAlloc (FormatMessage, CommandLineToArgvW).
struct LocalMemTraits {
    static void* Invalid() noexcept { return nullptr; }
    static void Close(void* p) noexcept { ::LocalFree(p); }
};
struct HModuleTraits {
    static HMODULE Invalid() noexcept { return nullptr; }
    static void Close(HMODULE h) noexcept { ::FreeLibrary(h); }
};
// A popup window of ours (a tooltip), destroyed with its owner object. Owned popups go
// with their owner window too: an owner that sees that happen releases the handle.
struct WindowTraits {
    static HWND Invalid() noexcept { return nullptr; }
    static void Close(HWND h) noexcept { ::DestroyWindow(h); }
};
// Text the COM interfaces hand out (SysAllocString), freed with SysFreeString.
struct BstrTraits {
    static BSTR Invalid() noexcept { return nullptr; }
    static void Close(BSTR s) noexcept { ::SysFreeString(s); }
};
struct HImageListTraits {
    static HIMAGELIST Invalid() noexcept { return nullptr; }
    static void Close(HIMAGELIST h) noexcept { ::ImageList_Destroy(h); }
};
// The service control manager and its services (OpenSCManager, OpenService).
struct ScHandleTraits {
    static SC_HANDLE Invalid() noexcept { return nullptr; }
    static void Close(SC_HANDLE h) noexcept { ::CloseServiceHandle(h); }
};

using UniqueHandle = UniqueAny<HANDLE, NullHandleTraits>;
using UniqueFileHandle = UniqueAny<HANDLE, FileHandleTraits>;
using UniqueFindHandle = UniqueAny<HANDLE, FindHandleTraits>;
using UniqueHKey = UniqueAny<HKEY, HKeyTraits>;
using UniqueHIcon = UniqueAny<HICON, HIconTraits>;
using UniqueHBitmap = UniqueAny<HBITMAP, GdiTraits<HBITMAP>>;
using UniqueHBrush = UniqueAny<HBRUSH, GdiTraits<HBRUSH>>;
using UniqueHPen = UniqueAny<HPEN, GdiTraits<HPEN>>;
using UniqueHFont = UniqueAny<HFONT, GdiTraits<HFONT>>;
using UniqueHRgn = UniqueAny<HRGN, GdiTraits<HRGN>>;
using UniqueMemDC = UniqueAny<HDC, HdcTraits>;
using UniqueHInternet = UniqueAny<HINTERNET, HInternetTraits>;
using UniqueCoTaskMem = UniqueAny<void*, CoTaskMemTraits>;
using UniqueLocalMem = UniqueAny<void*, LocalMemTraits>;
using UniqueHModule = UniqueAny<HMODULE, HModuleTraits>;
using UniqueHImageList = UniqueAny<HIMAGELIST, HImageListTraits>;
using UniqueHWnd = UniqueAny<HWND, WindowTraits>;
using UniqueScHandle = UniqueAny<SC_HANDLE, ScHandleTraits>;
using UniqueBstr = UniqueAny<BSTR, BstrTraits>;

// Selects a GDI object into a DC for one scope and puts the old one back.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(::SelectObject(dc, obj)) {}
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;
    ~SelectObjectScope() {
        if (old_) ::SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A DC obtained with GetDC, released with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    HDC get() const noexcept { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

}  // namespace vt
