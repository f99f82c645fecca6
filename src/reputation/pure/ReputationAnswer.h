// Turns the reputation service's plain-text answer into a reliability grade. Kept free of
// any transport so the whole table of answers can be checked without a network.
#pragma once

#include <cstdint>
#include <string_view>

namespace vt {

// Reliability grades: the row's small-icon index in the main window's image list.
inline constexpr int32_t kGradeNone = 0;      // the lookup failed: no icon
inline constexpr int32_t kGradeSafe = 1;      // usually safe
inline constexpr int32_t kGradeInfected = 2;  // trojan, virus, malware or adware
inline constexpr int32_t kGradeTarget = 3;    // known target for infections
inline constexpr int32_t kGradeUnknown = 4;   // unknown to the service, or no recognised verdict

// The grade that an answer body gives. Only the first match line counts; an answer that
// holds nothing but line breaks (or nothing at all) gives kGradeNone.
int32_t GradeFromAnswer(std::string_view answer);

}  // namespace vt
