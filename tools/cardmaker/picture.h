#pragma once

// Test pictures: a moving background, and a stamp with the camera letter, the
// frame number and the file name in a 5x7 bitmap font drawn into the YUV planes.

#include <QString>

#include <cstdint>

namespace kv::cardmaker::detail {

struct YuvPicture {
    std::uint8_t* y;
    int yStride;
    std::uint8_t* u;
    int uStride;
    std::uint8_t* v;
    int vStride;
    int width;  // even
    int height; // even
};

// grain > 0 adds noise of +-grain luma steps to the background (see RecordingSpec::grain).
void DrawPicture(const YuvPicture& picture, char camera, int frame, const QString& fileName,
                 int grain = 0);

// Where the stamp lies in a picture of the given size. Character cells are
// 6 x 8 font pixels (5 x 7 glyph and spacing); a font pixel is `scale` x `scale` picture pixels.
struct StampLayout {
    int boxX, boxY, boxWidth, boxHeight;
    int bigX, bigY, bigScale;    // "F 000123": camera letter, blank, six digits
    int nameX, nameY, nameScale; // the file name
    int nameLines;               // 1, or 2 lines of 15 characters
};

StampLayout LayoutFor(int width, int height);

} // namespace kv::cardmaker::detail
