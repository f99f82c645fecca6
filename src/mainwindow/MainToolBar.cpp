#include "mainwindow/MainToolBar.h"

#include "resources/resource.h"
#include "platform/Dpi.h"

namespace vt {

namespace {
constexpr int kToolBarIconSize = 32;  // the drawn icons, at 96 DPI
}

PropertyBag MainToolBarBag(int dpi) {
    PropertyBag bag;
    HMODULE module = ::GetModuleHandleA(nullptr);
    FillBag(bag, MainToolBarDesign({IDI_TB_PROCESSI, IDI_TB_AVVIO, IDI_TB_GUIDA}), [&](int32_t id) -> PictureHandle {
        return ToolBarPicture::FromIconResource(module, id, kToolBarIconSize, dpi);
    });
    return bag;
}

bool CreateMainToolBar(VtToolBar& toolbar, HWND parent, const RECT& r, int controlId, int dpi) {
    if (dpi <= 0) dpi = WindowDpi(parent);
    const PropertyBag bag = MainToolBarBag(dpi);
    return toolbar.Create(parent, r, controlId, &bag, dpi);
}

}  // namespace vt
