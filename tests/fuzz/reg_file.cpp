// Registry export entries for any stored value: the file keeps its line structure (a
// comment, the key line, the value line, a blank line), whatever the key, name and data
// hold, so importing a backup can only ever bring back the one value it names.
#include "FuzzCheck.h"
#include "registry/pure/RegFile.h"
#include "registry/pure/RegistryData.h"

#include <string>

namespace {

size_t Count(const std::u16string& s, std::u16string_view what) {
    size_t n = 0;
    for (size_t at = s.find(what); at != std::u16string::npos; at = s.find(what, at + what.size())) ++n;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    constexpr int32_t kRoots[] = {vt::reg::kClassesRoot, vt::reg::kCurrentUser, vt::reg::kLocalMachine, vt::reg::kUsers,
                                  0x1234};
    const auto fields = vt::fuzz::Fields(vt::fuzz::AsText(data + 2, size - 2), 4);
    vt::reg::StoredValue v;
    v.root = kRoots[data[0] % 5];
    v.view32 = (data[0] >> 3) & 1;
    v.type = data[1] % 13;
    v.key = fields[0];
    v.name = fields[1];
    v.data = fields[3];

    const std::u16string utf16 = vt::reg::Utf16FromUtf8(fields[2]);
    FUZZ_CHECK(utf16.size() <= fields[2].size());

    const auto entry = vt::reg::RegFileEntry(v, fields[2]);
    if (!entry) {
        FUZZ_CHECK(data[0] % 5 == 4 || !vt::reg::FitsOnOneLine(v.key) || !vt::reg::FitsOnOneLine(v.name));
        return 0;
    }
    // The data's wrapping is the only other line break, always followed by two blanks.
    std::u16string lines = *entry;
    for (size_t at; (at = lines.find(u"\\\r\n  ")) != std::u16string::npos;) lines.erase(at, 5);
    FUZZ_CHECK(Count(lines, u"\r") == Count(lines, u"\r\n"));
    FUZZ_CHECK(Count(lines, u"\r") == Count(lines, u"\n"));
    FUZZ_CHECK(Count(lines, u"\r\n") == (fields[2].empty() ? 3u : 4u));
    FUZZ_CHECK(lines.size() >= 4 && lines.compare(lines.size() - 4, 4, u"\r\n\r\n") == 0);
    FUZZ_CHECK(lines[0] == (fields[2].empty() ? u'[' : u';'));

    (void)vt::reg::BackupFileName(static_cast<int8_t>(data[0]) * 1000, data[1], -data[1]);
    return 0;
}
