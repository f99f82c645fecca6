#include "mainwindow/Form1.h"
#include "mainwindow/pure/ListColumns.h"

#include "mainwindow/Form1p.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "resources/resource.h"
#include "core/ScopeExit.h"
#include "core/Twips.h"
#include "mainwindow/MainToolBar.h"
#include "mainwindow/pure/GradeWords.h"
#include "platform/Dpi.h"
#include "platform/ErrorBoundary.h"
#include "reputation/Module1.h"
#include "scanners/cScanProcesses.h"

namespace vt {

namespace {

constexpr COLORREF kBannerColour = RGB(16, 42, 92);
const char* const kPanelClass = "VantorilePanel";

// Panels and the banner are plain containers: what their controls report goes to the
// main window, which owns every handler.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_DRAWITEM: return ::SendMessageA(::GetAncestor(hwnd, GA_ROOT), msg, wp, lp);
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT: {
        // Themed check boxes and group boxes paint their background by asking the parent
        // to print itself into their DC.
        auto brush = reinterpret_cast<HBRUSH>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!brush) brush = ::GetSysColorBrush(COLOR_BTNFACE);
        RECT r;
        ::GetClientRect(hwnd, &r);
        ::FillRect(reinterpret_cast<HDC>(wp), &r, brush);
        return 1;
    }
    default: break;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

void RegisterPanelClass() {
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    if (::GetClassInfoExA(inst, kPanelClass, &wc)) return;
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &PanelProc;
    wc.hInstance = inst;
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPanelClass;
    ::RegisterClassExA(&wc);
}

}  // namespace

Form1::BusyScope::~BusyScope() {
    if (--f_.busy_ == 0 && f_.closing_ && f_.hwnd()) ::PostMessageA(f_.hwnd(), WM_APP_DEFERRED_CLOSE, 0, 0);
}

Form1::Form1() : Form1(Seams{}) {}

Form1::Form1(Seams seams)
    : seams_(seams),
      prompt_(seams.prompt ? *seams.prompt : CurrentPrompt()),
      clock_(seams.clock ? *seams.clock : static_cast<IClock&>(systemClock_)),
      toolbarEvents_(std::make_unique<ToolBarEvents>(*this)),
      toolbar_(toolbarEvents_.get()) {
    // Window initialisation: the process scanner exists before anything is loaded.
    processEvents_ = std::make_unique<ProcessEvents>(*this);
    SCANPROC = std::make_unique<cScanProcesses>(processEvents_.get());
    if (seams_.processTable) SCANPROC->SetProcessTable(seams_.processTable);
    AddMessageFilter(this);
}

Form1::~Form1() {
    RemoveMessageFilter(this);
    if (hwnd()) {
        destroyed_ = true;
        ::DestroyWindow(hwnd());
    }
}

bool Form1::Load() {
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_CONTROLPARENT;
    // Centred in the work area.
    auto centre = [](SIZE size) {
        RECT work{};
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        return POINT{work.left + (work.right - work.left - size.cx) / 2,
                     work.top + (work.bottom - work.top - size.cy) / 2};
    };
    HICON icon = static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VANTORILE),
                                                 IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    RegisterPanelClass();
    if (!CreateAtTwips("VantorileForm1", exStyle, kMainCaption, style, kClientWidthTwips, kClientHeightTwips, centre,
                       icon))
        return false;

    CreateFonts();
    CreateImages();
    BuildBanner();
    BuildToolBar();
    frame1_ = AddPanel(IDC_FRAME1, 120, 1920, 6855, 5895, true);
    frame3_ = AddPanel(IDC_FRAME3, 120, 1920, 6855, 5895, false);
    frame5_ = AddPanel(IDC_FRAME5, 120, 1920, 6855, 5895, false);
    BuildProcessPanel();
    BuildStartupPanel();
    // A row's grade, besides its icon, in words for assistive technology.
    for (ListView* list : {&listView1_, &listView2_})
        list->ImageDescriptions(std::vector<std::string>(kGradeWords.begin(), kGradeWords.end()));
    BuildHelpPanel();
    Relayout();

    BusyScope busy(*this);
    SetHelpTexts();
    // The startup panel's members, in this order, before the window shows.
    startupEvents_ = std::make_unique<StartupEvents>(*this);
    startup_ = std::make_unique<StartupScan>(startupEvents_.get());
    SCANREG = &startup_->SCANREG();
    registry_ = &startup_->Registry();
    SCANDIR = &startup_->SCANDIR();
    shellLink_ = &startup_->ShellLink();
    lookupEvents_ = std::make_unique<LookupEvents>(hwnd());
    lookups_ = std::make_unique<ReputationLookups>(lookupEvents_.get());
    ::ShowWindow(hwnd(), SW_SHOW);
    ::UpdateWindow(hwnd());
    // Load runs outside any window procedure: nothing may escape it either.
    Guarded("first process scan", [&] { StartProcessScan(); });
    return true;
}

