#include "info_dlg.h"

#include "skin_bitmap.h"
#include "skin_button.h"
#include "telemetry_types.h"
#include "ui_texts.h"

#include <QPainter>

#include <cmath>

namespace kv::views {

namespace {

const std::array<QColor, 3> kAxisColours = {QColor(0, 255, 0), QColor(255, 0, 0),
                                            QColor(128, 128, 255)};
constexpr std::array<UiText, 3> kAxisLabels = {UiText::AxisXLabel, UiText::AxisYLabel,
                                               UiText::AxisZLabel};

} // namespace

CInfoDlg::CInfoDlg(const UiScale& scale, const UiFonts& fonts, QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (int i = 0; i < 3; ++i) {
        auto* button = new CSkinCheckButton(kAxisButtonId + i, QString(), this);
        button->setCheckable(true);
        button->setChecked(true);
        connect(button, &QAbstractButton::clicked, this,
                [this, i](bool checked) { Q_EMIT axisSwitched(i, checked); });
        buttons_[static_cast<std::size_t>(i)] = button;
    }
    SetScale(scale, fonts);
}

CInfoDlg::~CInfoDlg() = default;

void CInfoDlg::SetScale(const UiScale& scale, const UiFonts& fonts) {
    scale_ = scale;
    fonts_ = fonts;
    skin_ = MakeInfoSkin(scale_.factor());
    for (CSkinCheckButton* button : buttons_) {
        button->setFont(fonts_.pt10());
        button->SetSkin(skin::kCheckBox, scale_.factor());
    }
    PlaceButtons();
    update();
}

int CInfoDlg::X(double base) const {
    // The product is taken in single precision: 140 × 1.15 is 161, not 160.99…
    return scale_(static_cast<double>(static_cast<float>(base) * spread_));
}

void CInfoDlg::PlaceButtons() {
    // The check frame sits 4 below the button's top; the frame itself is at 45.
    for (int i = 0; i < 3; ++i) {
        buttons_[static_cast<std::size_t>(i)]->setGeometry(
            X(26) + X(i * 140), scale_(45) - scale_(4), scale_(12), scale_(16));
    }
}

void CInfoDlg::SetSpread(float spread) {
    spread_ = spread;
    PlaceButtons();
    update();
}

bool CInfoDlg::axisShown(int axis) const {
    return axis >= 0 && axis < 3 && buttons_[static_cast<std::size_t>(axis)]->isChecked();
}

void CInfoDlg::SetAxisShown(int axis, bool shown) {
    if (axis >= 0 && axis < 3) {
        buttons_[static_cast<std::size_t>(axis)]->setChecked(shown);
    }
}

CSkinCheckButton* CInfoDlg::AxisButton(int axis) const {
    return axis >= 0 && axis < 3 ? buttons_[static_cast<std::size_t>(axis)] : nullptr;
}

void CInfoDlg::SetFrame(int frameIndex, const SensorSample* sample) {
    state_.frameIndex = frameIndex;
    if (sample == nullptr) {
        state_.accelX = state_.accelY = state_.accelZ = -5.0;
        state_.gpsValid = false;
        return;
    }
    state_.accelX = sample->accelX;
    state_.accelY = sample->accelY;
    state_.accelZ = sample->accelZ;
    state_.statusMark = static_cast<unsigned char>(sample->statusMark);
    state_.voltageTenths = sample->voltageTenths;
    if (sample->gps != nullptr) {
        state_.gpsValid = sample->gps->valid != 0;
        state_.speedKmh = state_.gpsValid ? sample->gps->speedKmh : -1.0;
    } else {
        state_.gpsValid = false;
        state_.speedKmh = -1.0;
    }
}

void CInfoDlg::Reset() {
    state_.frameIndex = -1;
    state_.accelX = state_.accelY = state_.accelZ = -5.0;
    state_.speedKmh = -1.0;
    state_.gpsValid = false;
    state_.recordingKind = 0;
    state_.statusMark = 'M';
    state_.voltageTenths = -1;
    repaint();
}

void CInfoDlg::Draw() {
    repaint();
}

void CInfoDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Render(painter);
}

void CInfoDlg::Render(QPainter& p) {
    if (width() <= 0 || height() <= 0) {
        return;
    }
    p.save();
    p.fillRect(rect(), Qt::black);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!skin_.background.isNull()) {
        p.drawPixmap(rect(), skin_.background);
    }

    p.setFont(fonts_.pt13());
    p.setPen(Qt::white);
    DrawDate(p, QRect(X(26), scale_(7), scale_(200), scale_(19)));
    p.setFont(fonts_.pt13());
    p.setPen(Qt::white);
    p.drawText(QRect(X(300), scale_(7), scale_(160), scale_(27)),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, state_.speedLabel);

    const QRect speedBox(scale_(530 * std::pow(static_cast<double>(spread_), 1.1)), scale_(7),
                         scale_(100), scale_(21));
    if (SpeedDisplayOff()) {
        p.setFont(fonts_.pt10());
        p.setPen(Qt::white);
        p.drawText(speedBox.adjusted(0, scale_(4), -scale_(20), scale_(4)),
                   Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                   Text(UiText::Off));
    } else {
        DrawSpeed(p, speedBox, scale_(35), scale_(4), speedBox);
    }
    DrawAccelerations(p);
    DrawVoltage(p);
    DrawIcons(p);
    p.restore();
}

