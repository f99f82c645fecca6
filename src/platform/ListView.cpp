#include "platform/ListView.h"

#include <windowsx.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <utility>
#include <vector>

#include "platform/Accessible.h"
#include "platform/ListViewAccessible.h"

namespace vt {

namespace {

// Under Wine every row added to a list that draws itself redraws its scroll bar at once
// (about 3 ms) and selecting it costs as much again: filling a list a row at a time spent
// twenty times as long drawing as adding. Drawing is held while rows come in and done at
// most every 40 ms, which still looks like a list growing row by row; on a machine so busy
// that drawing the list takes longer, less often, so drawing never takes more than a fifth
// of the time, but at least a few times a second.
constexpr UINT kShowAddedMs = 40;
constexpr UINT kLongestHoldMs = 300;
constexpr UINT kDrawShare = 5;
constexpr UINT_PTR kShowAddedTimer = 0x5654;

double MsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

ListView::ListView() = default;

ListView::~ListView() {
    DisconnectDescriptions();
    if (hwnd_) ::RemoveWindowSubclass(hwnd_, &ListView::SubclassProc, 1);
}

bool ListView::Create(HWND parent, int id, const RECT& r) {
    hwnd_ = ::CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
        r.left, r.top, r.right - r.left, r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        ::GetModuleHandleA(nullptr), nullptr);
    if (!hwnd_) return false;
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    ::SetWindowSubclass(hwnd_, &ListView::SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));

    // One tool over the whole list; its text is asked for on demand and follows the cell
    // under the pointer.
    tip_.reset(::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                 ::GetModuleHandleA(nullptr), nullptr));
    if (HWND tip = tip_.get()) {
        TOOLINFOA ti{};
        ti.cbSize = sizeof(ti);
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = hwnd_;
        ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
        ti.lpszText = LPSTR_TEXTCALLBACKA;
        ::SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        ::SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, 600);
        ::SendMessageA(tip, TTM_ACTIVATE, FALSE, 0);
    }
    ConnectDescriptions();
    return true;
}

void ListView::ImageDescriptions(std::vector<std::string> words) {
    imageWords_ = std::move(words);
    ConnectDescriptions();
}

std::string ListView::RowDescription(int row) const {
    if (!hwnd_ || row < 0 || row >= Count()) return {};
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    if (!ListView_GetItem(hwnd_, &item) || item.iImage < 0 || static_cast<size_t>(item.iImage) >= imageWords_.size())
        return {};
    return imageWords_[static_cast<size_t>(item.iImage)];
}

void ListView::ConnectDescriptions() {
    if (!hwnd_ || imageWords_.empty() || annotations_ || ownObject_) return;
    // Preferred: the system keeps describing its list, and asks us only for each row's
    // description, whatever the row's icon is at that moment.
    ComPtr<IAccPropServices> services;
    if (SUCCEEDED(::CoCreateInstance(kClsidCAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIidIAccPropServices,
                                     services.put_void()))) {
        ComPtr<RowDescriptionServer> server(new (std::nothrow) RowDescriptionServer(*this, *services.get()));
        MSAAPROPID props[] = {kPropIdAccDescription};
        if (server && SUCCEEDED(services->SetHwndPropServer(hwnd_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                                            props, 1, server.get(), ANNO_CONTAINER))) {
            annotations_ = services;
            descriptionServer_ = server;
            return;
        }
        if (server) server->Disconnect();
    }
    // Without the service (Wine implements it as stubs), the list answers for itself.
    ownObject_ = true;
}

void ListView::DisconnectDescriptions() noexcept {
    if (annotations_ && hwnd_) {
        MSAAPROPID props[] = {kPropIdAccDescription};
        annotations_->ClearHwndProps(hwnd_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, props, 1);
    }
    if (descriptionServer_) descriptionServer_->Disconnect();
    descriptionServer_.reset();
    annotations_.reset();
    if (accessible_) accessible_->Disconnect();
    accessible_.reset();
    ownObject_ = false;
}

void ListView::SetImageList(HIMAGELIST images) { ListView_SetImageList(hwnd_, images, LVSIL_SMALL); }

void ListView::AddColumn(const std::string& header, int widthPx) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.cx = widthPx;
    col.pszText = const_cast<char*>(header.c_str());
    col.iSubItem = columns_;
    ::SendMessageA(hwnd_, LVM_INSERTCOLUMNA, columns_, reinterpret_cast<LPARAM>(&col));
    ++columns_;
}

void ListView::SetColumnWidth(int column, int widthPx) { ListView_SetColumnWidth(hwnd_, column, widthPx); }

void ListView::Clear() {
    ListView_DeleteAllItems(hwnd_);
    rows_.clear();
    shownRow_ = -1;
    tipRow_ = tipSub_ = -1;
    if (tip_) ::SendMessageA(tip_.get(), TTM_ACTIVATE, FALSE, 0);
}