HWND Form1::AddControl(HWND parent, const char* cls, const char* text, DWORD style, int id, long l, long t, long w,
                       long h, DWORD exStyle) {
    HWND ctl =
        ::CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
    if (ctl) {
        ControlRef(ctl).Font(font_.get());
        layout_.push_back({ctl, l, t, w, h});
    }
    return ctl;
}

long Form1::TextWidthTwips(HWND ctl, int extraPx) const {
    const std::string text = ControlRef(ctl).Text();
    WindowDC dc(ctl);
    auto font = reinterpret_cast<HFONT>(::SendMessageA(ctl, WM_GETFONT, 0, 0));
    SelectObjectScope select(dc.get(), font);
    SIZE size{};
    ::GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return PixelsToTwips(size.cx + extraPx, Dpi());
}

void Form1::FitToText(HWND ctl, int extraPx) {
    for (Placed& p : layout_)
        if (p.hwnd == ctl) p.width = std::max(p.width, TextWidthTwips(ctl, extraPx));
}

void Form1::PlaceRightOf(HWND ctl, HWND anchor, long gapTwips) {
    const Placed* a = nullptr;
    for (const Placed& p : layout_)
        if (p.hwnd == anchor) a = &p;
    for (Placed& p : layout_)
        if (p.hwnd == ctl && a) p.left = std::max(p.left, a->left + a->width + gapTwips);
}

void Form1::FitOptionsRow(HWND check, HWND label, HWND number, HWND group, HWND button) {
    if (check) {
        FitToText(check, 22);
        PlaceRightOf(label, check, 60);
    }
    FitToText(label, 2);
    PlaceRightOf(number, label, 30);
    Placed* n = Find(number);
    Placed* g = Find(group);
    Placed* b = Find(button);
    if (!n || !g || !b) return;
    long right = b->left + b->width;
    g->width = std::max(g->width, n->left + n->width + 60 - g->left);
    // The button gives up width on its left rather than overlap the options.
    b->left = std::max(b->left, g->left + g->width + 120);
    b->width = right - b->left;
}

Form1::Placed* Form1::Find(HWND ctl) {
    for (Placed& p : layout_)
        if (p.hwnd == ctl) return &p;
    return nullptr;
}

HWND Form1::AddPanel(int id, long l, long t, long w, long h, bool visible) {
    // No WS_CLIPCHILDREN: group boxes are transparent and rely on the panel painting under them.
    HWND panel = AddControl(hwnd(), kPanelClass, "", 0, id, l, t, w, h, WS_EX_CONTROLPARENT);
    if (panel && !visible) ::ShowWindow(panel, SW_HIDE);
    return panel;
}

void Form1::CreateFonts() {
    font_ = MakeFont("MS Sans Serif", 8.25, FW_NORMAL, Dpi());
    boldFont_ = MakeFont("Tahoma", 8.25, FW_BOLD, Dpi());
    bigFont_ = MakeFont("Arial", 14.25, FW_NORMAL, Dpi());
}

void Form1::CreateImages() {
    int size = MulDiv(16, Dpi(), 96);
    UniqueHImageList list(::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 5, 0));
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    // Index 0 is an empty picture, so a grade of 0 shows no icon while n shows picture n.
    {
        UniqueHBitmap colour(::CreateBitmap(size, size, 1, 32, nullptr));
        std::vector<BYTE> maskBits(static_cast<size_t>(((size + 15) / 16) * 2 * size), 0xFF);
        UniqueHBitmap mask(::CreateBitmap(size, size, 1, 1, maskBits.data()));
        ::ImageList_Add(list.get(), colour.get(), mask.get());
    }
    legendIcons_.clear();
    for (int id : {IDI_GRADE1, IDI_GRADE2, IDI_GRADE3, IDI_GRADE4}) {
        UniqueHIcon icon(static_cast<HICON>(::LoadImageA(inst, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0)));
        ::ImageList_AddIcon(list.get(), icon.get());
        legendIcons_.push_back(std::move(icon));
    }
    // Both lists move to the new pictures before the old ones go.
    for (ListView* view : {&listView1_, &listView2_})
        if (view->hwnd()) view->SetImageList(list.get());
    images_ = std::move(list);
}