void CInfoDlg::DrawDate(QPainter& p, const QRect& box) {
    const QString text = PictureTimeText(state_);
    if (!text.isEmpty()) {
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
        return;
    }
    DrawPlaceholderText(p, box, Text(UiText::DatePlaceholder), Qt::AlignLeft | Qt::AlignTop,
                        Qt::white);
}

bool CInfoDlg::SpeedDisplayOff() const {
    // The recorder's setting is read from the telemetry header: without one
    // there is no setting, only no data, and the speed's placeholder stands.
    return state_.telemetryPresent && !state_.speedDisplayOn;
}

void CInfoDlg::DrawSpeed(QPainter& p, const QRect& box, int unitWidth, int unitOffset,
                         const QRect& placeholderBox) {
    const QString value = SpeedText(state_.gpsValid, state_.speedKmh);
    p.setPen(Qt::white);
    if (!value.isEmpty()) {
        p.setFont(fonts_.pt13());
        p.drawText(box.adjusted(0, 0, -unitWidth, 0),
                   Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, value);
    }
    p.setFont(fonts_.pt10());
    p.drawText(box.translated(0, unitOffset),
               Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
               Text(UiText::SpeedUnit));
    if (value.isEmpty() && !skin_.speedPlaceholder.isNull()) {
        p.drawPixmap(placeholderBox.left() + scale_(19), placeholderBox.top(),
                     skin_.speedPlaceholder);
    }
}

void CInfoDlg::DrawAccelerations(QPainter& p) {
    const std::array<double, 3> values = {state_.accelX, state_.accelY, state_.accelZ};
    for (int i = 0; i < 3; ++i) {
        const QPoint origin(X(26) + X(i * 140), scale_(40));
        const QColor colour = kAxisColours[static_cast<std::size_t>(i)];
        p.setFont(fonts_.pt13());
        p.setPen(colour);
        p.drawText(QRect(origin + QPoint(scale_(22), 0), QSize(scale_(150), scale_(40))),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                   Text(kAxisLabels[static_cast<std::size_t>(i)]));
        const QRect valueBox(origin + QPoint(scale_(22), scale_(22)),
                             QSize(scale_(58), scale_(20)));
        const QString text = AccelText(values[static_cast<std::size_t>(i)]);
        if (!text.isEmpty()) {
            p.drawText(valueBox,
                       Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, text);
        } else {
            DrawPlaceholderText(p, valueBox, Text(UiText::AccelPlaceholder),
                                Qt::AlignRight | Qt::AlignTop, colour);
        }
    }
}

void CInfoDlg::DrawVoltage(QPainter& p) {
    if (!state_.voltageTraceAvailable || !state_.voltageShown) {
        return;
    }
    const QRect box(X(560), scale_(78), scale_(60), scale_(60));
    p.setFont(fonts_.pt13());
    p.setPen(Qt::white);
    const QString value = VoltageText(state_.voltageTenths);
    if (!value.isEmpty()) {
        p.drawText(box, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                   value);
    } else if (!skin_.voltagePlaceholder.isNull()) {
        p.drawPixmap(box.left() + scale_(19), box.top(), skin_.voltagePlaceholder);
    }
    p.drawText(box.translated(scale_(18), 0),
               Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
               Text(UiText::VoltUnit));
}

void CInfoDlg::DrawIcons(QPainter& p) {
    const QPoint kindOrigin(X(440), scale_(45));
    const int icon = RecordingKindIcon(state_.recordingKind);
    if (icon >= 0) {
        p.drawPixmap(kindOrigin, skin_.kindIcons[static_cast<std::size_t>(icon)]);
    }
    const int slot = scale_(60);
    const QPixmap& mark =
        skin_.statusMarks[static_cast<std::size_t>(StatusMarkImage(state_.statusMark))];
    const int markLeft = kindOrigin.x() + X(75);
    p.drawPixmap(markLeft + (slot - mark.width()) / 2, kindOrigin.y() + scale_(1), mark);

    const int gpsLeft = kindOrigin.x() + X(140);
    if (state_.telemetryPresent && !state_.gpsDisplayOn) {
        // As with the speed: no telemetry header, no setting to show.
        p.setFont(fonts_.pt10());
        p.setPen(Qt::white);
        p.drawText(GpsOffBox(), Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine,
                   Text(UiText::Off));
    } else if (state_.gpsValid) {
        p.drawPixmap(gpsLeft + (slot - skin_.gpsIcon.width()) / 2, kindOrigin.y(), skin_.gpsIcon);
    }
}

