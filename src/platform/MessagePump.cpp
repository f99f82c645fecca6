#include "platform/MessagePump.h"

#include <algorithm>
#include <vector>

namespace vt {

namespace {
std::vector<IMessageFilter*>& Filters() {
    static std::vector<IMessageFilter*> filters;
    return filters;
}

// Under Wine every look at the queue (PeekMessage, GetQueueStatus, GetInputState alike) is
// a round trip to the wineserver of 20-60 us, as dear as reading a folder entry or a
// registry value; a walk that looked once per item would spend half its time asking. One
// look per millisecond keeps the window answering within a few milliseconds at a fraction
// of the cost. The counter reading itself is a tenth of a microsecond.
constexpr long long kYieldIntervalUs = 1000;
// On a machine busy with other work the round trip stretches to hundreds of microseconds,
// since the wineserver waits for a processor like everyone else. The looks then come
// further apart, so that they never take more than a twentieth of the walk, but never
// more than a few milliseconds apart.
constexpr long long kLookShare = 20;
constexpr long long kLongestIntervalUs = 8000;

long long NowUs() {
    static const long long frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER c;
    ::QueryPerformanceCounter(&c);
    return c.QuadPart / frequency * 1000000 + c.QuadPart % frequency * 1000000 / frequency;
}

thread_local long long g_lastYieldUs = -kLongestIntervalUs;
thread_local long long g_intervalUs = kYieldIntervalUs;
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

void PumpPending() {
    const long long start = NowUs();
    bool handled = false;
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        handled = true;
        DispatchOne(msg);
    }
    // From the end: a handler that ran long (a nested scan, a message box) has just
    // looked at the queue many times itself.
    g_lastYieldUs = NowUs();
    // Only a look that found nothing says what looking costs.
    if (!handled) g_intervalUs = std::clamp((g_lastYieldUs - start) * kLookShare, kYieldIntervalUs, kLongestIntervalUs);
}

void DoEvents() {
    if (NowUs() - g_lastYieldUs < g_intervalUs) return;
    PumpPending();
}

int RunMessageLoop() {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchOne(msg);
    return static_cast<int>(msg.wParam);
}

}  // namespace vt