void Form1::BuildBanner() {
    bannerBrush_.reset(::CreateSolidBrush(kBannerColour));
    banner_ = AddControl(hwnd(), kPanelClass, "", WS_CLIPCHILDREN, IDC_PICTURE3, 0, 0, 7080, 1050);
    ::SetWindowLongPtrA(banner_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bannerBrush_.get()));
    logo_.reset(static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_LOGO), IMAGE_BITMAP,
                                                  0, 0, LR_CREATEDIBSECTION)));
    HWND image1 = AddControl(banner_, "STATIC", "", SS_BITMAP | SS_REALSIZECONTROL, IDC_IMAGE1, 120, 60, 2250, 900);
    ::SendMessageA(image1, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo_.get()));
    AddControl(banner_, "STATIC", "", SS_LEFT | SS_NOPREFIX, IDC_LABEL1, 3120, 360, 3975, 495);
}

void Form1::BuildToolBar() {
    RECT r = TwipsRect(0, 1035, 8400, 825, Dpi());
    CreateMainToolBar(toolbar_, hwnd(), r, IDC_VTTOOLBAR1, Dpi());
    // The keys PreTranslate gives the buttons, told to assistive technology.
    for (int32_t i = 0; i < 3; ++i) toolbar_.SetButtonShortcut(i, "Ctrl+" + std::to_string(i + 1));
}

void Form1::ShowPanel(HWND panel) {
    for (HWND p : {frame1_, frame3_, frame5_})
        if (p != panel) ::ShowWindow(p, SW_HIDE);
    ::ShowWindow(panel, SW_SHOW);
    // Hiding a panel does not take the focus from its controls: Enter or Space would
    // still press a button nobody sees. The shown panel's list takes it (the help panel,
    // which has nothing to press, takes it itself).
    HWND focus = panel == frame1_ ? listView1_.hwnd() : panel == frame3_ ? listView2_.hwnd() : panel;
    if (focus) ::SetFocus(focus);
}

void Form1::VtToolBar1_Click(int32_t vButton_Index) {
    BusyScope busy(*this);
    switch (vButton_Index) {
    case 0:
        CancelStartupScan();
        DropGrades(kStartupLane);
        ShowPanel(frame1_);
        StartProcessScan();
        break;
    case 1:
        CancelProcessScan();
        DropGrades(kProcessLane);
        ShowPanel(frame3_);
        Command4_Click();
        break;
    case 2:
        CancelProcessScan();
        CancelStartupScan();
        DropGrades(kProcessLane);
        DropGrades(kStartupLane);
        ShowPanel(frame5_);
        break;
    default: break;
    }
}

