#include "fileinfo/pure/LinkCheck.h"

#include <cstdint>

namespace vt {

namespace {

constexpr size_t kHeaderSize = 0x4C;
constexpr size_t kFlagsAt = 0x14;
constexpr uint32_t kHasTargetIdList = 0x1;

uint32_t Read16(std::string_view b, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}

}  // namespace

bool LinkItemListSound(std::string_view start, size_t fileSize) {
    if (start.size() < kHeaderSize + 2 || fileSize < start.size()) return true;
    const uint32_t flags = Read16(start, kFlagsAt) | Read16(start, kFlagsAt + 2) << 16;
    if ((flags & kHasTargetIdList) == 0) return true;
    const size_t listSize = Read16(start, kHeaderSize);
    const size_t begin = kHeaderSize + 2;
    const size_t end = begin + listSize;
    if (end > fileSize || end > start.size()) return false;
    for (size_t at = begin; at + 2 <= end;) {
        const size_t item = Read16(start, at);
        if (item == 0) return true;
        if (item < 2 || item > end - at) return false;
        at += item;
    }
    return false;  // no terminator inside the list
}

}  // namespace vt
