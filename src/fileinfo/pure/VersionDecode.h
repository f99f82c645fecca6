// Decoding of version-resource and shell answers that needs no Windows API: the
// translation key, the fixed-information texts and the packed executable type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

// The text up to its first NUL; all of it when there is none.
std::string StripAtNull(std::string_view text);

// Left-pads with "0" to width characters; a longer text keeps its last width characters.
std::string PadHex(std::string_view text, size_t width);

// "LLLLCCCC" in upper-case hex from the first translation entry (little-endian language
// word then code-page word); "" when fewer than four bytes are given.
std::string TranslationKey(const uint8_t* bytes, size_t size);

// The language and code page of a translation key, each read as a signed 16-bit number
// (so code page FDE9 gives -535); 0 when the key is not eight hex digits.
int32_t KeyLanguage(std::string_view key);
int32_t KeyCodePage(std::string_view key);

// English texts of the fixed information. flags is already masked.
std::string FileFlagsText(uint32_t flags);
std::string FileOSText(uint32_t os);
std::string FileTypeText(uint32_t type);
std::string FileSubTypeText(uint32_t type, uint32_t subtype);

// The shell's packed executable-type answer as 0 (not a program), 1 (Windows program),
// 2 (MS-DOS program or batch file) or 3 (console program).
int32_t ExeKind(uint32_t packed);

}  // namespace vt
