#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

#include <vector>

namespace kv {

// Numbers of the skin bitmaps the windows use (resources ":/skin/<number>.svg"
// or ".png"). Each button skin is a strip of four equal frames side by side:
// normal, hover, pressed or on, disabled.
namespace skin {
inline constexpr int kCsv = 137;             // tool bar 14
inline constexpr int kDelete = 138;          // tool bar 12
inline constexpr int kFaster = 139;          // tool bar 4
inline constexpr int kSlower = 142;          // tool bar 3
inline constexpr int kPrevious = 144;        // tool bar 1
inline constexpr int kNext = 145;            // tool bar 5
inline constexpr int kBrowse = 146;          // tool bar 11
inline constexpr int kPause = 147;           // tool bar 2, pause look
inline constexpr int kPlay = 148;            // tool bar 2, play look
inline constexpr int kJoin = 150;            // tool bar 7
inline constexpr int kSettings = 151;        // tool bar 13
inline constexpr int kSnapshot = 153;        // tool bar 6
inline constexpr int kFirst = 154;           // tool bar 0: stop and back to the start
inline constexpr int kCaptionClose = 155;    // 46 × 18 frames
inline constexpr int kCaptionMinimise = 156; // 26 × 18 frames
inline constexpr int kCaptionMaximise = 157; // 26 × 18 frames
inline constexpr int kZoom = 200;            // tool bar 8
inline constexpr int kViewSwitch = 356;      // tool bar 15
inline constexpr int kMapSwitch = 357;       // tool bar 10
inline constexpr int kMirror = 362;          // tool bar 9

inline constexpr int kCheckBox = 217;    // 12 × 12: empty, light blue, ticked, grey
inline constexpr int kRadio = 327;       // 12 × 12: empty, light blue, blue dot, pale
inline constexpr int kCloseButton = 352; // 13 × 12: grey, red, red, grey

inline constexpr int kPositionPlayed = 174;    // 800 × 10
inline constexpr int kPositionRemaining = 159; // 800 × 10
inline constexpr int kPositionThumb = 160;     // 25 × 10
inline constexpr int kPositionThumbDrag = 161; // 25 × 10
inline constexpr int kVolumePlayed = 167;      // 100 × 20
inline constexpr int kVolumeRemaining = 168;   // 100 × 20
inline constexpr int kVolumeThumb = 169;       // 10 × 20
inline constexpr int kVolumeThumbDrag = 170;   // 10 × 20

inline constexpr int kGraphScale0 = 163;    // 640 × 120, about ±0.5 G
inline constexpr int kGraphScale1 = 162;    // about ±1 G
inline constexpr int kGraphScale2 = 188;    // about ±1.5 G
inline constexpr int kGraphScale3 = 189;    // about ±2 G
inline constexpr int kAssistSteering = 176; // 11 × 11 graph marker of event code 10

inline constexpr int kZoomCursor = 191; // 32 × 32 magnifier

inline constexpr int kKindImpact = 315;        // 21 × 14, G, upper left slot
inline constexpr int kKindManual = 316;        // M, lower left
inline constexpr int kKindParkingImpact = 317; // S, lower middle
inline constexpr int kKindParking = 318;       // P, upper middle
inline constexpr int kKindSlots = 319;         // the empty 3 × 2 grid
inline constexpr int kKindSpeedCamera = 346;   // O, upper right
inline constexpr int kKindApproaching = 369;   // D, lower right

inline constexpr int kLogo = 365;             // 452 × 392
inline constexpr int kLogoNoConnection = 366; // the logo with the no-connection notice

inline constexpr int kAppIcon = 128;
} // namespace skin

// Resource path of a skin bitmap (empty when there is none).
QString SkinResourcePath(int id);

// Natural size of a skin image file (empty when it cannot be read).
QSize SkinImageSize(const QString& path);

// Size a skin image of natural size w × h is loaded at for scale S: a strip of
// square frames (w a multiple of h) keeps whole frames, (w / h) × int(h × S)
// wide; anything else int(w × S) wide; the height is int(h × S).
QSize SkinTargetSize(QSize natural, double scale);

// The skin bitmap id at SkinTargetSize for scale; a null pixmap when the
// bitmap does not exist. With a device pixel ratio above 1 the pixmap holds
// that many more device pixels and reports the ratio, so that it stays crisp;
// its device-independent size is the target size.
QPixmap LoadSkinBitmap(int id, double scale, qreal devicePixelRatio = 1.0);

// The same for an image file (SVG or any format Qt reads).
QPixmap LoadSkinImage(const QString& path, double scale, qreal devicePixelRatio = 1.0);

// Cuts a strip into frames of frameSize (device-independent pixels), left to
// right, as many as fit whole.
std::vector<QPixmap> CutFrames(const QPixmap& strip, QSize frameSize);

// Size of a pixmap in device-independent pixels.
QSize LogicalSize(const QPixmap& pixmap);

} // namespace kv
