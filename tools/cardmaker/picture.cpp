#include "picture.h"

#include "cardmaker.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace kv::cardmaker {

namespace detail {

namespace {

struct Glyph {
    char c;
    std::array<std::uint8_t, 7> rows; // 5 bits each, bit 4 = leftmost column
};

constexpr Glyph kFont[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'_', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
};

constexpr std::array<std::uint8_t, 7> kBlank{};

const std::array<std::uint8_t, 7>& GlyphOf(char c) {
    for (const Glyph& g : kFont) {
        if (g.c == c) {
            return g.rows;
        }
    }
    return kBlank;
}

constexpr int kCellWidth = 6; // font pixels per character, spacing included
constexpr int kCellHeight = 8;
constexpr int kBigCharacters = 8; // "F 000123"
constexpr std::uint8_t kInk = 235;
constexpr std::uint8_t kPaper = 16;
constexpr std::uint8_t kThreshold = 126;

void DrawText(const YuvPicture& p, int x, int y, int scale, const char* text, int length) {
    for (int k = 0; k < length; ++k) {
        const auto& rows = GlyphOf(text[k]);
        for (int row = 0; row < 7; ++row) {
            for (int col = 0; col < 5; ++col) {
                if (!(rows[static_cast<std::size_t>(row)] & (0x10 >> col))) {
                    continue;
                }
                const int px = x + (k * kCellWidth + col) * scale;
                const int py = y + row * scale;
                for (int dy = 0; dy < scale; ++dy) {
                    if (py + dy >= p.height || px + scale > p.width) {
                        continue;
                    }
                    std::memset(p.y + (py + dy) * p.yStride + px, kInk,
                                static_cast<std::size_t>(scale));
                }
            }
        }
    }
}

void FillLuma(const YuvPicture& p, int x, int y, int w, int h, std::uint8_t value) {
    x = std::clamp(x, 0, p.width);
    y = std::clamp(y, 0, p.height);
    w = std::clamp(w, 0, p.width - x);
    h = std::clamp(h, 0, p.height - y);
    for (int row = y; row < y + h; ++row) {
        std::memset(p.y + row * p.yStride + x, value, static_cast<std::size_t>(w));
    }
}

void FillChroma(const YuvPicture& p, int x, int y, int w, int h, std::uint8_t u, std::uint8_t v) {
    const int cx = std::clamp(x / 2, 0, p.width / 2);
    const int cy = std::clamp(y / 2, 0, p.height / 2);
    const int cw = std::clamp((x + w + 1) / 2 - cx, 0, p.width / 2 - cx);
    const int ch = std::clamp((y + h + 1) / 2 - cy, 0, p.height / 2 - cy);
    for (int row = cy; row < cy + ch; ++row) {
        std::memset(p.u + row * p.uStride + cx, u, static_cast<std::size_t>(cw));
        std::memset(p.v + row * p.vStride + cx, v, static_cast<std::size_t>(cw));
    }
}

// Mean luma of one font pixel, leaving out its border when the pixel is large.
int SampleCell(const std::uint8_t* luma, int stride, int x, int y, int scale) {
    const int inset = scale >= 3 ? std::max(1, scale / 4) : 0;
    int sum = 0;
    int n = 0;
    for (int dy = inset; dy < scale - inset; ++dy) {
        for (int dx = inset; dx < scale - inset; ++dx) {
            sum += luma[(y + dy) * stride + x + dx];
            ++n;
        }
    }
    return n ? sum / n : 0;
}

// Best glyph among `candidates` for the character cell at (x, y); 0 when unsure.
char ReadCharacter(const std::uint8_t* luma, int stride, int x, int y, int scale,
                   const char* candidates) {
    std::array<std::uint8_t, 7> seen{};
    for (int row = 0; row < 7; ++row) {
        for (int col = 0; col < 5; ++col) {
            if (SampleCell(luma, stride, x + col * scale, y + row * scale, scale) > kThreshold) {
                seen[static_cast<std::size_t>(row)] |= static_cast<std::uint8_t>(0x10 >> col);
            }
        }
    }
    int best = 99;
    int second = 99;
    char bestChar = 0;
    for (const char* c = candidates; *c; ++c) {
        const auto& rows = GlyphOf(*c);
        int distance = 0;
        for (int row = 0; row < 7; ++row) {
            distance += std::popcount(static_cast<unsigned>(rows[static_cast<std::size_t>(row)] ^
                                                            seen[static_cast<std::size_t>(row)]));
        }
        if (distance < best) {
            second = best;
            best = distance;
            bestChar = *c;
        } else if (distance < second) {
            second = distance;
        }
    }
    // The digits, 'F' and 'R' differ from each other in at least six font pixels: up to two
    // misread pixels still leave the right glyph the clear winner.
    return best <= 2 && second - best >= 2 ? bestChar : 0;
}

} // namespace

StampLayout LayoutFor(int width, int height) {
    StampLayout l{};
    const int margin = std::max(2, width / 100);
    const int pad = std::max(1, width / 200);
    const int usable = width - 2 * margin - 2 * pad;
    l.nameScale = usable / (30 * kCellWidth);
    l.nameLines = 1;
    if (l.nameScale < 1) {
        l.nameLines = 2;
        l.nameScale = std::max(1, usable / (15 * kCellWidth));
    }
    l.bigScale = std::max(1, std::min(2 * l.nameScale, usable / (kBigCharacters * kCellWidth)));
    const int gap = std::max(1, l.nameScale);
    auto textHeight = [&] {
        return kCellHeight * l.bigScale + gap + l.nameLines * kCellHeight * l.nameScale;
    };
    while (textHeight() + 2 * pad + 2 * margin > height && l.bigScale > l.nameScale) {
        --l.bigScale;
    }
    l.boxX = margin;
    l.boxY = margin;
    l.bigX = margin + pad;
    l.bigY = margin + pad;
    l.nameX = margin + pad;
    l.nameY = l.bigY + kCellHeight * l.bigScale + gap;
    const int nameChars = l.nameLines == 1 ? 30 : 15;
    l.boxWidth = 2 * pad + std::max(kBigCharacters * kCellWidth * l.bigScale,
                                    nameChars * kCellWidth * l.nameScale);
    l.boxHeight = 2 * pad + textHeight();
    return l;
}

namespace {

// Deterministic noise: xorshift32 seeded by the frame number.
void AddGrain(const YuvPicture& p, int frame, int grain) {
    std::uint32_t state = 0x9E3779B9u ^ (static_cast<std::uint32_t>(frame) * 2654435761u);
    const int span = 2 * std::min(grain, 100) + 1;
    for (int row = 0; row < p.height; ++row) {
        std::uint8_t* line = p.y + row * p.yStride;
        for (int col = 0; col < p.width; ++col) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const int v = line[col] + static_cast<int>(state % static_cast<std::uint32_t>(span)) -
                          std::min(grain, 100);
            line[col] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
        }
    }
}

} // namespace

