#include "details/Dialog.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/AppError.h"
#include "core/Twips.h"
#include "fileinfo/VersionInfo.h"
#include "platform/Control.h"
#include "platform/Dpi.h"
#include "platform/FileSystem.h"
#include "platform/Prompt.h"
#include "platform/SpecialFolder.h"
#include "reputation/Module1.h"

namespace vt {

namespace {

constexpr const char* kClassName = "VantorileDialog";
constexpr const char* kCaption = "Dettagli";
constexpr const char* kProgramTitle = "Vantorile";
constexpr long kClientWidthTwips = 4695;
constexpr long kClientHeightTwips = 4485;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

// Control ids: a caption's id is kLabelBase + its index, a box's kInfoBase + its index.
constexpr int kLabelBase = 100;
constexpr int kInfoBase = 200;
constexpr int kImageId = 300;

struct Placement {
    long left, top, width, height;
};

struct Row {
    int index;
    const char* caption;
    Placement label;
    Placement box;
};

constexpr Placement kHeading{0, 0, 4695, 255};
constexpr const char* kHeadingText = "More information about the process";
constexpr Placement kImage{120, 360, 615, 615};

constexpr Row kRows[] = {
    {8, "File Name", {840, 435, 1440, 240}, {2400, 370, 2175, 315}},
    {16, "File Version", {840, 840, 1440, 240}, {2400, 800, 2175, 315}},
    {17, "Product Version", {0, 1200, 1440, 240}, {1560, 1200, 3015, 315}},
    {2, "Comments", {0, 1635, 1440, 240}, {1560, 1560, 3015, 315}},
    {7, "Product Name", {0, 2040, 1440, 240}, {1560, 1920, 3015, 315}},
    {10, "Company Name", {0, 2385, 1440, 240}, {1560, 2280, 3015, 315}},
    {11, "Legal Copyright", {0, 2760, 1440, 240}, {1560, 2640, 3015, 315}},
    {12, "Legal Trademarks", {0, 3050, 1440, 240}, {1560, 3000, 3015, 315}},
    {13, "Legal Trademarks1", {0, 3390, 1440, 240}, {1560, 3360, 3015, 315}},
    {14, "Legal Trademarks2", {0, 3765, 1440, 240}, {1560, 3720, 3015, 315}},
    {15, "File Description", {0, 4140, 1440, 240}, {1560, 4080, 3015, 315}},
};

// Twips kept free between a caption and its box.
constexpr long kCaptionGap = 45;

// A caption may use the room up to its box, not only its own width.
long CaptionWidth(const Row& row) { return std::max(row.label.width, row.box.left - row.label.left - kCaptionGap); }

constexpr const char* kFace = "MS Sans Serif";

// The window's large icon is 32 pixels at 96 DPI.
constexpr int kIconPixelsAt96 = 32;

void Place(HWND ctl, const Placement& p, int dpi) {
    RECT r = TwipsRect(p.left, p.top, p.width, p.height, dpi);
    ::SetWindowPos(ctl, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// DetailsSource read as a number, blanks around it allowed; 0 when it is not one.
long SourceNumber(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    long n = std::strtol(begin, &end, 10);
    if (end == begin) return 0;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0' ? n : 0;
}

int IconWidth(HICON icon) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return 0;
    UniqueHBitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    ::GetObjectA(colour ? colour.get() : mask.get(), sizeof(bm), &bm);
    return bm.bmWidth;
}

}  // namespace

Dialog::Dialog(DetailsRows rows, IPrompt& prompt, int iconResource)
    : rows_(std::move(rows)),
      prompt_(prompt),
      iconResource_(iconResource) {}

Dialog::~Dialog() {
    // Destroyed here, while the members the window uses (icon, fonts) are still alive.
    Unload();
}

int Dialog::HalfToEven(int pixels) noexcept {
    int half = pixels / 2;
    if (pixels % 2 != 0 && half % 2 != 0) half += pixels > 0 ? 1 : -1;
    return half;
}

bool Dialog::Load() {
    Unload();
    filePath_.clear();

    const int x = HalfToEven(::GetSystemMetrics(SM_CXSCREEN));
    const int y = HalfToEven(::GetSystemMetrics(SM_CYSCREEN));
    HICON icon = iconResource_
                     ? static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconResource_),
                                                       IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED))
                     : nullptr;
    if (!CreateAtTwips(
            kClassName, kExStyle, kCaption, kStyle, kClientWidthTwips, kClientHeightTwips,
            [&](SIZE) {
                return POINT{x, y};
            },
            icon))
        return false;
    CreateFonts();
    CreateControls();
    Relayout();

    ::SetWindowPos(hwnd(), HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE);
    ::ShowWindow(hwnd(), SW_SHOW);
    ::UpdateWindow(hwnd());

    fileIcon_ = std::make_unique<cGetFileIcon>();
    switch (SourceNumber(DetailsSource)) {
    case 1: ShowProcessDetails(); break;
    case 2: ShowStartupEntryDetails(); break;
    default: break;
    }
    return hwnd() != nullptr;
}

