// The reliability grades in words, for those who cannot see the icons: by grade, which
// is also the icon's index in the lists' image list. They follow the help panel's legend.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vt {

inline constexpr std::array<std::string_view, 5> kGradeWords = {
    "Nessun giudizio",         // 0: no verdict, no icon
    "Affidabile",              // 1: usually safe
    "Infetto",                 // 2: known as infected
    "Obiettivo di infezione",  // 3: safe, but a usual target of infections
    "Sconosciuto",             // 4: not known to the service
};

inline std::string_view GradeWord(int32_t grade) {
    return grade >= 0 && grade < static_cast<int32_t>(kGradeWords.size()) ? kGradeWords[static_cast<size_t>(grade)]
                                                                          : std::string_view();
}

}  // namespace vt
