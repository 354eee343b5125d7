#pragma once

#include "ui_scale.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <array>

class QWidget;

namespace kv {

// The seven shared font sizes, in the order the fonts are made.
enum class UiFontSize { Pt9, Pt10, Pt13, Pt17, Pt22, Pt12, Pt15 };

inline constexpr std::array<int, 7> kUiFontPoints = {9, 10, 13, 17, 22, 12, 15};

// Pixel height of a shared font: points × S / D, converted with the vertical
// logical DPI (points × DPI / 72) and truncated toward zero.
int UiFontPixelHeight(int points, const UiScale& scale, double verticalDpi);

// The face the shared fonts use: the table's face name (UI text 112,
// "メイリオ") or its Latin name when installed, otherwise Noto Sans CJK JP.
// installedFamilies: the font families of the system (QFontDatabase::families).
QString ChooseUiFontFamily(const QStringList& installedFamilies);

// The shared fonts of the viewer: one face in seven sizes. The main window owns
// one set, builds it at start-up and rebuilds it whenever S changes, and hands
// references to the windows it creates.
class UiFonts {
public:
    UiFonts() = default;
    UiFonts(const QString& family, const UiScale& scale, double verticalDpi);

    // Fonts for the installed face at the widget's vertical logical DPI.
    static UiFonts ForWidget(const QWidget* widget, const UiScale& scale);

    void Rebuild(const UiScale& scale, double verticalDpi);

    const QFont& font(UiFontSize size) const { return fonts_[static_cast<int>(size)]; }
    const QFont& pt9() const { return font(UiFontSize::Pt9); }
    const QFont& pt10() const { return font(UiFontSize::Pt10); }
    const QFont& pt12() const { return font(UiFontSize::Pt12); }
    const QFont& pt13() const { return font(UiFontSize::Pt13); }
    const QFont& pt15() const { return font(UiFontSize::Pt15); }
    const QFont& pt17() const { return font(UiFontSize::Pt17); }
    const QFont& pt22() const { return font(UiFontSize::Pt22); }

    const QString& family() const { return family_; }
    const UiScale& scale() const { return scale_; }

private:
    QString family_;
    UiScale scale_;
    std::array<QFont, 7> fonts_{};
};

} // namespace kv
