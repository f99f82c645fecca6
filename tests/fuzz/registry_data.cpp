// Registry data conversions on any bytes: decoding what a value holds, encoding it back,
// multi-string building, number parsing and the registry editor's parameters.
#include "FuzzCheck.h"
#include "registry/pure/RegistryData.h"

#include <cmath>
#include <cstring>
#include <string>

using namespace vt::reg;

namespace {

void CheckMultiSz(std::string_view text) {
    const std::string m = BuildMultiSz(text);
    FUZZ_CHECK(m.size() >= 2 && m.compare(m.size() - 2, 2, std::string(2, '\0')) == 0);
    // No empty item anywhere: readers would stop there and lose the rest.
    const size_t doubled = m.find(std::string(2, '\0'));
    FUZZ_CHECK(doubled == m.size() - 2);
    FUZZ_CHECK(m.size() == 2 || m[0] != '\0');
    FUZZ_CHECK(m.size() <= text.size() + 2);
}

void CheckRoundTrip(uint32_t type, std::string_view data) {
    const vt::Variant read = DecodeRead(type, data);
    std::string written;
    const EncodeStatus status = EncodeForWrite(read, static_cast<int32_t>(type), written);
    switch (type) {
    case kSz:
    case kExpandSz: {
        FUZZ_CHECK(status == EncodeStatus::Ok);
        std::string expect(data);
        if (!expect.empty() && expect.back() == '\0') expect.pop_back();
        FUZZ_CHECK(written == expect + '\0');
        break;
    }
    case kDword:
    case kDwordBigEndian: {
        FUZZ_CHECK(status == EncodeStatus::Ok && written.size() == 4);
        std::string expect(data.substr(0, 4));
        expect.resize(4, '\0');
        FUZZ_CHECK(written == expect);
        break;
    }
    case kQword: {
        // Read as a double: exact up to 2^53, and what is written must read back the same.
        FUZZ_CHECK(read.IsDouble());
        if (status == EncodeStatus::Ok) FUZZ_CHECK(DecodeRead(type, written) == read);
        else FUZZ_CHECK(status == EncodeStatus::Overflow);
        break;
    }
    case kMultiSz: FUZZ_CHECK(status == EncodeStatus::Ok); break;
    case kBinary: FUZZ_CHECK(status == EncodeStatus::Ok && written == data); break;
    default: FUZZ_CHECK(read.IsBytes()); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint32_t type = data[0] % 13;
    const std::string_view rest = vt::fuzz::AsText(data + 1, size - 1);

    CheckRoundTrip(type, rest);
    CheckMultiSz(rest);

    if (auto n = ParseNumber(rest)) FUZZ_CHECK(std::isfinite(*n));
    if (rest.size() >= 8) {
        double d;
        std::memcpy(&d, rest.data(), sizeof d);
        if (auto i = ToInt32(d)) FUZZ_CHECK(std::fabs(static_cast<double>(*i) - d) <= 0.5);
        if (auto i = ToInt64(d)) FUZZ_CHECK(std::fabs(static_cast<double>(*i) - d) <= 0.5);
        std::string out;
        (void)EncodeForWrite(vt::Variant(d), static_cast<int32_t>(type), out);
    }

    const auto fields = vt::fuzz::Fields(rest, 3);
    std::string rootName;
    int32_t number = 0;
    const RootNameStatus st = ExportRootName(vt::Variant(std::string(fields[0])), rootName, number);
    if (st == RootNameStatus::Ok && !ParseNumber(fields[0])) FUZZ_CHECK(rootName == fields[0]);
    const std::string params = ExportParameters(fields[1], rootName, fields[2]);
    FUZZ_CHECK(params.rfind("/e \"", 0) == 0);
    FUZZ_CHECK(ImportParameters(fields[1]).size() == fields[1].size() + 5);

    const std::string parent = GetParentKey(rest);
    const std::string child = ChildKeyName(rest);
    if (!parent.empty()) FUZZ_CHECK(parent + "\\" + child == rest);
    else FUZZ_CHECK(child == rest);
    const std::string trimmed = TrimSpaces(rest);
    FUZZ_CHECK(trimmed.empty() || (trimmed.front() != ' ' && trimmed.back() != ' '));
    FUZZ_CHECK(rest.find(trimmed) != std::string_view::npos);
    (void)FormatMachineName(rest);
    return 0;
}