int ListView::AddRow(const std::string& text, int image, LPARAM data) {
    const UINT holdMs = std::clamp(static_cast<UINT>(drawMs_ * kDrawShare), kShowAddedMs, kLongestHoldMs);
    if (!drawingHeld_ && hwnd_ && ::SetTimer(hwnd_, kShowAddedTimer, holdMs, nullptr)) {
        ::SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
        drawingHeld_ = true;
    }
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = Count();
    item.pszText = const_cast<char*>(text.c_str());
    item.iImage = image;
    item.lParam = data;
    int row = static_cast<int>(::SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row >= 0 && static_cast<size_t>(row) >= rows_.size()) rows_.resize(static_cast<size_t>(row) + 1);
    return row;
}

LPARAM ListView::RowData(int row) const {
    if (!hwnd_ || row < 0 || row >= Count()) return -1;
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    return ListView_GetItem(hwnd_, &item) ? item.lParam : -1;
}

void ListView::SetImage(int row, int image) {
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = image;
    ::SendMessageA(hwnd_, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

int ListView::Count() const { return hwnd_ ? ListView_GetItemCount(hwnd_) : 0; }

void ListView::SetText(int row, int sub, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = sub;
    item.pszText = const_cast<char*>(text.c_str());
    ::SendMessageA(hwnd_, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::string ListView::Text(int row, int sub) const {
    if (row < 0 || row >= Count()) return {};
    std::vector<char> buf(512);
    for (;;) {
        LVITEMA item{};
        item.iSubItem = sub;
        item.pszText = buf.data();
        item.cchTextMax = static_cast<int>(buf.size());
        int n = static_cast<int>(
            ::SendMessageA(hwnd_, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        // A full buffer may mean a cut text: grow and ask again.
        if (n < static_cast<int>(buf.size()) - 1 || buf.size() >= (1u << 20))
            return std::string(buf.data(), static_cast<size_t>(n));
        buf.resize(buf.size() * 4);
    }
}

ListView::RowExtras* ListView::Extras(int row, int sub) {
    return const_cast<RowExtras*>(std::as_const(*this).Extras(row, sub));
}

const ListView::RowExtras* ListView::Extras(int row, int sub) const {
    // A list always has its first column, even before one is added.
    if (row < 0 || sub < 0 || sub >= std::max(columns_, 1) || static_cast<size_t>(row) >= rows_.size()) return nullptr;
    return &rows_[static_cast<size_t>(row)];
}

void ListView::SetTextColor(int row, int sub, COLORREF colour) {
    RowExtras* extras = Extras(row, sub);
    if (!extras) return;
    const auto cell = static_cast<size_t>(sub);
    if (cell >= extras->colour.size()) extras->colour.resize(cell + 1, CLR_DEFAULT);
    extras->colour[cell] = colour;
    ListView_RedrawItems(hwnd_, row, row);
}

void ListView::SetToolTip(int row, int sub, const std::string& text) {
    RowExtras* extras = Extras(row, sub);
    if (!extras) return;
    const auto cell = static_cast<size_t>(sub);
    if (cell >= extras->tip.size()) extras->tip.resize(cell + 1);
    extras->tip[cell] = text;
}

COLORREF ListView::TextColor(int row, int sub) const {
    const RowExtras* extras = Extras(row, sub);
    const auto cell = static_cast<size_t>(sub);
    return extras && cell < extras->colour.size() ? extras->colour[cell] : CLR_DEFAULT;
}

std::string ListView::ToolTip(int row, int sub) const {
    const RowExtras* extras = Extras(row, sub);
    const auto cell = static_cast<size_t>(sub);
    return extras && cell < extras->tip.size() ? extras->tip[cell] : std::string();
}

int ListView::SelectedRow() const { return hwnd_ ? ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED) : -1; }

void ListView::Select(int row) {
    if (!hwnd_) return;
    // Only the rows whose state changes are touched: clearing "every row" walks the whole
    // list, which made filling it a row at a time cost the square of its length.
    for (const UINT which : {LVNI_SELECTED, LVNI_FOCUSED}) {
        const int other = ListView_GetNextItem(hwnd_, -1, which);
        if (other >= 0 && other != row) ListView_SetItemState(hwnd_, other, 0, LVIS_SELECTED | LVIS_FOCUSED);
    }
    if (row >= 0) ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void ListView::EnsureVisible(int row) {
    if (row < 0) return;
    // While drawing is held the scroll range lags behind the rows, so scrolling now would
    // stop short: the list scrolls once drawn.
    if (drawingHeld_) {
        shownRow_ = row;
        return;
    }
    ListView_EnsureVisible(hwnd_, row, FALSE);
}

void ListView::ShowAdded() {
    if (!drawingHeld_ || !hwnd_) return;
    const auto start = std::chrono::steady_clock::now();
    drawingHeld_ = false;
    ::KillTimer(hwnd_, kShowAddedTimer);
    ::SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
    if (shownRow_ >= 0 && shownRow_ < Count()) ListView_EnsureVisible(hwnd_, shownRow_, FALSE);
    shownRow_ = -1;
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    // The painting itself comes with the next look at the queue and adds to this.
    showMs_ = drawMs_ = MsSince(start);
}

int ListView::HitTest(POINT client) const {
    LVHITTESTINFO hit{};
    hit.pt = client;
    int row = ListView_SubItemHitTest(hwnd_, &hit);
    return (row >= 0 && (hit.flags & LVHT_ONITEM)) ? row : -1;
}

int ListView::FindText(const std::string& text) const {
    int n = Count();
    for (int row = 0; row < n; ++row) {
        std::string t = Text(row, 0);
        if (::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, t.c_str(), static_cast<int>(t.size()), text.c_str(),
                             static_cast<int>(text.size())) == CSTR_EQUAL)
            return row;
    }
    return -1;
}

LRESULT ListView::OnCustomDraw(NMLVCUSTOMDRAW* cd) const {
    switch (cd->nmcd.dwDrawStage) {
    // The list asks for its items, each item for its cells; the two answers are one value.
    case CDDS_PREPAINT:
    case CDDS_ITEMPREPAINT: return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        size_t row = cd->nmcd.dwItemSpec;
        COLORREF c = row < rows_.size() ? TextColor(static_cast<int>(row), cd->iSubItem) : CLR_DEFAULT;
        // A selected row keeps the system's highlight text so it stays readable.
        bool selected =
            ListView_GetItemState(hwnd_, static_cast<int>(row), LVIS_SELECTED) != 0 && ::GetFocus() == hwnd_;
        cd->clrText =
            (c == CLR_DEFAULT || selected) ? ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT) : c;
        return CDRF_DODEFAULT;
    }
    default: return CDRF_DODEFAULT;
    }
}

void ListView::UpdateTipCell(POINT client) {
    if (!tip_) return;
    LVHITTESTINFO hit{};
    hit.pt = client;
    int row = ListView_SubItemHitTest(hwnd_, &hit);
    int sub = row >= 0 ? hit.iSubItem : -1;
    if (row == tipRow_ && sub == tipSub_) return;
    tipRow_ = row;
    tipSub_ = sub;
    bool has = !ToolTip(row, sub).empty();
    ::SendMessageA(tip_.get(), TTM_POP, 0, 0);
    ::SendMessageA(tip_.get(), TTM_ACTIVATE, has ? TRUE : FALSE, 0);
}

LRESULT ListView::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
    handled = false;
    switch (msg) {
    case WM_GETOBJECT:
        if (ownObject_ && static_cast<LONG>(static_cast<DWORD>(lp)) == OBJID_CLIENT) {
            if (!accessible_) accessible_ = ComPtr<ListViewAccessible>(new (std::nothrow) ListViewAccessible(*this));
            if (accessible_) {
                const LRESULT r =
                    ::LresultFromObject(kIidIAccessible, wp, static_cast<IAccessible*>(accessible_.get()));
                // A failure (no COM on this thread) would hide even the system's own object.
                handled = r >= 0;
                return r;
            }
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (selectOnMouseDown_) {
            POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            Select(HitTest(pt));
        }
        break;
    case WM_MOUSEMOVE: {
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        UpdateTipCell(pt);
        break;
    }
    case WM_TIMER:
        if (wp == kShowAddedTimer) {
            ShowAdded();
            handled = true;
        }
        break;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (tip_ && hdr->hwndFrom == tip_.get() && hdr->code == TTN_GETDISPINFOA) {
            auto* di = reinterpret_cast<NMTTDISPINFOA*>(lp);
            tipText_ = ToolTip(tipRow_, tipSub_);
            di->lpszText = const_cast<char*>(tipText_.c_str());
            handled = true;
            return 0;
        }
        break;
    }
    default: break;
    }
    return 0;
}

LRESULT CALLBACK ListView::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) noexcept {
    auto* self = reinterpret_cast<ListView*>(ref);
    bool handled = false;
    LRESULT r = self->OnMessage(msg, wp, lp, handled);
    if (handled) return r;
    if (msg == WM_PAINT) {
        const auto start = std::chrono::steady_clock::now();
        r = ::DefSubclassProc(hwnd, msg, wp, lp);
        self->drawMs_ = std::exchange(self->showMs_, 0) + MsSince(start);
        return r;
    }
    if (msg == WM_NCDESTROY) {
        self->DisconnectDescriptions();
        ::RemoveWindowSubclass(hwnd, &ListView::SubclassProc, 1);
        self->hwnd_ = nullptr;
        self->drawingHeld_ = false;
        self->tip_.release();  // owned by the list: destroyed with it
    }
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace vt
