// VtToolBar1, the main window's toolbar, built from its stored property bag.
#pragma once

#include <windows.h>

#include "toolbar/VtToolBar.h"
#include "mainwindow/pure/MainToolBarDesign.h"

namespace vt {

// The toolbar's stored properties as a property bag, with the three button icons loaded from this
// program's resources at the size for dpi.
PropertyBag MainToolBarBag(int dpi);

// Creates VtToolBar1 as child `controlId` of parent at r (pixels at dpi; 0 = the
// parent's DPI) and loads it from the stored properties. The toolbar fits its height and
// width to its buttons.
bool CreateMainToolBar(VtToolBar& toolbar, HWND parent, const RECT& r, int controlId, int dpi = 0);

}  // namespace vt
