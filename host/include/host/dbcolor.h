// Entity colours: a colour number of the 256-colour palette (0 by block, 256
// by layer), or a true colour.
#pragma once

#include <cstdint>

#include "host/acadstrc.h"

class AcCmColor {
public:
    AcCmColor() = default;

    int16_t colorIndex() const { return index_; }
    // 0 to 256; anything else is eInvalidInput.
    Acad::ErrorStatus setColorIndex(int16_t index) {
        if (index < 0 || index > 256) return Acad::eInvalidInput;
        index_ = index;
        rgb_ = -1;
        return Acad::eOk;
    }
    bool isByLayer() const { return index_ == 256 && rgb_ < 0; }
    bool isByBlock() const { return index_ == 0 && rgb_ < 0; }
    Acad::ErrorStatus setByLayer() { return setColorIndex(256); }
    Acad::ErrorStatus setByBlock() { return setColorIndex(0); }

    // A true colour, kept beside the nearest colour number.
    bool hasTrueColor() const { return rgb_ >= 0; }
    uint32_t rgb() const { return rgb_ < 0 ? 0u : static_cast<uint32_t>(rgb_); }
    void setRGB(uint8_t r, uint8_t g, uint8_t b) {
        rgb_ = (int32_t{r} << 16) | (int32_t{g} << 8) | int32_t{b};
    }
    void setTrueColorValue(int32_t rgb) { rgb_ = rgb < 0 ? -1 : (rgb & 0xFFFFFF); }

    bool operator==(const AcCmColor& o) const { return index_ == o.index_ && rgb_ == o.rgb_; }
    bool operator!=(const AcCmColor& o) const { return !(*this == o); }

private:
    int16_t index_ = 256;
    int32_t rgb_ = -1;
};
