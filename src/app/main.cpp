// Program entry: one main window, one message loop; the program ends when its last
// window has closed.
#include <windows.h>
#include <commctrl.h>

#include "mainwindow/Form1.h"
#include "platform/ComPtr.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof(icc),
                             ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&icc);
    vt::ComScope com;  // the shell link object needs an apartment on this thread

    return vt::RunProgram();
}
