#include "fileinfo/VersionInfo.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "fileinfo/pure/VersionDecode.h"
#include "platform/WinText.h"

namespace vt {

namespace {

constexpr const char* kSource = "VersionInfo";

// The platform's reader trusts the lengths stored in the resource: it walks nodes by
// them and writes its narrow copy of a text at an offset taken from the root's length.
// Each length is a 16-bit count and a lookup nests a few levels deep, so zeroed slack of
// this size past the block keeps a reader misled by a malformed resource inside our own
// memory. Values are still only handed out from within the block.
constexpr size_t kReaderSlack = size_t{6} * 0x10000;

// VS_FIXEDFILEINFO, as 32-bit words.
enum FixedWord : size_t { kFlagsMask = 6, kFlags = 7, kOS = 8, kType = 9, kSubtype = 10 };

[[noreturn]] void Raise(int32_t number, const char* description) { throw AppError(number, kSource, description); }

}  // namespace

void VersionInfo::FileName(std::string value) {
    fileName_ = std::move(value);
    LoadVersionData();
}

void VersionInfo::ModuleName(std::string value) {
    moduleName_ = std::move(value);
    LoadVersionData();
}

void VersionInfo::LoadVersionData() {
    data_.clear();
    blockSize_ = 0;
    translationKey_.clear();
    fixed_.fill(0);
    lastError_.reset();
    try {
        ReadVersionData();
    } catch (const AppError& e) {
        lastError_ = e;  // callers see empty values; the error stays for diagnostics
    } catch (const std::bad_alloc&) {
        data_.clear();
        blockSize_ = 0;
        lastError_ = AppError(kErrInfo, kSource, "Unable to retrieve version information.");
    }
}

void VersionInfo::ReadVersionData() {
    if (!moduleName_.empty()) {
        HMODULE module = ::GetModuleHandleA(moduleName_.c_str());
        if (!module) Raise(kErrModuleHandle, "Unable to retrieve module handle.");
        // Grows past 260 characters rather than storing a cut-off path.
        std::string path = ModulePath(module);
        if (path.empty()) Raise(kErrModuleFileName, "Unable to retrieve module file name.");
        fileName_ = std::move(path);
    }
    if (fileName_.empty())
        Raise(kErrNoFileName,
              "Either you haven't specified a valid file name, or the module you specified can't be associated with a "
              "file.");

    DWORD unused = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(fileName_.c_str(), &unused);
    if (size == 0)
        Raise(kErrInfoSize,
              "Unable to retrieve the version info size. Perhaps the module name or file name is invalid.");

    data_.assign(size + kReaderSlack, 0);
    if (!::GetFileVersionInfoA(fileName_.c_str(), 0, size, data_.data())) {
        data_.clear();
        Raise(kErrInfo, "Unable to retrieve version information.");
    }
    blockSize_ = size;

    const uint8_t* value = nullptr;
    size_t length = 0;
    std::optional<AppError> translationError;
    // A translation shorter than one entry counts as none.
    if (Query("\\VarFileInfo\\Translation", value, length) && length >= 4) {
        translationKey_ = vt::TranslationKey(value, length);
        if (translationKey_ == "00000000") translationKey_ = "040904E4";
    } else {
        // Not the end: a file without a translation table still has its fixed information.
        translationError = AppError(kErrTranslation, kSource, "Unable to retrieve language and code page information.");
    }

    if (!Query("\\", value, length) || length < sizeof(fixed_))
        Raise(kErrFixedInfo, "Unable to retrieve fixed file version information.");
    std::memcpy(fixed_.data(), value, sizeof(fixed_));
    if (translationError) throw *translationError;
}

bool VersionInfo::Query(const std::string& subBlock, const uint8_t*& value, size_t& length) const {
    value = nullptr;
    length = 0;
    if (blockSize_ == 0) return false;
    void* ptr = nullptr;
    UINT len = 0;
    if (!::VerQueryValueA(data_.data(), subBlock.c_str(), &ptr, &len) || !ptr) return false;
    // Never hand out bytes outside the block, whatever lengths the resource claims.
    const uint8_t* p = static_cast<const uint8_t*>(ptr);
    const uint8_t* begin = data_.data();
    const uint8_t* end = begin + blockSize_;
    if (p < begin || p >= end) return false;
    value = p;
    length = std::min<size_t>(len, static_cast<size_t>(end - p));
    return true;
}

std::string VersionInfo::QueryStringValue(std::string_view name) const {
    if (translationKey_.empty()) return {};
    const uint8_t* value = nullptr;
    size_t length = 0;
    if (!Query("\\StringFileInfo\\" + translationKey_ + "\\" + std::string(name), value, length) || length == 0)
        return {};
    // The reported length may or may not count the terminating NUL; cutting at the first
    // NUL gives the same text either way, and stops at an embedded one.
    return StripAtNull(std::string_view(reinterpret_cast<const char*>(value), length));
}

int32_t VersionInfo::Language() const { return KeyLanguage(translationKey_); }
int32_t VersionInfo::CodePage() const { return KeyCodePage(translationKey_); }

int32_t VersionInfo::FileFlagsRaw() const { return static_cast<int32_t>(Fixed(kFlags) & Fixed(kFlagsMask)); }
std::string VersionInfo::FileFlags() const { return FileFlagsText(Fixed(kFlags) & Fixed(kFlagsMask)); }
int32_t VersionInfo::FileOSRaw() const { return static_cast<int32_t>(Fixed(kOS)); }
std::string VersionInfo::FileOS() const { return FileOSText(Fixed(kOS)); }
int32_t VersionInfo::FileTypeRaw() const { return static_cast<int32_t>(Fixed(kType)); }
std::string VersionInfo::FileType() const { return FileTypeText(Fixed(kType)); }
int32_t VersionInfo::FileSubTypeRaw() const { return static_cast<int32_t>(Fixed(kSubtype)); }
std::string VersionInfo::FileSubType() const { return FileSubTypeText(Fixed(kType), Fixed(kSubtype)); }

}  // namespace vt