void Dialog::Unload() {
    if (hwnd()) ::DestroyWindow(hwnd());
}

std::string Dialog::InfoText(int index) const {
    return hwnd() ? ControlRef(::GetDlgItem(hwnd(), kInfoBase + index)).Text() : std::string();
}

std::string Dialog::LabelText(int index) const {
    return hwnd() ? ControlRef(::GetDlgItem(hwnd(), kLabelBase + index)).Text() : std::string();
}

HICON Dialog::ImageIcon() const {
    if (!hwnd()) return nullptr;
    HWND image = ::GetDlgItem(hwnd(), kImageId);
    return image ? reinterpret_cast<HICON>(::SendMessageA(image, STM_GETICON, 0, 0)) : nullptr;
}

void Dialog::CreateFonts() {
    auto make = [this](const char* face, int weight, int width) { return MakeFont(face, 8.25, weight, Dpi(), width); };
    font_ = make(kFace, FW_NORMAL, 0);
    headingFont_ = make("Tahoma", FW_BOLD, 0);
    captionFont_.reset();

    // Where MS Sans Serif is missing, the stand-in can be wide enough that "Legal
    // Trademarks1" and "Legal Trademarks2" no longer fit before their boxes and would be
    // cut to the same text. The captions then get a narrowed copy of the font.
    WindowDC dc(nullptr);
    if (!dc.get()) return;
    auto overflows = [&](HFONT f) {
        SelectObjectScope select(dc.get(), f);
        for (const Row& row : kRows) {
            SIZE size{};
            ::GetTextExtentPoint32A(dc.get(), row.caption, static_cast<int>(std::strlen(row.caption)), &size);
            if (size.cx > TwipsToPixels(CaptionWidth(row), Dpi())) return true;
        }
        return false;
    };
    if (!overflows(font_.get())) return;
    TEXTMETRICA tm{};
    {
        SelectObjectScope select(dc.get(), font_.get());
        ::GetTextMetricsA(dc.get(), &tm);
    }
    for (int width = tm.tmAveCharWidth - 1; width > 0; --width) {
        captionFont_ = make(kFace, FW_NORMAL, width);
        if (!overflows(captionFont_.get())) break;
    }
}

void Dialog::CreateControls() {
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    auto add = [&](DWORD exStyle, const char* cls, const char* text, DWORD style, int id) {
        return ::CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
    };
    add(0, "STATIC", kHeadingText, SS_CENTER | SS_NOPREFIX, kLabelBase + 0);
    // SS_CENTERIMAGE keeps the control at its given size instead of shrinking to the icon.
    add(0, "STATIC", "", SS_ICON | SS_CENTERIMAGE, kImageId);
    for (const Row& row : kRows) {
        add(0, "STATIC", row.caption, SS_LEFTNOWORDWRAP | SS_NOPREFIX, kLabelBase + row.index);
        // Read-only edits rather than labels, so a value can be selected and copied.
        add(WS_EX_CLIENTEDGE, "EDIT", "", WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL | ES_LEFT, kInfoBase + row.index);
    }
}

void Dialog::Relayout() {
    auto font = [this](int id, HFONT f) {
        if (HWND ctl = ::GetDlgItem(hwnd(), id)) {
            ControlRef(ctl).Font(f);
            return ctl;
        }
        return HWND{};
    };
    if (HWND h = font(kLabelBase + 0, headingFont_.get())) Place(h, kHeading, Dpi());
    if (HWND h = ::GetDlgItem(hwnd(), kImageId)) Place(h, kImage, Dpi());
    for (const Row& row : kRows) {
        Placement label = row.label;
        label.width = CaptionWidth(row);
        HFONT captionFont = captionFont_ ? captionFont_.get() : font_.get();
        if (HWND h = font(kLabelBase + row.index, captionFont)) Place(h, label, Dpi());
        if (HWND h = font(kInfoBase + row.index, font_.get())) Place(h, row.box, Dpi());
    }
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void Dialog::OnDpiChanged() {
    CreateFonts();
    Relayout();
    if (picture_) ShowPicture(picture_);
}

LRESULT Dialog::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCDESTROY: {
        // The icons go with the window: a closed dialog holds no GDI objects.
        LRESULT result = DefaultProc(msg, wp, lp);
        picture_ = PicturePtr();
        scaledIcon_.reset();
        return result;
    }
    default: return DefaultProc(msg, wp, lp);
    }
}

