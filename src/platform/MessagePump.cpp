#include "platform/MessagePump.h"

#include <algorithm>
#include <vector>

namespace vt {

namespace {
std::vector<IMessageFilter*>& Filters() {
    static std::vector<IMessageFilter*> filters;
    return filters;
}
}  // namespace

void AddMessageFilter(IMessageFilter* filter) { Filters().push_back(filter); }

void RemoveMessageFilter(IMessageFilter* filter) {
    auto& f = Filters();
    f.erase(std::remove(f.begin(), f.end(), filter), f.end());
}

void DispatchOne(MSG& msg) {
    // A filter may remove itself (its window closing), so walk a copy.
    std::vector<IMessageFilter*> filters = Filters();
    for (IMessageFilter* f : filters)
        if (f->PreTranslate(msg)) return;
    // Dialog-style keyboard handling (Tab, access keys) for the top-level window that
    // owns the message.
    HWND top = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (top && ::IsDialogMessageA(top, &msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
}

void DoEvents() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchOne(msg);
    }
}

int RunMessageLoop() {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchOne(msg);
    return static_cast<int>(msg.wParam);
}

}  // namespace vt
