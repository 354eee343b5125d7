#include "movie_menu.h"

#include "engine_context.h"
#include "tool_bar.h"
#include "ui_texts.h"

#include <QPaintEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

#include <algorithm>
#include <memory>

namespace kv::playback {

namespace {

VideoMenuItem Item(int id, UiText text) {
    return {id, Text(text), true, false};
}

VideoMenuItem Separator() {
    return {};
}

constexpr int kPlayId = 38002;
constexpr int kStopId = 38000;
constexpr int kFasterId = 38004;
constexpr int kSlowerId = 38003;
constexpr int kSnapshotId = 38006;
constexpr int kSettingsId = 38013;
constexpr int kMirrorId = 38009;
constexpr int kViewSwitchId = 38015;
constexpr int kBrowseId = 38011;

// Sizes of the items: every item is as high as the design says; the style
// hands the menu those sizes and draws nothing itself (the menu paints).
class MenuStyle : public QProxyStyle {
public:
    explicit MenuStyle(QSize item) : item_(item) {}
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        if (type == CT_MenuItem) {
            const auto* menuItem = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            const int textWidth =
                menuItem ? option->fontMetrics.horizontalAdvance(menuItem->text) : 0;
            return {std::max(item_.width(), item_.height() + textWidth + item_.height() / 2),
                    item_.height()};
        }
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        switch (metric) {
        case PM_MenuPanelWidth:
        case PM_MenuHMargin:
        case PM_MenuVMargin:
            return 1;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

private:
    QSize item_;
};

} // namespace

std::vector<VideoMenuItem> VideoMenuItems(const VideoMenuInputs& in) {
    std::vector<VideoMenuItem> items;
    const bool playing = in.playState == engine::kPlaying;
    const bool paused = in.playState == engine::kPaused;
    if (in.playState == engine::kClosed) {
        return items;
    }
    // The playback items.
    items.push_back(Item(kPlayId, playing ? UiText::MenuPause : UiText::MenuPlay));
    if (playing || paused) {
        items.push_back(Item(kStopId, UiText::MenuStop));
    }
    if (playing) {
        items.push_back(Item(kFasterId, UiText::MenuFaster));
        items.push_back(Item(kSlowerId, UiText::MenuSlower));
        items.back().enabled = in.rateCode > -1;
        items[items.size() - 2].enabled = in.rateCode < 2;
    }
    if (in.fullScreen) {
        if (in.aspectMode == 0 || in.aspectMode == 1) {
            items.push_back(Item(kPictureModeCommand, in.aspectMode == 0
                                                          ? UiText::MenuFullScreenKeepAspect
                                                          : UiText::MenuFullScreenStretch));
        }
        items.push_back(Separator());
        items.push_back(Item(kMirrorId, UiText::MenuMirror));
        items.push_back(Item(kViewSwitchId, UiText::MenuViewSwitch));
    } else {
        items.push_back(Separator());
        items.push_back(Item(kSnapshotId, UiText::MenuSnapshot));
        items.push_back(Item(kSettingsId, UiText::MenuSettings));
        items.push_back(Separator());
        items.push_back(Item(kMirrorId, UiText::MenuMirror));
        items.push_back(Item(kViewSwitchId, UiText::MenuViewSwitch));
        items.push_back(Separator());
        items.push_back(Item(kBrowseId, UiText::MenuBrowse));
    }
    for (VideoMenuItem& item : items) {
        if (item.id == kMirrorId) {
            item.checked = in.mirrored;
            item.enabled = !in.frontPanel;
        }
    }
    return items;
}

CMovieMenu::CMovieMenu(const std::vector<VideoMenuItem>& items, bool wide, const UiScale& scale,
                       const QFont& font, QWidget* parent)
    : QMenu(parent), wide_(wide), scale_(scale) {
    setFont(font);
    auto* style = new MenuStyle(ItemSize());
    style->setParent(this);
    setStyle(style);
    for (const VideoMenuItem& item : items) {
        if (item.separator()) {
            addSeparator();
            continue;
        }
        QAction* action = addAction(item.text);
        action->setData(item.id);
        action->setEnabled(item.enabled);
        action->setCheckable(item.checked);
        action->setChecked(item.checked);
    }
}

QSize CMovieMenu::ItemSize() const {
    return {scale_(wide_ ? 220 : 70), scale_(20)};
}

void CMovieMenu::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor menuColour = palette().color(QPalette::Window);
    painter.fillRect(rect(), menuColour);
    painter.setFont(font());
    const int margin = scale_(20);
    for (QAction* action : actions()) {
        const QRect r = actionGeometry(action);
        if (r.isEmpty()) {
            continue;
        }
        if (action->isSeparator()) {
            painter.setPen(QColor(0xA0, 0xA0, 0xA0));
            const int y = r.center().y();
            painter.drawLine(r.left() + 2, y, r.right() - 2, y);
            continue;
        }
        const bool selected = action == activeAction();
        const bool greyed = !action->isEnabled();
        QColor background = menuColour;
        QColor text = greyed ? QColor(0x7F, 0x7F, 0x7F) : QColor(Qt::black);
        if (selected && greyed) {
            background = QColor(195, 195, 255);
        } else if (selected) {
            background = QColor(0, 0, 255);
            text = Qt::white;
        }
        painter.fillRect(r, background);
        painter.setPen(text);
        painter.drawText(r.adjusted(margin, 0, 0, 0),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, action->text());
        if (action->isChecked()) {
            QPen pen(Qt::black);
            pen.setWidth(std::max(1, scale_(2)));
            painter.setPen(pen);
            const int bottom = r.top() + r.height();
            const QPoint points[3] = {
                QPoint(r.left() + scale_(3), r.top() + scale_(4)),
                QPoint(r.left() + scale_(4), bottom - scale_(6)),
                QPoint(r.left() + r.height() - scale_(5), r.top() + scale_(3))};
            painter.drawPolyline(points, 3);
        }
    }
}

} // namespace kv::playback
