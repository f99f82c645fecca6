// The text helpers that turn command lines and module paths into program paths, names,
// extensions and folders: every answer is a piece of the input, never more.
#include "FuzzCheck.h"
#include "core/PathText.h"
#include "scanners/pure/ProcessPath.h"

#include <string>

namespace {

bool StartsWith(std::string_view s, std::string_view head) { return s.substr(0, head.size()) == head; }
bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto fields = vt::fuzz::Fields(vt::fuzz::AsText(data, size), 2);
    const std::string_view s = fields[0];

    const std::string stripped = vt::StripQuotes(s);
    FUZZ_CHECK(stripped.size() <= s.size());
    FUZZ_CHECK(stripped.find('"') == std::string::npos);

    const std::string program = vt::GetCommandProgramPath(s);
    FUZZ_CHECK(StartsWith(s, program));
    const std::string file = vt::GetCommandFileName(s);
    FUZZ_CHECK(s.find(file) != std::string_view::npos);
    FUZZ_CHECK(file.find('\\') == std::string::npos);
    const std::string extension = vt::GetFileExtension(s);
    FUZZ_CHECK(EndsWith(s, extension));
    const std::string folder = vt::GetFolderPath(s);
    FUZZ_CHECK(StartsWith(s, folder));
    FUZZ_CHECK(folder.empty() || folder.back() == '\\');

    const std::string name = vt::FileNamePart(s);
    FUZZ_CHECK(EndsWith(s, name) && name.find('\\') == std::string::npos);
    const std::string joined = vt::BuildPath(s, fields[1]);
    FUZZ_CHECK(StartsWith(joined, s) && EndsWith(joined, fields[1]));
    FUZZ_CHECK(joined.size() <= s.size() + fields[1].size() + 1);

    // The search path's folders: every non-empty text between ";", in order.
    std::string rejoined;
    for (const std::string& folder : vt::SearchPathFolders(s)) {
        FUZZ_CHECK(!folder.empty() && folder.find(';') == std::string::npos);
        rejoined += folder;
    }
    std::string withoutSeparators(s);
    std::erase(withoutSeparators, ';');
    FUZZ_CHECK(rejoined == withoutSeparators);

    // Removing prefixes only shortens; with a Windows folder each prefix grows by at most it.
    FUZZ_CHECK(vt::RewriteModulePath(s, "").size() <= s.size());
    const std::string rewritten = vt::RewriteModulePath(s, fields[1]);
    FUZZ_CHECK(rewritten.size() <= s.size() * (fields[1].size() + 1));
    return 0;
}
