// What the shell knows about one file: its icon as a picture object, its display name,
// its type name and what kind of program it is. Arguments left out fall back to the
// properties of the same name.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/ComPtr.h"

namespace vt {

// A picture that owns its icon: the icon is destroyed when the last reference goes.
using PicturePtr = ComPtr<IPicture>;

// The icon a picture shows (for STM_SETICON and the like); it stays the picture's, so
// keep the picture alive while the handle is in use. nullptr for none or a non-icon.
HICON PictureIcon(IPicture* picture);

class cGetFileIcon {
public:
    // "Returns the display name of the specified file."
    std::string DisplayName(const std::optional<std::string>& file = std::nullopt) const;
    // 0 not a program (or unreadable), 1 Windows program, 2 MS-DOS program or batch file,
    // 3 console program.
    int32_t ExeType(const std::optional<std::string>& file = std::nullopt) const;
    // "Returns/sets the complete file path to be used."
    const std::string& File() const noexcept { return file_; }
    void File(std::string value) { file_ = std::move(value); }
    // "Returns/sets the icon handle to be used by the IconEx property."
    // The handle stays the caller's: IconEx wraps a copy of it.
    HICON Handle() const noexcept { return handle_; }
    void Handle(HICON value) noexcept { handle_ = value; }
    // "Returns/sets the type of icon to retrieve." 0 large, anything else small.
    int32_t IconType() const noexcept { return iconType_; }
    void IconType(int32_t value) noexcept { iconType_ = value; }
    // "Returns the icon of the specified file." Empty when the shell has none.
    PicturePtr Icon(const std::optional<std::string>& file = std::nullopt,
                    const std::optional<int32_t>& iconType = std::nullopt) const;
    // "Get the file's icon using the specified icon handle."
    // A non-zero hIcon is adopted by the picture (when no picture can be made it stays
    // the caller's). A zero hIcon is replaced by Handle, written back to the caller, and
    // the picture then owns a copy of that icon.
    PicturePtr IconEx(HICON& hIcon) const;
    // "Returns/sets a value to determine if a linkoverlay icon is displayed on the icon."
    bool LinkOverlay() const noexcept { return linkOverlay_; }
    void LinkOverlay(bool value) noexcept { linkOverlay_ = value; }
    // "Returns/sets a value to determine if the icon will be in open state. (Ex. Folder Icons)"
    bool OpenState() const noexcept { return openState_; }
    void OpenState(bool value) noexcept { openState_ = value; }
    // "Returns/sets a value to determine if the icon is in selected state."
    bool Selected() const noexcept { return selected_; }
    void Selected(bool value) noexcept { selected_ = value; }
    // "Returns the type name of the specified file."
    std::string TypeName(const std::optional<std::string>& file = std::nullopt) const;

private:
    const std::string& Pick(const std::optional<std::string>& file) const { return file ? *file : file_; }

    std::string file_;
    HICON handle_ = nullptr;
    int32_t iconType_ = 0;
    bool openState_ = false;
    bool linkOverlay_ = false;
    bool selected_ = false;
};

}  // namespace vt
