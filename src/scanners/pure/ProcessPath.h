// Text rewriting of the module paths that the process scanner reads: native prefixes
// that some system processes report ("\??\", "\SystemRoot\") become ordinary paths.
#pragma once

#include <string>
#include <string_view>

namespace vt {

// Removes every "\??\" and then replaces every "\SystemRoot\" with windowsDir + "\"
// (case-sensitive, left to right, inserted text is not looked at again). An empty
// windowsDir leaves "\" in place of the prefix.
std::string RewriteModulePath(std::string_view modulePath, std::string_view windowsDir);

// The text up to and including the last "\"; "" when there is none.
std::string ModuleFolder(std::string_view path);

}  // namespace vt
