// The main window: caption, size and closing for now; the panels come with their own files.
#pragma once

#include "platform/MessagePump.h"
#include "platform/Window.h"

namespace vt {

inline constexpr const char* kMainCaption = "Vantorile 1.0 - Process and startup analyzer";
inline constexpr long kClientWidthTwips = 7080;
inline constexpr long kClientHeightTwips = 7815;

class Form1 : public Window, private IMessageFilter {
public:
    Form1();
    ~Form1() override;

    // Creates and shows the window, centred on the primary work area.
    bool Load();

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnFinalDestroy() override;

private:
    bool PreTranslate(MSG& msg) override;
    void Unload();
};

// Creates the main window and runs the message loop until the last window closes.
int RunProgram();

}  // namespace vt
