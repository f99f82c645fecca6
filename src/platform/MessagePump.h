// The program's message loop and the scanners' yield to it: every pending window
// message is handled before a walk goes on, so the user can click, press Esc or close
// in mid-scan. Windows that want keys before their controls register a filter.
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

// Processes all pending messages of this thread and returns. A WM_QUIT seen here is
// posted again so the outer loop still ends the program.
void DoEvents();

// The outer loop: runs until WM_QUIT and returns its exit code.
int RunMessageLoop();

// Filters, dialog navigation, translation and dispatch of one message.
void DispatchOne(MSG& msg);

}  // namespace vt
