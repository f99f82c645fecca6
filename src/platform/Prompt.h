// The seam through which windows and modules ask the user a question. The program uses
// the platform's message box; tests install their own answerer.
#pragma once

#include <windows.h>

#include <string>

namespace vt {

class IPrompt {
public:
    virtual ~IPrompt() = default;
    // Same contract as MessageBox: style flags in, IDYES / IDNO / IDOK ... out.
    virtual int Show(HWND owner, const std::string& text, const std::string& title, UINT style) = 0;
};

class MessageBoxPrompt final : public IPrompt {
public:
    int Show(HWND owner, const std::string& text, const std::string& title, UINT style) override;
};

// The prompt that module-level functions (with no window to carry a seam) use.
IPrompt& CurrentPrompt();
// Installs p (nullptr restores the message box); returns the previous one.
IPrompt* SetCurrentPrompt(IPrompt* p);

}  // namespace vt
