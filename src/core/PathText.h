// Path text: the helpers that turn startup command lines and paths into program paths,
// file names, extensions and folders, and the file-name part and joining the file-system
// object answers with. They never touch the file system.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vt {

std::string StripQuotes(std::string_view s);
std::string GetCommandProgramPath(std::string_view s);
std::string GetCommandFileName(std::string_view s);
std::string GetFileExtension(std::string_view s);
std::string GetFolderPath(std::string_view s);

// Text after the last "\" (the whole text when there is none).
std::string FileNamePart(std::string_view path);
// folder + "\" + name, without doubling a "\" the folder already ends with.
std::string BuildPath(std::string_view folder, std::string_view name);

// The folders of a search path ("path" variable): the texts between ";", empty ones left
// out, each as it stands (no trimming, no quotes removed).
std::vector<std::string> SearchPathFolders(std::string_view pathVariable);

// Program-files folder when the shell cannot name it: the variable trimmed of blanks, or
// the Windows drive root followed by "Program Files".
std::string ProgramFilesFallback(std::string_view envValue, std::string_view windowsDir);

}  // namespace vt
