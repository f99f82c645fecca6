// The program's message loop and the scanners' yield to it: pending window messages are
// handled while a walk goes on, so the user can click, press Esc or close in mid-scan.
// Windows that want keys before their controls register a filter.
#pragma once

#include <windows.h>

namespace vt {

class IMessageFilter {
public:
    virtual ~IMessageFilter() = default;
    // True when the message was handled and must not be dispatched.
    virtual bool PreTranslate(MSG& msg) = 0;
};

void AddMessageFilter(IMessageFilter* filter);
void RemoveMessageFilter(IMessageFilter* filter);

// The scanners' yield between items: processes all pending messages of this thread, at
// most once a millisecond, less often when looking at the queue is dear (a call sooner
// after the last one returns at once, for next to nothing). A WM_QUIT seen here is posted again so the outer loop still
// ends the program.
void DoEvents();

// Processes all pending messages now, whenever the last yield was (WM_QUIT as above).
void PumpPending();

// The outer loop: runs until WM_QUIT and returns its exit code.
int RunMessageLoop();

// Filters, dialog navigation, translation and dispatch of one message.
void DispatchOne(MSG& msg);

}  // namespace vt
