#include "toolbar/pure/PropertyBag.h"

#include "core/Wildcard.h"

namespace vt {

void PropertyBag::Write(std::string_view key, BagValue value) {
    std::string k = LowerAscii(key);
    if (auto it = index_.find(k); it != index_.end()) {
        items_[it->second].second = std::move(value);
        return;
    }
    index_.emplace(k, items_.size());
    items_.emplace_back(std::move(k), std::move(value));
}

const BagValue* PropertyBag::Find(std::string_view key) const {
    auto it = index_.find(LowerAscii(key));
    return it == index_.end() ? nullptr : &items_[it->second].second;
}

int32_t PropertyBag::ReadInt(std::string_view key, int32_t def) const {
    const BagValue* v = Find(key);
    if (!v) return def;
    if (auto p = std::get_if<int32_t>(v)) return *p;
    if (auto p = std::get_if<bool>(v)) return *p ? 1 : 0;
    return def;
}

bool PropertyBag::ReadBool(std::string_view key, bool def) const {
    const BagValue* v = Find(key);
    if (!v) return def;
    if (auto p = std::get_if<bool>(v)) return *p;
    if (auto p = std::get_if<int32_t>(v)) return *p != 0;
    return def;
}

std::string PropertyBag::ReadString(std::string_view key, std::string_view def) const {
    const BagValue* v = Find(key);
    if (v)
        if (auto p = std::get_if<std::string>(v)) return *p;
    return std::string(def);
}

FontDesc PropertyBag::ReadFont(std::string_view key, const FontDesc& def) const {
    const BagValue* v = Find(key);
    if (v)
        if (auto p = std::get_if<FontDesc>(v)) return *p;
    return def;
}

PictureHandle PropertyBag::ReadPicture(std::string_view key) const {
    const BagValue* v = Find(key);
    if (v)
        if (auto p = std::get_if<PictureHandle>(v)) return *p;
    return nullptr;
}

std::vector<std::string> PropertyBag::Keys() const {
    std::vector<std::string> keys;
    keys.reserve(items_.size());
    for (const auto& item : items_) keys.push_back(item.first);
    return keys;
}

}  // namespace vt
