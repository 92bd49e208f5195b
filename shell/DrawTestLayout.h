// Where the drawing test puts its grid and buttons, from the screen size
// alone (pixels, unsigned integer divisions).
#pragma once

#include <cstdint>

// The grid has a line every tenth of the screen width and height.
inline constexpr uint32_t kGridDivisions = 10;
// The buttons are a twentieth of the screen in each direction, a hundredth
// in from the top left; Clear sits a tenth of the width right of Exit.
inline constexpr uint32_t kButtonSizeDivisor = 20;
inline constexpr uint32_t kButtonMarginDivisor = 100;

// Distance between grid lines along a screen extent: a tenth of it, but at
// least one pixel, so that a screen under ten pixels still ends the loop.
constexpr uint32_t GridStep(uint32_t extent) {
    const uint32_t step = extent / kGridDivisions;
    return step > 0 ? step : 1;
}

struct ButtonRect {
    uint32_t x, y, width, height;
};

constexpr ButtonRect ExitButtonRect(uint32_t screenWidth, uint32_t screenHeight) {
    return {screenWidth / kButtonMarginDivisor, screenHeight / kButtonMarginDivisor,
            screenWidth / kButtonSizeDivisor, screenHeight / kButtonSizeDivisor};
}

constexpr ButtonRect ClearButtonRect(uint32_t screenWidth, uint32_t screenHeight) {
    return {screenWidth / kGridDivisions + screenWidth / kButtonMarginDivisor,
            screenHeight / kButtonMarginDivisor, screenWidth / kButtonSizeDivisor,
            screenHeight / kButtonSizeDivisor};
}
