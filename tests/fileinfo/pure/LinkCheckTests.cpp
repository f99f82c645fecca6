// Shortcut item lists the shell may be given, and those that would send it reading past
// its buffer.
#include <gtest/gtest.h>

#include <string>

#include "fileinfo/pure/LinkCheck.h"

namespace {

// A header with the item-list flag, then a list of the given item sizes (each item filled
// to its size) and a terminator; listSize overrides the list's size field when not -1.
std::string Link(std::initializer_list<unsigned> items, long listSize = -1, bool flag = true) {
    std::string b(0x4C, '\0');
    b[0] = 0x4C;
    b[0x14] = flag ? 1 : 0;
    std::string list;
    for (unsigned n : items) {
        std::string item(n < 2 ? 2 : n, 'x');
        item[0] = static_cast<char>(n & 0xFF);
        item[1] = static_cast<char>(n >> 8);
        list += item;
    }
    list += std::string(2, '\0');
    const auto size = static_cast<unsigned>(listSize < 0 ? static_cast<long>(list.size()) : listSize);
    b += static_cast<char>(size & 0xFF);
    b += static_cast<char>(size >> 8);
    return b + list + std::string(40, 's');  // the strings and blocks that follow
}

TEST(LinkCheck, SoundListsPassAndBrokenOnesAreRefused) {
    struct Case {
        const char* what;
        std::string bytes;
        bool sound;
    } cases[] = {
        {"two items", Link({20, 30}), true},
        {"no items", Link({}), true},
        {"no item list at all", Link({0xFFFF}, -1, false), true},
        {"too short for a header", std::string(40, '\0'), true},
        {"an item larger than its list", Link({0xFFFF}, 22), false},
        {"an item smaller than its size field", Link({1, 20}), false},
        {"a list larger than the file", Link({20}, 0xFFFF), false},
        {"no terminator inside the list", Link({20, 30}, 50), false},
    };
    for (const Case& c : cases) EXPECT_EQ(vt::LinkItemListSound(c.bytes, c.bytes.size()), c.sound) << c.what;
    // Only the start of a long file is read: a list that fits is judged by it.
    const std::string big = Link({20});
    EXPECT_TRUE(vt::LinkItemListSound(big, big.size() + (size_t{4} << 20)));
    EXPECT_FALSE(vt::LinkItemListSound(big.substr(0, 0x4C + 10), big.size()));
}

}  // namespace
