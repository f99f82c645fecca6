#include "reputation/pure/ReputationAnswer.h"

#include "core/Text.h"

#include <array>
#include <string>

namespace vt {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kSafe = ";This file is usually safe.";
constexpr std::string_view kTrojan = ";This is a trojan / virus.";
constexpr std::string_view kTarget = ";Known to be a target for infections.";
constexpr std::string_view kMalware = ";This is malware/adware";

bool Contains(std::string_view s, std::string_view what) { return s.find(what) != std::string_view::npos; }

}  // namespace

int32_t GradeFromAnswer(std::string_view answer) {
    // The first line is the service's header. The cut lands on that line's CR, so the
    // LF of the pair stays as the first character: harmless, as the searches below are
    // substring searches. Without any CR LF the whole text is kept.
    size_t firstBreak = answer.find(kCrLf);
    std::string_view rest = firstBreak == std::string_view::npos ? answer : answer.substr(firstBreak + 1);

    while (!rest.empty() && (rest.back() == '\r' || rest.back() == '\n')) rest.remove_suffix(1);

    std::string b = ReplaceAll(rest, "\r\n\r\n", "");
    // A verdict written at the start of a line belongs to the match on the line before.
    for (std::string_view marker : std::array{kSafe, kTrojan, kTarget, kMalware})
        b = ReplaceAll(b, std::string(kCrLf) + std::string(marker), marker);

    if (Contains(b, "No results")) return kGradeUnknown;
    if (b.empty()) return kGradeNone;  // nothing to split: no verdict at all

    std::string_view first = std::string_view(b).substr(0, b.find(kCrLf));
    if (Contains(first, kSafe.substr(1))) return kGradeSafe;
    if (Contains(first, kTrojan) || Contains(first, kMalware)) return kGradeInfected;
    if (Contains(first, kTarget)) return kGradeTarget;
    return kGradeUnknown;
}

}  // namespace vt
