#include "platform/Prompt.h"

namespace vt {

int MessageBoxPrompt::Show(HWND owner, const std::string& text, const std::string& title, UINT style) {
    return ::MessageBoxA(owner, text.c_str(), title.c_str(), style);
}

namespace {
MessageBoxPrompt g_messageBox;
IPrompt* g_prompt = nullptr;
}  // namespace

IPrompt& CurrentPrompt() { return g_prompt ? *g_prompt : g_messageBox; }

IPrompt* SetCurrentPrompt(IPrompt* p) {
    IPrompt* old = g_prompt;
    g_prompt = p;
    return old;
}

}  // namespace vt
