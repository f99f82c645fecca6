#include <gtest/gtest.h>

#include <cstdint>

#include "mainwindow/pure/ProcessId.h"

namespace {

TEST(ProcessId, WholeTextMustBeOneNumber) {
    struct Case {
        const char* text;
        bool ok;
        int32_t id;
    };
    const Case cases[] = {
        {"4", true, 4},           {"2147483647", true, 2147483647},
        {"-1", true, -1},         {"0", true, 0},
        {"", false, 0},           {" 4", false, 0},
        {"4 ", false, 0},         {"+4", false, 0},
        {"4a", false, 0},         {"0x10", false, 0},
        {"2147483648", false, 0},  // beyond 32 bits: not taken for some other process
        {"SYSTEM", false, 0},
    };
    for (const Case& c : cases) {
        int32_t id = 77;
        EXPECT_EQ(vt::ParseProcessId(c.text, id), c.ok) << c.text;
        EXPECT_EQ(id, c.ok ? c.id : 77) << c.text;
    }
}

}  // namespace
