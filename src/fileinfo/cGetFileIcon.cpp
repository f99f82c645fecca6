#include "fileinfo/cGetFileIcon.h"

#include <olectl.h>
#include <shellapi.h>

#include "fileinfo/pure/VersionDecode.h"
#include "platform/Handles.h"

namespace vt {

namespace {

// The shell's answer for one file, or false. On failure the record is not to be read:
// a missing file can leave a junk icon handle in it.
bool ShellInfo(const std::string& file, UINT flags, SHFILEINFOA& info, DWORD_PTR* result = nullptr) {
    info = SHFILEINFOA{};
    DWORD_PTR r = ::SHGetFileInfoA(file.c_str(), 0, &info, sizeof(info), flags);
    if (result) *result = r;
    return r != 0;
}

std::string FixedText(const char* text, size_t capacity) {
    size_t n = 0;
    while (n < capacity && text[n] != '\0') ++n;
    return std::string(text, n);
}

// Adopts the icon on success; on failure the icon is left alone.
PicturePtr WrapIcon(HICON icon) {
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_ICON;
    desc.icon.hicon = icon;
    PicturePtr picture;
    if (FAILED(::OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, picture.put_void()))) return {};
    return picture;
}

}  // namespace

HICON PictureIcon(IPicture* picture) {
    if (!picture) return nullptr;
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_ICON || FAILED(picture->get_Handle(&handle)))
        return nullptr;
    return reinterpret_cast<HICON>(static_cast<UINT_PTR>(handle));
}

std::string cGetFileIcon::DisplayName(const std::optional<std::string>& file) const {
    SHFILEINFOA info;
    if (!ShellInfo(Pick(file), SHGFI_DISPLAYNAME, info)) return {};
    return FixedText(info.szDisplayName, sizeof(info.szDisplayName));
}

std::string cGetFileIcon::TypeName(const std::optional<std::string>& file) const {
    SHFILEINFOA info;
    if (!ShellInfo(Pick(file), SHGFI_TYPENAME, info)) return {};
    return FixedText(info.szTypeName, sizeof(info.szTypeName));
}

int32_t cGetFileIcon::ExeType(const std::optional<std::string>& file) const {
    SHFILEINFOA info;
    DWORD_PTR packed = 0;
    ShellInfo(Pick(file), SHGFI_EXETYPE, info, &packed);
    return ExeKind(static_cast<uint32_t>(packed));
}

PicturePtr cGetFileIcon::Icon(const std::optional<std::string>& file, const std::optional<int32_t>& iconType) const {
    UINT flags = SHGFI_ICON;
    if (iconType.value_or(iconType_) != 0) flags |= SHGFI_SMALLICON;
    if (linkOverlay_) flags |= SHGFI_LINKOVERLAY;
    if (selected_) flags |= SHGFI_SELECTED;
    if (openState_) flags |= SHGFI_OPENICON;
    SHFILEINFOA info;
    if (!ShellInfo(Pick(file), flags, info) || !info.hIcon) return {};
    UniqueHIcon icon(info.hIcon);  // ours from here, so no path leaks it
    PicturePtr picture = WrapIcon(icon.get());
    if (picture) icon.release();
    return picture;
}

PicturePtr cGetFileIcon::IconEx(HICON& hIcon) const {
    if (hIcon) return WrapIcon(hIcon);
    hIcon = handle_;
    if (!hIcon) return {};
    // Handle may be wrapped again and again: each picture gets an icon of its own, so
    // releasing one never destroys what another (or the caller) still shows.
    UniqueHIcon copy(::CopyIcon(hIcon));
    if (!copy) return {};
    PicturePtr picture = WrapIcon(copy.get());
    if (picture) copy.release();
    return picture;
}

}  // namespace vt
