// The version resource of one executable file: its fourteen standard text values, the
// language and code page of its first translation, and its fixed information as numbers
// and English texts. Setting FileName or ModuleName loads; failures leave values empty.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/AppError.h"

namespace vt {

class VersionInfo {
public:
    // Error numbers of the load, raised and absorbed inside it (source "VersionInfo").
    static constexpr int32_t kErrModuleHandle = static_cast<int32_t>(0x812E7845);
    static constexpr int32_t kErrModuleFileName = static_cast<int32_t>(0x812E7846);
    static constexpr int32_t kErrNoFileName = static_cast<int32_t>(0x812E7847);
    static constexpr int32_t kErrInfoSize = static_cast<int32_t>(0x812E7848);
    static constexpr int32_t kErrInfo = static_cast<int32_t>(0x812E7849);
    static constexpr int32_t kErrTranslation = static_cast<int32_t>(0x812E784A);
    static constexpr int32_t kErrFixedInfo = static_cast<int32_t>(0x812E784B);

    const std::string& FileName() const noexcept { return fileName_; }
    void FileName(std::string value);
    // While a module name is set, every load reads that module's file.
    const std::string& ModuleName() const noexcept { return moduleName_; }
    void ModuleName(std::string value);

    int32_t Language() const;
    int32_t CodePage() const;

    std::string CompanyName() const { return QueryStringValue("CompanyName"); }
    std::string FileDescription() const { return QueryStringValue("FileDescription"); }
    std::string FileVersion() const { return QueryStringValue("FileVersion"); }
    std::string InternalName() const { return QueryStringValue("InternalName"); }
    std::string LegalCopyright() const { return QueryStringValue("LegalCopyright"); }
    std::string OriginalFileName() const { return QueryStringValue("OriginalFileName"); }
    std::string ProductName() const { return QueryStringValue("ProductName"); }
    std::string ProductVersion() const { return QueryStringValue("ProductVersion"); }
    std::string LegalTrademarks() const { return QueryStringValue("LegalTrademarks"); }
    std::string LegalTrademarks1() const { return QueryStringValue("LegalTrademarks1"); }
    std::string LegalTrademarks2() const { return QueryStringValue("LegalTrademarks2"); }
    std::string Comments() const { return QueryStringValue("Comments"); }
    std::string PrivateBuild() const { return QueryStringValue("PrivateBuild"); }
    std::string SpecialBuild() const { return QueryStringValue("SpecialBuild"); }

    int32_t FileFlagsRaw() const;  // flags AND mask
    std::string FileFlags() const;
    int32_t FileOSRaw() const;
    std::string FileOS() const;
    int32_t FileTypeRaw() const;
    std::string FileType() const;
    int32_t FileSubTypeRaw() const;
    std::string FileSubType() const;

    // Diagnostics: the key under which string values are looked up ("" when no
    // translation was read) and the error the last load absorbed, if any.
    const std::string& TranslationKey() const noexcept { return translationKey_; }
    const std::optional<AppError>& LastError() const noexcept { return lastError_; }

private:
    void LoadVersionData();
    void ReadVersionData();
    std::string QueryStringValue(std::string_view name) const;
    // The value at a sub-block path, clipped to the block; false when the path is absent.
    bool Query(const std::string& subBlock, const uint8_t*& value, size_t& length) const;
    uint32_t Fixed(size_t index) const { return fixed_[index]; }

    std::string moduleName_;
    std::string fileName_;
    std::vector<uint8_t> data_;  // the version data block, then zeroed slack (see the load)
    size_t blockSize_ = 0;
    std::string translationKey_;
    std::array<uint32_t, 13> fixed_{};
    std::optional<AppError> lastError_;
};

}  // namespace vt
