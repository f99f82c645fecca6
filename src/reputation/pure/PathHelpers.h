// Text-only helpers that turn startup command lines and paths into program paths, file
// names, extensions and folders. They never touch the file system.
#pragma once

#include <string>
#include <string_view>

namespace vt {

std::string StripQuotes(std::string_view s);
std::string GetCommandProgramPath(std::string_view s);
std::string GetCommandFileName(std::string_view s);
std::string GetFileExtension(std::string_view s);
std::string GetFolderPath(std::string_view s);

}  // namespace vt
