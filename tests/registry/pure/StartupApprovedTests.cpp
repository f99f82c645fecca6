#include <gtest/gtest.h>

#include <string>

#include "registry/pure/RegistryData.h"
#include "registry/pure/StartupApproved.h"

namespace {

using namespace std::string_literals;
using vt::reg::ApprovedDataDisabled;

TEST(StartupApproved, OnlyAnOddFlagInWellFormedDataDisables) {
    const std::string time8 = "\x10\x20\x30\x40\x50\x60\x70\x01"s;  // the time of the change
    struct Case {
        const char* what;
        uint32_t type;
        std::string data;
        bool disabled;
    } cases[] = {
        {"disabled (03)", vt::reg::kBinary, "\x03\0\0\0"s + time8, true},
        {"disabled (01)", vt::reg::kBinary, "\x01\0\0\0"s + time8, true},
        {"odd high byte (ff)", vt::reg::kBinary, "\xff\0\0\0"s + time8, true},
        {"flag word only", vt::reg::kBinary, "\x03\0\0\0"s, true},
        {"enabled (02)", vt::reg::kBinary, "\x02\0\0\0"s + time8, false},
        {"enabled (06)", vt::reg::kBinary, "\x06\0\0\0"s + time8, false},
        {"odd second byte only", vt::reg::kBinary, "\x02\x01\0\0"s + time8, false},
        {"empty", vt::reg::kBinary, "", false},
        {"one byte", vt::reg::kBinary, "\x03"s, false},
        {"three bytes", vt::reg::kBinary, "\x03\0\0"s, false},
        {"text", vt::reg::kSz, "\x03\0\0\0"s + time8, false},
        {"number", vt::reg::kDword, "\x03\0\0\0"s, false},
        {"no type", vt::reg::kNone, "\x03\0\0\0"s + time8, false},
    };
    for (const Case& c : cases) EXPECT_EQ(ApprovedDataDisabled(c.type, c.data), c.disabled) << c.what;
}

}  // namespace
