#include "mainwindow/pure/MainToolBarDesign.h"

#include <string>

namespace vt {

namespace {

const FontDesc kMainFont{"MS Sans Serif", 9.75, 400, false, false, false, 0};

// Colours are kept as the signed 32-bit numbers the bag stores.
constexpr int32_t Colour(uint32_t c) { return static_cast<int32_t>(c); }

// Button pictures are stored as the button number; MainToolBarDesign puts in the resource.
const DesignEntry kMainToolBar[] = {
    {"_extentx", kMainToolBarExtentX},
    {"_extenty", kMainToolBarExtentY},
    {"appearance", 1},
    {"backcolor", Colour(0x80000000u)},
    {"borderstyle", 1},
    {"font", kMainFont},
    {"button_count", 3},
    {"buttonswidth", 80},
    {"buttonsheight", 55},
    {"buttonsperrow", 7},
    {"hovercolor", Colour(0x80000003u)},
    {"tootipstyle", 1},
    {"backgradientcol", Colour(0x80000004u)},
    {"buttonsstyle", 2},
    {"buttoncaption0", std::string_view("Processi")},
    {"buttonpicture0", IconResource{0}},
    {"buttontooltiptext0", std::string_view("Scansione dei processi attivi")},
    {"buttontooltipicon0", 3},
    {"buttoncaption1", std::string_view("Avvio")},
    {"buttonpicture1", IconResource{1}},
    {"buttontooltiptext1", std::string_view("Scansione file in avvio automatico")},
    {"buttontooltipicon1", 1},
    {"buttoncaption2", std::string_view("Guida")},
    {"buttonpicture2", IconResource{2}},
    {"buttontooltiptext2", std::string_view("Come utilizzare il software")},
    {"buttontooltipicon2", 1},
};

}  // namespace

std::vector<DesignEntry> MainToolBarDesign(const MainToolBarIcons& icons) {
    const int32_t ids[] = {icons.processi, icons.avvio, icons.guida};
    std::vector<DesignEntry> design(std::begin(kMainToolBar), std::end(kMainToolBar));
    for (DesignEntry& e : design)
        if (auto r = std::get_if<IconResource>(&e.value)) r->id = ids[r->id];
    return design;
}

void FillBag(PropertyBag& bag, std::span<const DesignEntry> design,
             const std::function<PictureHandle(int32_t resourceId)>& loadIcon) {
    for (const DesignEntry& e : design) {
        if (auto p = std::get_if<int32_t>(&e.value)) bag.Write(e.key, *p);
        else if (auto b = std::get_if<bool>(&e.value)) bag.Write(e.key, *b);
        else if (auto s = std::get_if<std::string_view>(&e.value)) bag.Write(e.key, std::string(*s));
        else if (auto f = std::get_if<FontDesc>(&e.value)) bag.Write(e.key, *f);
        else if (auto r = std::get_if<IconResource>(&e.value)) {
            if (PictureHandle pic = loadIcon ? loadIcon(r->id) : nullptr) bag.Write(e.key, std::move(pic));
        }
    }
}

}  // namespace vt
