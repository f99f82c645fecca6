// The toolbar's persisted state: a small key/value store with case-insensitive keys kept
// in the order they were written, and the font and picture values it can hold.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

namespace vt {

// A caption font as the property bag describes it; the window code makes the GDI font.
struct FontDesc {
    std::string name = "MS Sans Serif";
    double size = 8.25;  // points
    int32_t weight = 400;
    bool italic = false, underline = false, strikethrough = false;
    int32_t charset = 0;
    bool operator==(const FontDesc&) const = default;
};

// A picture (icon or bitmap) owned by the window code; the model only needs its size.
class PictureObject {
public:
    virtual ~PictureObject() = default;
    virtual int32_t Width() const = 0;  // pixels
    virtual int32_t Height() const = 0;
};
using PictureHandle = std::shared_ptr<PictureObject>;

using BagValue = std::variant<std::monostate, int32_t, bool, std::string, FontDesc, PictureHandle>;

class PropertyBag {
public:
    // Stores the value under the key (held in lower case); a key written again keeps its place.
    void Write(std::string_view key, BagValue value);
    // Null when the key is missing.
    const BagValue* Find(std::string_view key) const;

    // Missing keys and values of another type give the default.
    int32_t ReadInt(std::string_view key, int32_t def) const;
    bool ReadBool(std::string_view key, bool def) const;
    std::string ReadString(std::string_view key, std::string_view def) const;
    FontDesc ReadFont(std::string_view key, const FontDesc& def) const;
    PictureHandle ReadPicture(std::string_view key) const;

    // Keys in the order they were first written.
    std::vector<std::string> Keys() const;
    size_t Size() const { return items_.size(); }

private:
    std::vector<std::pair<std::string, BagValue>> items_;
    // Lower-case key -> position in items_: a bag holds seven keys per button, and a
    // linear search per read made a large toolbar's load quadratic.
    std::unordered_map<std::string, size_t> index_;
};

}  // namespace vt
