// The main window's toolbar design with this program's icons, for the control's tests:
// the control's richest real use, built here from the pure design data.
#pragma once

#include <windows.h>

#include "resources/resource.h"
#include "mainwindow/pure/MainToolBarDesign.h"
#include "toolbar/VtToolBar.h"

namespace vt::test {

inline PropertyBag MainDesignBag(int dpi) {
    PropertyBag bag;
    HMODULE module = ::GetModuleHandleA(nullptr);
    FillBag(bag, MainToolBarDesign({IDI_TB_PROCESSI, IDI_TB_AVVIO, IDI_TB_GUIDA}),
            [&](int32_t id) { return ToolBarPicture::FromIconResource(module, id, 32, dpi); });
    return bag;
}

inline bool CreateMainDesign(VtToolBar& toolbar, HWND parent, const RECT& r, int controlId, int dpi) {
    const PropertyBag bag = MainDesignBag(dpi);
    return toolbar.Create(parent, r, controlId, &bag, dpi);
}

}  // namespace vt::test
