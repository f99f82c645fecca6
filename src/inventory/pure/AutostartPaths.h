// The program file behind each kind of autostart entry: a service's or a driver's image
// path as the service control manager and the kernel read it, a command line, a library
// path, a boot-time program; and the programs of a list value (Userinit, AppInit_DLLs,
// BootExecute) with what such a value becomes when one of them goes. Text only; where the
// system would search for a bare name, `exists` answers for the candidates.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/pure/AutostartPlaces.h"

namespace vt {

// "%SystemRoot%" and "%windir%" (any letter case) as the Windows folder; other text as it is.
std::string ExpandSystemRoot(std::string_view text, std::string_view windowsFolder);

// The program file an ImagePath starts, full and normalised: quotes taken off, "\??\" and
// "\\?\" dropped, "\SystemRoot\" and "%SystemRoot%" as the Windows folder, a path relative
// to the Windows folder ("system32\drivers\x.sys", the kernel's form) made full, a path
// without a drive on the Windows folder's drive, a bare name in System32. An unquoted path
// with blanks is read as the system does: the first candidate up to a blank that exists
// (".exe" added when it has no extension), else the text up to the first program
// extension (.exe, .sys, .dll, .com, .bat, .cmd) followed by a blank or the end.
std::string ImageProgramPath(std::string_view imagePath, std::string_view windowsFolder, const FileExists& exists = {});

// The file a command line of a registry place makes the system run: the script or
// library a host (rundll32, wscript, powershell ...) is given, as a full path, when it
// names one; RunOnceEx's "||library|function" form; else the program, unquoted paths with
// blanks read as above, a bare name found in System32 or the Windows folder (left bare
// when neither holds it).
std::string CommandProgramFile(std::string_view command, std::string_view windowsFolder, const FileExists& exists = {});

// An AppInit_DLLs library: the path itself, a bare name in System32.
std::string LibraryFile(std::string_view item, std::string_view windowsFolder);

// A BootExecute program: the first word, after "autocheck" when it starts with that
// word, in System32 with ".exe" when it has no extension (the session manager runs
// nothing from anywhere else).
std::string BootProgramFile(std::string_view item, std::string_view windowsFolder);

// True for a service started by the shared service host ("svchost.exe -k group"), whose
// code is the library of its ServiceDll value.
bool IsSharedServiceHost(std::string_view imagePath, std::string_view programFile);

struct ListItem {
    std::string text;  // the program as the list holds it, without its separators
    size_t begin = 0;  // its place in the value's text
    size_t end = 0;
};

// The programs of a list value, in order; empty pieces are no programs. A REG_MULTI_SZ
// comes as its strings joined with NUL characters. Commas: pieces between commas, blanks
// around them trimmed; BlanksOrCommas: pieces between runs of blanks and commas.
std::vector<ListItem> SplitListValue(std::string_view text, ListForm form);

// The value's text with program `index` removed and everything else kept as it was: the
// program goes with the separator after it, the last one with the separator before it.
// "" when no program would be left.
std::string RemoveListItem(std::string_view text, ListForm form, size_t index);

// Whether a list item is the place's default one (letter case and runs of blanks aside).
bool IsDefaultItem(std::string_view item, std::string_view defaultItem);

}  // namespace vt
