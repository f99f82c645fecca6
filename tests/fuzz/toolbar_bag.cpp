// The toolbar's persisted properties read from a property bag holding anything under
// any key, then written and read again: the second reading changes nothing, and the
// per-button properties never touch a record that is not there.
#include "FuzzCheck.h"
#include "core/AppError.h"
#include "toolbar/pure/ToolBarModel.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

namespace {

class Picture : public vt::PictureObject {
public:
    Picture(int32_t w, int32_t h) : w_(w), h_(h) {}
    int32_t Width() const override { return w_; }
    int32_t Height() const override { return h_; }

private:
    int32_t w_, h_;
};

constexpr const char* kKeys[] = {
    "Appearance",     "BackColor",         "BorderStyle",
    "Enabled",        "ForeColor",         "Button_Count",
    "Button_Index",   "ButtonsWidth",      "AutoSize",
    "ButtonsHeight",  "ButtonsPerRow",     "HoverColor",
    "WarpSize",       "TooTipStyle",       "ToolTipBackCol",
    "ToolTipForeCol", "BackGradient",      "BackGradientCol",
    "ButtonsStyle",   "BorderColor",       "HoverIconShadow",
    "Font",           "BackGround",        "ButtonCaption",
    "ButtonPicture",  "ButtonToolTipText", "ButtonToolTipIcon",
    "ButtonEnabled",  "ButtonPressed",     "ButtonIconAllignment",
};

vt::BagValue AnyValue(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0: return std::monostate{};
    case 1: return in.ConsumeIntegral<int32_t>();
    case 2: return in.ConsumeBool();
    case 3: return in.ConsumeRandomLengthString(64);
    case 4: {
        vt::FontDesc f;
        f.name = in.ConsumeRandomLengthString(32);
        f.size = in.ConsumeFloatingPoint<double>();
        f.weight = in.ConsumeIntegral<int32_t>();
        f.italic = in.ConsumeBool();
        return f;
    }
    default: {
        const int32_t w = in.ConsumeIntegral<int32_t>();
        return vt::PictureHandle(std::make_shared<Picture>(w, in.ConsumeIntegral<int32_t>()));
    }
    }
}

std::string AnyKey(FuzzedDataProvider& in) {
    if (in.ConsumeIntegralInRange(0, 7) == 0) return in.ConsumeRandomLengthString(24);
    std::string key = in.PickValueInArray(kKeys);
    // Per-button keys carry the button's number; upper case must find them too.
    if (in.ConsumeBool()) key += std::to_string(in.ConsumeIntegralInRange(-1, 20));
    if (in.ConsumeIntegralInRange(0, 3) == 0)
        for (char& c : key) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return key;
}

bool SameBag(const vt::PropertyBag& a, const vt::PropertyBag& b) {
    if (a.Keys() != b.Keys()) return false;
    for (const std::string& k : a.Keys())
        if (*a.Find(k) != *b.Find(k)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    vt::PropertyBag bag;
    const int writes = in.ConsumeIntegralInRange(0, 64);
    for (int i = 0; i < writes && in.remaining_bytes() > 0; ++i) bag.Write(AnyKey(in), AnyValue(in));
    FUZZ_CHECK(bag.Size() <= static_cast<size_t>(writes));

    vt::ToolBarModel model;
    model.ReadProperties(bag, vt::FontDesc{}, in.ConsumeBool());
    FUZZ_CHECK(model.Button_Count() >= 1);

    vt::PropertyBag first, second;
    model.WriteProperties(first);
    vt::ToolBarModel again;
    again.ReadProperties(first, vt::FontDesc{}, false);
    again.WriteProperties(second);
    // Written in design mode the current button is 0 in both; everything else must match.
    first.Write("Button_Index", 0);
    FUZZ_CHECK(SameBag(first, second));

    // Button edits through the control's setters in any order: a bad index is error 9,
    // and the toolbar always keeps at least one button.
    while (in.remaining_bytes() > 0) {
        try {
            switch (in.ConsumeIntegralInRange(0, 6)) {
            case 0: model.Button_Index(in.ConsumeIntegral<int32_t>()); break;
            case 1: model.Button_Count(in.ConsumeIntegralInRange(-2, 40)); break;
            case 2: model.ButtonRemove(0); break;
            case 3: model.ButtonMoveTo(in.ConsumeIntegral<int32_t>()); break;
            case 4: model.ButtonCaption(in.ConsumeRandomLengthString(16)); break;
            case 5: model.ButtonPressed(in.ConsumeBool()); break;
            default: (void)model.ButtonCaption(); break;
            }
        } catch (const vt::AppError& e) { FUZZ_CHECK(e.Number() == 9); }
        FUZZ_CHECK(model.Button_Count() >= 1);
    }
    return 0;
}
