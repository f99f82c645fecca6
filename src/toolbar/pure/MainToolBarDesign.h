// The main window's toolbar as its design stored it: key/value pairs for the property
// bag, with the three button icons named by resource.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <variant>

#include "toolbar/pure/PropertyBag.h"

namespace vt {

// A picture stored in the design: an icon resource of the program.
struct IconResource {
    int32_t id;
};

using DesignValue = std::variant<int32_t, bool, std::string_view, FontDesc, IconResource>;

struct DesignEntry {
    std::string_view key;
    DesignValue value;
};

// VtToolBar1 of the main window. Keys absent here take the bag's defaults.
std::span<const DesignEntry> MainToolBarDesign();

// Host extent of the stored design, HIMETRIC ("_extentx", "_extenty").
inline constexpr int32_t kMainToolBarExtentX = 14817;
inline constexpr int32_t kMainToolBarExtentY = 1455;

// Copies design entries into a bag; icon resources become pictures through loadIcon
// (a null result leaves the key out, so the button simply has no icon).
void FillBag(PropertyBag& bag, std::span<const DesignEntry> design,
             const std::function<PictureHandle(int32_t resourceId)>& loadIcon);

}  // namespace vt
