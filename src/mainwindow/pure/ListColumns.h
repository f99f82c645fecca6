// The columns of the two lists: captions and widths in twips, read when a panel is
// built and again whenever the window is laid out at a new DPI.
#pragma once

#include <span>

namespace vt {

struct ListColumn {
    const char* caption;
    long widthTwips;
};

inline constexpr ListColumn kProcessColumns[] = {
    {"Nome processo", 2822},
    {"Percorso processo", 7056},
    {"ID", 1642},
};

inline constexpr ListColumn kStartupColumns[] = {
    {"Nome voce", 2822},
    {"Percorso applicazione", 7056},
    {"ID", 1641},
};

}  // namespace vt