QRect CInfoDlg::GpsOffBox() const {
    // In the GPS icon's slot, level with the speed's "OFF", right-aligned; the
    // slot never reaches past the panel, whatever the scale and spread.
    const QPoint kindOrigin(X(440), scale_(45));
    const int slot = scale_(60);
    QRect box(kindOrigin.x() + X(140), kindOrigin.y() + scale_(9), slot,
              QFontMetrics(fonts_.pt10()).height());
    if (box.right() > width() - 1 - scale_(4)) {
        box.moveRight(width() - 1 - scale_(4));
    }
    return box;
}

void CInfoDlg::DrawPlaceholderText(QPainter& p, const QRect& box, const QString& text,
                                   Qt::Alignment align, const QColor& colour) {
    const QFontMetrics metrics(p.font());
    const int textWidth = metrics.horizontalAdvance(text);
    const int left = align & Qt::AlignRight ? box.right() + 1 - textWidth : box.left();
    const int baseline = box.top() + metrics.ascent();
    const int barHeight = std::max(2, scale_(2));
    const int barTop = baseline - metrics.xHeight() / 2 - barHeight / 2;
    int x = left;
    for (const QChar c : text) {
        const int advance = metrics.horizontalAdvance(c);
        if (c == QLatin1Char('-') || c == QLatin1Char('0')) {
            if (c == QLatin1Char('0')) {
                p.fillRect(QRect(x + advance / 5, barTop, advance - 2 * (advance / 5), barHeight),
                           QColor(110, 118, 128));
            }
        } else {
            p.setPen(colour);
            p.drawText(QPoint(x, baseline), QString(c));
        }
        x += advance;
    }
}

QRect CInfoDlg::FullScreenStripRect(const QRect& client) const {
    const int left = client.left() + scale_(545);
    const int right = client.right() + 1 - scale_(160);
    const int bottom = client.bottom() + 1 - scale_(28);
    return QRect(left, bottom - scale_(30), std::max(0, right - left), scale_(30));
}

void CInfoDlg::DrawFullScreenStrip(QPainter& p, const QRect& client) {
    const QRect strip = FullScreenStripRect(client);
    if (strip.isEmpty()) {
        return;
    }
    p.save();
    p.setClipRect(strip);
    // The strip picture as a nine-cell frame: corners once, edges and centre stretched.
    const QPixmap& bg = skin_.stripBackground;
    if (!bg.isNull()) {
        const int cw = bg.width() / 3;
        const int ch = bg.height() / 3;
        const int xs[4] = {strip.left(), strip.left() + cw, strip.right() + 1 - cw,
                           strip.right() + 1};
        const int ys[4] = {strip.top(), strip.top() + ch, strip.bottom() + 1 - ch,
                           strip.bottom() + 1};
        const int sx[4] = {0, cw, bg.width() - cw, bg.width()};
        const int sy[4] = {0, ch, bg.height() - ch, bg.height()};
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 3; ++col) {
                const QRect target(QPoint(xs[col], ys[row]),
                                   QPoint(xs[col + 1] - 1, ys[row + 1] - 1));
                const QRect source(QPoint(sx[col], sy[row]),
                                   QPoint(sx[col + 1] - 1, sy[row + 1] - 1));
                if (!target.isEmpty() && !source.isEmpty()) {
                    p.drawPixmap(target, bg, source);
                }
            }
        }
    }
    const QPoint o = strip.topLeft();
    p.setFont(fonts_.pt13());
    p.setPen(Qt::white);
    p.drawText(QRect(o, QSize(scale_(150), strip.height())),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, state_.speedLabel);
    DrawDate(p, QRect(o + QPoint(scale_(130), 0), QSize(scale_(250), strip.height())));
    // The speed follows the date's box (130 to 380): at 190, where the panel's
    // own layout would put it, it would cover the time of day.
    const int speedShift = scale_(190);
    if (SpeedDisplayOff()) {
        p.setFont(fonts_.pt10());
        p.setPen(Qt::white);
        p.drawText(QRect(o, QSize(scale_(400) + speedShift, strip.height())),
                   Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                   Text(UiText::Off));
    } else {
        const QRect speedBox(o + QPoint(scale_(190) + speedShift, 0),
                             QSize(scale_(220), strip.height()));
        const QRect placeholderBox(o + QPoint(scale_(190) + speedShift, 0),
                                   QSize(scale_(176), strip.height()));
        DrawSpeed(p, speedBox, scale_(40), 0, placeholderBox);
    }
    p.restore();
}

void CInfoDlg::DrawCornerIndicator(QPainter& p, const QRect& client) {
    if (skin_.cornerIndicator.isNull()) {
        return;
    }
    p.drawPixmap(client.right() + 1 - scale_(155), client.bottom() + 1 - scale_(30),
                 skin_.cornerIndicator);
}

} // namespace kv::views
