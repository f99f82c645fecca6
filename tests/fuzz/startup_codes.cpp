// Startup entry codes: any code decodes to at most one place, every code the program
// writes decodes to the place it was made from, and the number test agrees with strtod.
#include "FuzzCheck.h"
#include "inventory/pure/StartupCodes.h"

#include <cstdlib>
#include <string>

namespace {

constexpr const char* kKeys[] = {vt::kKeyRun, vt::kKeyRunOnce, vt::kKeyRunServices, vt::kKeyRunServicesOnce};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = vt::fuzz::AsText(data, size);

    const vt::DecodedCode d = vt::DecodeStartupCode(text);
    FUZZ_CHECK(d.folderId == 0 || d.folderId == 7 || d.folderId == 24);
    FUZZ_CHECK(d.root == 0 || d.root == vt::kRootCurrentUser || d.root == vt::kRootLocalMachine);
    FUZZ_CHECK(d.folderId == 0 || (d.root == 0 && d.key.empty()));  // a folder entry names no key
    bool knownKey = d.key.empty();
    for (const char* k : kKeys) knownKey = knownKey || d.key == k;
    FUZZ_CHECK(knownKey);

    // What the startup list writes reads back as the root and key it came from.
    if (size >= 2) {
        const int32_t root = data[0] % 3 == 0 ? vt::kRootCurrentUser : data[0] % 3 == 1 ? vt::kRootLocalMachine : 0;
        const std::string key = data[1] % 5 < 4 ? kKeys[data[1] % 5] : std::string(text.substr(2));
        const std::string code = vt::RegistryEntryCode(root, key);
        const vt::DecodedCode back = vt::DecodeStartupCode(code);
        FUZZ_CHECK(back.root == root && back.folderId == 0);
        if (data[1] % 5 < 4 || !back.key.empty()) FUZZ_CHECK(back.key == key);
    }

    if (vt::IsNumericText(text)) {
        // A number by the strict test is one to the C library as well.
        std::string t(text);
        size_t b = t.find_first_not_of(" \t"), e = t.find_last_not_of(" \t");
        FUZZ_CHECK(b != std::string::npos);
        t = t.substr(b, e - b + 1);
        char* end = nullptr;
        (void)std::strtod(t.c_str(), &end);
        FUZZ_CHECK(end == t.c_str() + t.size());
    }
    return 0;
}
