// The toolbar's picture object: owns one icon or one bitmap and knows its pixel size.
// Icons loaded from the program's resources remember where they came from, so the
// control can reload them at a new DPI.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/Handles.h"
#include "toolbar/pure/PropertyBag.h"

namespace vt {

class ToolBarPicture : public PictureObject {
public:
    // Takes ownership of the handle; null when the handle is null.
    static std::shared_ptr<ToolBarPicture> FromIcon(HICON icon);
    static std::shared_ptr<ToolBarPicture> FromBitmap(HBITMAP bitmap);
    // Icon resource `id` of `module` at designSize pixels for 96 DPI, scaled to dpi.
    static std::shared_ptr<ToolBarPicture> FromIconResource(HMODULE module, int id, int designSize, int dpi);

    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }
    HICON Icon() const { return icon_.get(); }        // null for a bitmap
    HBITMAP Bitmap() const { return bitmap_.get(); }  // null for an icon

    // The same resource icon loaded for another DPI; null when the picture is not a resource icon.
    std::shared_ptr<ToolBarPicture> ReloadedFor(int dpi) const;

private:
    UniqueHIcon icon_;
    UniqueHBitmap bitmap_;
    int32_t width_ = 0, height_ = 0;
    HMODULE module_ = nullptr;
    int resourceId_ = 0;
    int designSize_ = 0;
};

}  // namespace vt