void Form1::Relayout() {
    for (const Placed& p : layout_) {
        RECT r = TwipsRect(p.left, p.top, p.width, p.height, Dpi());
        ::SetWindowPos(p.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    auto widths = [this](ListView& list, std::span<const ListColumn> columns) {
        if (!list.hwnd()) return;
        for (size_t i = 0; i < columns.size(); ++i)
            list.SetColumnWidth(static_cast<int>(i), TwipsToPixels(columns[i].widthTwips, Dpi()));
    };
    widths(listView1_, kProcessColumns);
    widths(listView2_, kStartupColumns);
}

void Form1::OnDpiChanged() {
    const int dpi = Dpi();
    CreateFonts();
    for (const Placed& p : layout_) ControlRef(p.hwnd).Font(font_.get());
    for (int id : {IDC_NUMPROC, IDC_NUMDATA})
        if (HWND h = Control(id)) ControlRef(h).Font(boldFont_.get());
    if (HWND h = Control(IDC_LABEL2)) ControlRef(h).Font(bigFont_.get());
    CreateImages();
    ShowLegendIcons();
    FitHelpFonts();
    Relayout();
    if (toolbar_.hwnd()) {
        toolbar_.Dpi(dpi);
        RECT r = TwipsRect(0, 1035, 8400, 825, dpi);
        ::SetWindowPos(toolbar_.hwnd(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

HWND Form1::Control(int id) const {
    for (const Placed& p : layout_)
        if (::GetDlgCtrlID(p.hwnd) == id) return p.hwnd;
    return nullptr;
}

std::string Form1::ControlText(int id) const { return ControlRef(Control(id)).Text(); }

bool Form1::Scanning() const {
    return (SCANPROC && SCANPROC->Scanning()) || (SCANREG && SCANREG->Scanning()) || (SCANDIR && SCANDIR->Scanning());
}

LRESULT Form1::OnCtlColorStatic(HDC dc, HWND ctl) {
    int id = ::GetDlgCtrlID(ctl);
    if (id == IDC_LABEL1) {
        ::SetTextColor(dc, RGB(255, 255, 255));
        ::SetBkColor(dc, kBannerColour);
        return reinterpret_cast<LRESULT>(bannerBrush_.get());
    }
    if (id == IDC_IMAGE1) return reinterpret_cast<LRESULT>(bannerBrush_.get());
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    if (id == IDC_LABEL12 || id == IDC_LABEL15) ::SetTextColor(dc, RGB(0, 0, 255));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT Form1::OnNotify(NMHDR* hdr) {
    if (hdr->hwndFrom == listView1_.hwnd() && hdr->code == NM_CUSTOMDRAW)
        return listView1_.OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(hdr));
    if (hdr->hwndFrom == listView2_.hwnd() && hdr->code == NM_CUSTOMDRAW)
        return listView2_.OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(hdr));
    if (hdr->code == NM_DBLCLK) {
        if (hdr->hwndFrom == listView1_.hwnd()) ShowDetails("1", listView1_);
        else if (hdr->hwndFrom == listView2_.hwnd()) ShowDetails("2", listView2_);
    }
    return 0;
}

void Form1::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    BusyScope busy(*this);
    switch (id) {
    case IDC_COMMAND1: Command1_Click(); break;
    case IDC_COMMAND2: Command2_Click(); break;
    case IDC_CHECK1: Check1_Click(); break;
    case IDC_COMMAND3: Command3_Click(); break;
    case IDC_COMMAND4: Command4_Click(); break;
    default: break;
    }
}

bool Form1::PreTranslate(MSG& msg) {
    // Esc closes the window wherever the focus is inside it.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && hwnd() &&
        (msg.hwnd == hwnd() || ::IsChild(hwnd(), msg.hwnd))) {
        Unload();
        return true;
    }
    // Ctrl+1, Ctrl+2, Ctrl+3 reach the three panels as the toolbar's buttons do.
    if (msg.message == WM_KEYDOWN && msg.wParam >= '1' && msg.wParam <= '3' && (::GetKeyState(VK_CONTROL) & 0x8000) &&
        hwnd() && (msg.hwnd == hwnd() || ::IsChild(hwnd(), msg.hwnd))) {
        VtToolBar1_Click(static_cast<int32_t>(msg.wParam - '1'));
        return true;
    }
    return false;
}

void Form1::Unload() {
    if (!hwnd() || destroyed_) return;
    closing_ = true;
    CancelProcessScan();
    CancelStartupScan();
    // Answers still due go nowhere; a worker waiting on a silent service does not hold
    // the program.
    if (lookups_) lookups_->Shutdown();
    // A scan or a question may still be on the stack (we are nested in its message pump):
    // the window goes once the outermost handler has returned.
    if (busy_ > 0) return;
    destroyed_ = true;
    ::DestroyWindow(hwnd());
}

void Form1::OnFinalDestroy() {
    destroyed_ = true;
    // Released in the order they were made, the process scanner last.
    SCANREG = nullptr;
    registry_ = nullptr;
    SCANDIR = nullptr;
    shellLink_ = nullptr;
    startup_.reset();
    SCANPROC.reset();
    lookups_.reset();
}

LRESULT Form1::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CLOSE: Unload(); return 0;
    case WM_APP_DEFERRED_CLOSE:
        if (closing_ && busy_ == 0) Unload();
        return 0;
    case WM_APP_LOOKUP_ANSWERS: ApplyLookupAnswers(); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp)); return 0;
    case WM_NOTIFY: return OnNotify(reinterpret_cast<NMHDR*>(lp));
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: return OnCtlColorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    default: return DefaultProc(msg, wp, lp);
    }
}

void Form1::ShowDetails(const char* source, const ListView& list) {
    // A dialog still filling itself (its error box pumps messages) is not freed under it.
    if (list.SelectedRow() < 0 || detailsLoading_) return;
    BusyScope busy(*this);
    detailsLoading_ = true;
    ScopeExit loaded([this]() noexcept { detailsLoading_ = false; });
    // A dialog left open from an earlier double click closes first.
    if (details_) {
        details_->Unload();
        details_.reset();
    }
    DetailsSource = source;
    // The window gets the records of both lists' selected rows; DetailsSource picks one.
    DetailsRows rows;
    if (const ProcessRow* p = ProcessRecord(listView1_.SelectedRow())) rows.process = *p;
    if (const StartupRow* r = StartupRecord(listView2_.SelectedRow())) rows.startup = *r;
    details_ = std::make_unique<Dialog>(std::move(rows), prompt_, IDI_VANTORILE);
    details_->Load();
}

int Form1::Ask(const std::string& text, const std::string& title, UINT style) {
    return prompt_.Show(hwnd(), text, title, style);
}

int RunProgram() {
    Window::QuitWhenLastWindowCloses(true);
    Form1 form;
    if (!form.Load()) return 1;
    return RunMessageLoop();
}

}  // namespace vt
