// A first look at a shortcut file's bytes before the shell reads it: the shell's own
// reader walks the item list by the sizes the file claims, and under Wine an item that
// claims more bytes than its list holds makes it read past its buffer and crash.
#pragma once

#include <cstddef>
#include <string_view>

namespace vt {

// The bytes a check needs at most: the header, the list's size and the largest list.
inline constexpr size_t kLinkCheckBytes = 0x4C + 2 + 0xFFFF;

// False when the file's start (up to kLinkCheckBytes of it) carries a target item list
// whose items do not walk, each at least as large as its own size field, to the list's
// terminator inside the list, or a list that runs past the file. Files too short for a
// header, or without an item list, are left to the shell, which refuses them safely.
bool LinkItemListSound(std::string_view start, size_t fileSize);

}  // namespace vt