FileSystemObject& Dialog::FileSystem() {
    if (!fileSystem_) fileSystem_ = std::make_unique<FileSystemObject>();
    return *fileSystem_;
}

void Dialog::ShowProcessDetails() {
    // The main window only opens the dialog on a selected row; without one there is
    // nothing to show but the captions.
    if (!rows_.process) return;
    const std::string& name = rows_.process->name;
    const std::string& folder = rows_.process->folder;
    if (folder != "SYSTEM") {
        ShowIcon(folder + name);
        ShowVersionInfo(folder + name, true);
    } else {
        // A system process has no folder in the list: its file is looked for in the
        // system folder.
        const std::string path = FileSystem().BuildPath(SpecialFolder(37), name);
        ShowIcon(path);
        ShowVersionInfo(path, true);
    }
}

void Dialog::ShowStartupEntryDetails() {
    if (!rows_.startup) return;
    const StartupRow& row = *rows_.startup;
    const std::string& command = row.command;
    if (GetFileExtension(command) != "lnk" && GetFolderPath(command).empty()) {
        // A bare name: a file of a startup folder (the row's location), or a program name a
        // registry value leaves to the search path (then the name is used alone).
        const std::string folder = IsFolderEntry(row) ? row.location : std::string();
        filePath_ = GetCommandProgramPath(FileSystem().BuildPath(folder, command));
    } else {
        filePath_ = GetCommandProgramPath(StripQuotes(command));
    }
    ShowIcon(filePath_);
    ShowVersionInfo(filePath_, true);
}

void Dialog::ShowVersionInfo(const std::string& path, bool byFileName) {
    try {
        auto info = std::make_unique<VersionInfo>();
        if (byFileName) info->FileName(path);
        else info->ModuleName(path);
        SetInfo(2, info->Comments());
        SetInfo(7, info->ProductName());
        SetInfo(8, FileSystem().GetFileName(info->FileName()));
        SetInfo(10, info->CompanyName());
        SetInfo(11, info->LegalCopyright());
        SetInfo(12, info->LegalTrademarks());
        SetInfo(13, info->LegalTrademarks1());
        SetInfo(14, info->LegalTrademarks2());
        SetInfo(15, info->FileDescription());
        SetInfo(16, info->FileVersion());
        SetInfo(17, info->ProductVersion());
    } catch (const AppError& e) { ShowError(e.Number(), e.Description()); } catch (const std::bad_alloc&) {
        ShowError(7, "Out of memory");
    }
}

void Dialog::SetInfo(int index, const std::string& text) {
    if (HWND box = hwnd() ? ::GetDlgItem(hwnd(), kInfoBase + index) : nullptr) ::SetWindowTextA(box, text.c_str());
}

void Dialog::ShowError(int32_t number, const std::string& description) {
    prompt_.Show(hwnd(), "Error: " + description + " (" + std::to_string(number) + ")", kProgramTitle, MB_OK);
}

void Dialog::ShowIcon(const std::string& path) {
    if (!fileIcon_) fileIcon_ = std::make_unique<cGetFileIcon>();
    ShowPicture(fileIcon_->Icon(path, 0));
}

void Dialog::ShowPicture(PicturePtr picture) {
    HWND image = hwnd() ? ::GetDlgItem(hwnd(), kImageId) : nullptr;
    if (!image) return;
    HICON icon = PictureIcon(picture.get());
    // The shell hands out its large icon at the system's size; at another DPI the
    // icon's 32 pixels at 96 DPI are drawn again at the window's scale.
    UniqueHIcon scaled;
    const int want = MulDiv(kIconPixelsAt96, Dpi(), 96);
    if (icon && IconWidth(icon) != want) scaled.reset(static_cast<HICON>(::CopyImage(icon, IMAGE_ICON, want, want, 0)));
    ::SendMessageA(image, STM_SETICON, reinterpret_cast<WPARAM>(scaled ? scaled.get() : icon), 0);
    // The control now shows the new icon; only then may the old ones go.
    scaledIcon_ = std::move(scaled);
    picture_ = std::move(picture);
}

}  // namespace vt
