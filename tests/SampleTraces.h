// Touch reports for tests and benchmarks, in mapped coordinates of the
// default parameter block (gains 1, slopes 0, centre 1920: raw = mapped - 128).
#pragma once

#include <cstdint>
#include <vector>

#include "device/DriverChannel.h"

namespace sample {

constexpr int kDefaultOffset = 128;      // default calibration: mapped = raw + 128
constexpr uint8_t kDistBase = 100;       // spread reference of every report here
constexpr uint8_t kTwoFingerDist = 140;  // beyond base + default margin 32

struct Report {
    ReportBytes bytes;
};

inline Report Raw(uint16_t x, uint16_t y, uint16_t z1, uint16_t z2, uint8_t d1, uint8_t d2, uint8_t b1,
                  uint8_t b2) {
    return Report{{static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(y),
                   static_cast<uint8_t>(y >> 8), static_cast<uint8_t>(z1), static_cast<uint8_t>(z1 >> 8),
                   static_cast<uint8_t>(z2), static_cast<uint8_t>(z2 >> 8), d1, d2, b1, b2}};
}

// One finger at mapped (x, y), x > 128: RTouch = raw x, a light touch.
inline Report Touch(int x, int y) {
    return Raw(static_cast<uint16_t>(x - kDefaultOffset), static_cast<uint16_t>(y - kDefaultOffset), 100, 200,
               kDistBase, kDistBase, kDistBase, kDistBase);
}
// Two fingers centred at mapped (x, y) with spread figures d1, d2.
inline Report Two(int x, int y, uint8_t d1 = kTwoFingerDist, uint8_t d2 = kDistBase) {
    return Raw(static_cast<uint16_t>(x - kDefaultOffset), static_cast<uint16_t>(y - kDefaultOffset), 100, 200,
               d1, d2, kDistBase, kDistBase);
}
// No touch.
inline Report Lift() { return Raw(0, 0, 0, 0, 0, 0, 0, 0); }

// A realistic mix of strokes, arcs, circles, taps, pans and pinches with
// samples between the steps, as a worker would read them.
inline std::vector<Report> MixedTrace() {
    std::vector<Report> t;
    auto glide = [&](int x0, int y0, int x1, int y1, int samples, bool two = false, int d0 = 0, int d1 = 0) {
        for (int i = 0; i <= samples; ++i) {
            const int x = x0 + (x1 - x0) * i / samples, y = y0 + (y1 - y0) * i / samples;
            const int d = d0 + (d1 - d0) * i / samples;
            t.push_back(two ? Two(x, y, static_cast<uint8_t>(kTwoFingerDist + d)) : Touch(x, y));
        }
    };
    auto lift = [&](int n) {
        for (int i = 0; i < n; ++i) t.push_back(Lift());
    };
    glide(1000, 2000, 3000, 2000, 20);  // straight right
    lift(3);
    glide(1000, 1000, 2000, 1000, 10);  // right then down: an arc
    glide(2000, 1000, 2000, 2000, 10);
    lift(3);
    for (int lap = 0; lap < 2; ++lap) {  // clockwise circle, twice round
        glide(1000, 1000, 2000, 1000, 8);
        glide(2000, 1000, 2000, 2000, 8);
        glide(2000, 2000, 1000, 2000, 8);
        glide(1000, 2000, 1000, 1000, 8);
    }
    lift(3);
    for (int i = 0; i < 6; ++i) t.push_back(Touch(2048, 2048));  // tap
    lift(3);
    t.push_back(Touch(2000, 1000));  // two fingers panning down
    glide(2000, 1000, 2000, 3500, 30, true);
    lift(3);
    t.push_back(Touch(2000, 2000));  // two fingers spreading, then closing
    glide(2000, 2000, 2000, 2000, 20, true, 0, 100);
    glide(2000, 2000, 2000, 2000, 20, true, 100, 0);
    lift(3);
    t.push_back(Touch(1000, 2000));  // two fingers panning right: reported at release
    glide(1000, 2000, 3000, 2000, 20, true);
    lift(3);
    return t;
}

}  // namespace sample
