// Window and control sizes are given in twips (1440 per inch); the screen wants pixels at the monitor's DPI.
#pragma once

namespace vt {

inline constexpr int kTwipsPerInch = 1440;

// Rounds to the nearest pixel, symmetric for negative offsets.
constexpr int TwipsToPixels(long twips, int dpi) {
    long long num = static_cast<long long>(twips) * dpi;
    return static_cast<int>(num >= 0 ? (num + kTwipsPerInch / 2) / kTwipsPerInch
                                     : -((-num + kTwipsPerInch / 2) / kTwipsPerInch));
}

constexpr long PixelsToTwips(int pixels, int dpi) {
    return dpi > 0 ? static_cast<long>((static_cast<long long>(pixels) * kTwipsPerInch + dpi / 2) / dpi) : 0;
}

}  // namespace vt
