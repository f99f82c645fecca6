// The main window's toolbar as its design stored it: key/value pairs for the property
// bag, with the three button icons named by the resource numbers the caller passes in.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>
#include <string_view>
#include <variant>

#include "toolbar/pure/PropertyBag.h"

namespace vt {

// A picture among the toolbar's stored properties: one of the program's icon resources,
// loaded at the size the toolbar is drawn at.
struct IconResource {
    int32_t id;
};

using DesignValue = std::variant<int32_t, bool, std::string_view, FontDesc, IconResource>;

struct DesignEntry {
    std::string_view key;
    DesignValue value;
};

// The icon resources of the three buttons, in button order.
struct MainToolBarIcons {
    int32_t processi, avvio, guida;
};

// VtToolBar1 of the main window. Keys absent here take the bag's defaults.
std::vector<DesignEntry> MainToolBarDesign(const MainToolBarIcons& icons);

// Host extent of the stored design, HIMETRIC ("_extentx", "_extenty").
inline constexpr int32_t kMainToolBarExtentX = 14817;
inline constexpr int32_t kMainToolBarExtentY = 1455;

// Copies design entries into a bag; icon resources become pictures through loadIcon
// (a null result leaves the key out, so the button simply has no icon).
void FillBag(PropertyBag& bag, std::span<const DesignEntry> design,
             const std::function<PictureHandle(int32_t resourceId)>& loadIcon);

}  // namespace vt