void DrawPicture(const YuvPicture& p, char camera, int frame, const QString& fileName, int grain) {
    // Background: diagonal luma ramps scrolling a little every frame, in the camera's tint.
    const int period = 256;
    std::vector<std::uint8_t> ramp(static_cast<std::size_t>(p.width + period));
    for (std::size_t k = 0; k < ramp.size(); ++k) {
        const int v = static_cast<int>(k % period);
        ramp[k] = static_cast<std::uint8_t>(40 + (v < 128 ? v : 255 - v));
    }
    for (int row = 0; row < p.height; ++row) {
        const int shift = (row / 2 + frame * 3) % period;
        std::memcpy(p.y + row * p.yStride, ramp.data() + shift, static_cast<std::size_t>(p.width));
    }
    const std::uint8_t tintU = camera == 'F' ? 150 : 110;
    const std::uint8_t tintV = camera == 'F' ? 112 : 146;
    FillChroma(p, 0, 0, p.width, p.height, tintU, tintV);

    // A block sliding along the bottom.
    const int block = std::max(4, p.height / 6) & ~1;
    const int travel = std::max(1, p.width - block);
    const int bx = (frame * std::max(2, p.width / 100)) % travel;
    FillLuma(p, bx, p.height - block - 2, block, block, 200);
    if (grain > 0) {
        AddGrain(p, frame, grain);
    }

    // The stamp.
    const StampLayout l = LayoutFor(p.width, p.height);
    FillLuma(p, l.boxX, l.boxY, l.boxWidth, l.boxHeight, kPaper);
    FillChroma(p, l.boxX, l.boxY, l.boxWidth, l.boxHeight, 128, 128);
    char big[16];
    std::snprintf(big, sizeof big, "%c %06d", camera, frame % 1000000);
    DrawText(p, l.bigX, l.bigY, l.bigScale, big, kBigCharacters);
    const QByteArray name = fileName.toLatin1().leftJustified(30, ' ', true);
    if (l.nameLines == 1) {
        DrawText(p, l.nameX, l.nameY, l.nameScale, name.constData(), 30);
    } else {
        DrawText(p, l.nameX, l.nameY, l.nameScale, name.constData(), 15);
        DrawText(p, l.nameX, l.nameY + kCellHeight * l.nameScale, l.nameScale,
                 name.constData() + 15, 15);
    }
}

} // namespace detail

std::optional<FrameStamp> ReadFrameStamp(const std::uint8_t* luma, int stride, int width,
                                         int height) {
    if (!luma || width < 16 || height < 16 || stride < width) {
        return std::nullopt;
    }
    const detail::StampLayout l = detail::LayoutFor(width, height);
    const int cell = 6 * l.bigScale;
    if (l.bigX + 8 * cell > width || l.bigY + 7 * l.bigScale > height) {
        return std::nullopt;
    }
    FrameStamp stamp;
    stamp.camera = detail::ReadCharacter(luma, stride, l.bigX, l.bigY, l.bigScale, "FR");
    if (!stamp.camera) {
        return std::nullopt;
    }
    int number = 0;
    for (int k = 2; k < 8; ++k) {
        const char d = detail::ReadCharacter(luma, stride, l.bigX + k * cell, l.bigY, l.bigScale,
                                             "0123456789");
        if (!d) {
            return std::nullopt;
        }
        number = number * 10 + (d - '0');
    }
    stamp.frame = number;
    return stamp;
}

} // namespace kv::cardmaker
