#pragma once

#include <QPixmap>

#include <array>

// The pictures of the information panel, drawn here at the panel's scale:
// the skin has no artwork for them. Pictures meant to be drawn with black as
// the transparent colour are made with a transparent background instead.
namespace kv::views {

struct InfoSkin {
    QPixmap background;                 // panel background, stretched over the panel
    QPixmap speedPlaceholder;           // under the digits of a missing speed
    QPixmap voltagePlaceholder;         // under the digits of a missing voltage
    std::array<QPixmap, 12> kindIcons;  // recording size and quality, codes 1..12
    std::array<QPixmap, 3> statusMarks; // 'R', 'r', other
    QPixmap gpsIcon;
    QPixmap stripBackground; // full-screen strip, cut in thirds each way
    QPixmap cornerIndicator; // 30 × 20
};

// The pictures at scale S (each design size × S, truncated).
InfoSkin MakeInfoSkin(double scale);

} // namespace kv::views
