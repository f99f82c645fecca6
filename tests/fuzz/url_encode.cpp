// Query encoding of any file name: only unreserved characters and %XX escapes leave,
// and decoding gives back the very bytes that went in.
#include "FuzzCheck.h"
#include "reputation/pure/UrlEncode.h"

#include <string>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // lower-case digits are not what the encoder writes
}

bool Unreserved(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view name = vt::fuzz::AsText(data, size);
    const std::string encoded = vt::PercentEncode(name);
    std::string decoded;
    for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '%') {
            FUZZ_CHECK(Unreserved(encoded[i]));
            decoded.push_back(encoded[i]);
            continue;
        }
        FUZZ_CHECK(i + 2 < encoded.size());
        const int hi = HexValue(encoded[i + 1]), lo = HexValue(encoded[i + 2]);
        FUZZ_CHECK(hi >= 0 && lo >= 0);
        const char c = static_cast<char>(hi * 16 + lo);
        FUZZ_CHECK(!Unreserved(c));  // nothing is escaped that need not be
        decoded.push_back(c);
        i += 2;
    }
    FUZZ_CHECK(decoded == name);
    return 0;
}
