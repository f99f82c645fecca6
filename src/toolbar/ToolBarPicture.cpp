#include "toolbar/ToolBarPicture.h"

namespace vt {

std::shared_ptr<ToolBarPicture> ToolBarPicture::FromIcon(HICON icon) {
    if (!icon) return nullptr;
    auto pic = std::make_shared<ToolBarPicture>();
    pic->icon_.reset(icon);
    ICONINFO info{};
    if (::GetIconInfo(icon, &info)) {
        // GetIconInfo hands out copies of both bitmaps; they are ours to delete.
        UniqueHBitmap mask(info.hbmMask), colour(info.hbmColor);
        BITMAP bm{};
        if (colour && ::GetObjectA(colour.get(), sizeof(bm), &bm)) {
            pic->width_ = bm.bmWidth;
            pic->height_ = bm.bmHeight;
        } else if (mask && ::GetObjectA(mask.get(), sizeof(bm), &bm)) {
            pic->width_ = bm.bmWidth;
            pic->height_ = bm.bmHeight / 2;  // monochrome icons stack AND and XOR masks
        }
    }
    return pic;
}

std::shared_ptr<ToolBarPicture> ToolBarPicture::FromBitmap(HBITMAP bitmap) {
    if (!bitmap) return nullptr;
    auto pic = std::make_shared<ToolBarPicture>();
    pic->bitmap_.reset(bitmap);
    BITMAP bm{};
    if (::GetObjectA(bitmap, sizeof(bm), &bm)) {
        pic->width_ = bm.bmWidth;
        pic->height_ = bm.bmHeight;
    }
    return pic;
}

std::shared_ptr<ToolBarPicture> ToolBarPicture::FromIconResource(HMODULE module, int id, int designSize, int dpi) {
    const int size = ::MulDiv(designSize, dpi > 0 ? dpi : 96, 96);
    HICON icon = static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
    auto pic = FromIcon(icon);
    if (pic) {
        pic->module_ = module;
        pic->resourceId_ = id;
        pic->designSize_ = designSize;
    }
    return pic;
}

std::shared_ptr<ToolBarPicture> ToolBarPicture::ReloadedFor(int dpi) const {
    if (!resourceId_) return nullptr;
    return FromIconResource(module_, resourceId_, designSize_, dpi);
}

}  // namespace vt
