#include "ui_fonts.h"

#include "ui_texts.h"

#include <QFontDatabase>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

const QString kLatinMeiryo = QStringLiteral("Meiryo");
const QString kNotoCjk = QStringLiteral("Noto Sans CJK JP");

} // namespace

int UiFontPixelHeight(int points, const UiScale& scale, double verticalDpi) {
    const double sizeInPoints = points * scale.factor() / scale.density();
    return static_cast<int>(std::trunc(sizeInPoints * verticalDpi / 72.0));
}

QString ChooseUiFontFamily(const QStringList& installedFamilies) {
    const QString tableFace = Text(UiText::FontFace);
    for (const QString& wanted : {tableFace, kLatinMeiryo}) {
        if (installedFamilies.contains(wanted, Qt::CaseInsensitive)) {
            return wanted;
        }
    }
    return kNotoCjk;
}

UiFonts::UiFonts(const QString& family, const UiScale& scale, double verticalDpi)
    : family_(family) {
    Rebuild(scale, verticalDpi);
}

UiFonts UiFonts::ForWidget(const QWidget* widget, const UiScale& scale) {
    const double dpi = widget != nullptr ? widget->logicalDpiY() : 96.0;
    return {ChooseUiFontFamily(QFontDatabase::families()), scale, dpi};
}

void UiFonts::Rebuild(const UiScale& scale, double verticalDpi) {
    scale_ = scale;
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
        QFont font;
        // The CJK face stays in the list as a fallback for glyphs the chosen
        // face lacks.
        font.setFamilies({family_, kNotoCjk});
        font.setPixelSize(std::max(1, UiFontPixelHeight(kUiFontPoints[i], scale, verticalDpi)));
        font.setStyleStrategy(QFont::PreferAntialias);
        fonts_[i] = font;
    }
}

} // namespace kv
