// The path questions the windows ask of the file system that need no file system:
// the file-name part of a path and the joining of a folder and a name.
#pragma once

#include <string>
#include <string_view>

namespace vt {

// Text after the last "\" (the whole text when there is none).
std::string FileNamePart(std::string_view path);
// folder + "\" + name, without doubling a "\" the folder already ends with.
std::string BuildPath(std::string_view folder, std::string_view name);

}  // namespace vt
