#include "obd_dlg.h"

#include "ui_texts.h"

#include <QPainter>
#include <QPainterPath>

namespace kv::views {

CObdDlg::CObdDlg(const UiScale& scale, const QFont& titleFont, QWidget* parent)
    : CSkinDialog(scale, titleFont, parent), scale_(scale) {
    setWindowTitle(Text(UiText::VehicleInfoTitle));
    setWindowFlag(Qt::Tool);
    setWindowOpacity(229.0 / 255.0);
    setFont(titleFont);
    resize(scale_(640), scale_(20) + scale_(151) + scale_(4));
    CreateCloseButton(kObdCloseId);
    connect(this, &CSkinDialog::CommandIssued, this, [this](int id) {
        if (id == kObdCloseId) {
            reject();
        }
    });
    for (int i = 0; i < 3; ++i) {
        Slot& slot = slots_[static_cast<std::size_t>(i)];
        slot.timer.setInterval(50);
        connect(&slot.timer, &QTimer::timeout, this, [this, i] { StepSlot(i); });
    }
    hide();
}

CObdDlg::~CObdDlg() = default;

void CObdDlg::SetVehicleSample(const VehicleSample* sample) {
    if (sample != nullptr) {
        UpdateVehicleValues(values_, *sample);
    }
}

void CObdDlg::SetVehicleRecord(const VehicleRecordValues& record) {
    UpdateVehicleValues(values_, record);
}

void CObdDlg::SetPlaying(bool playing) {
    playing_ = playing;
}

void CObdDlg::SelectValue(int slotIndex, int which) {
    if (slotIndex < 0 || slotIndex >= 3 || which < 0 || which >= kVehicleValueCount) {
        return;
    }
    Slot& slot = slots_[static_cast<std::size_t>(slotIndex)];
    slot.animating = false;
    slot.firstUpdate = true;
    slot.settled = RestingValue(which);
    slot.animated = slot.settled;
    if (playing_) {
        slot.selectorEnabled = false;
    }
    slot.selected = which;
    slot.timer.start();
}

int CObdDlg::selection(int slot) const {
    return slot >= 0 && slot < 3 ? slots_[static_cast<std::size_t>(slot)].selected : -1;
}

bool CObdDlg::selectorEnabled(int slot) const {
    return slot >= 0 && slot < 3 && slots_[static_cast<std::size_t>(slot)].selectorEnabled;
}

int CObdDlg::shownValue(int slot) const {
    if (slot < 0 || slot >= 3) {
        return 0;
    }
    const Slot& s = slots_[static_cast<std::size_t>(slot)];
    return s.animating ? s.animated : s.settled;
}

void CObdDlg::RefreshSelectors() {
    for (Slot& slot : slots_) {
        slot.selectorEnabled = !(playing_ && slot.selected >= 0);
    }
}

void CObdDlg::StepSlot(int slotIndex) {
    if (slotIndex < 0 || slotIndex >= 3) {
        return;
    }
    Slot& slot = slots_[static_cast<std::size_t>(slotIndex)];
    if (slot.selected < 0 || slot.selected >= kVehicleValueCount) {
        return;
    }
    RefreshSelectors();
    auto step = [&slot] {
        const int size = NeedleStep(slot.selected, slot.animated, slot.target);
        slot.animated += slot.increasing ? size : -size;
        // Never step past the target.
        slot.animated = slot.increasing ? std::min(slot.animated, slot.target)
                                        : std::max(slot.animated, slot.target);
    };
    if (slot.animating) {
        if (slot.animated == slot.target) {
            slot.settled = slot.target;
            slot.animating = false;
        } else {
            step();
            update();
        }
        return;
    }
    const int value =
        LimitVehicleValue(slot.selected, values_[static_cast<std::size_t>(slot.selected)]);
    if (value != slot.settled || slot.firstUpdate) {
        slot.animated = slot.settled;
        slot.target = value;
        if (slot.animated != slot.target) {
            slot.increasing = slot.animated < slot.target;
            step();
            slot.animating = true;
        }
        update();
        slot.firstUpdate = false;
    }
}

void CObdDlg::reject() {
    for (Slot& slot : slots_) {
        slot.timer.stop();
    }
    Q_EMIT closed();
    CSkinDialog::reject();
}

void CObdDlg::DrawGauge(QPainter& p, const QRect& box, int which, int value) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(box.left() + box.width() / 2.0, box.top() + scale_(108));
    const double radius = scale_(90);
    // Dial: the arc of the sweep with a tick every tenth of the range.
    p.setPen(QPen(QColor(200, 205, 210), std::max(1.0, scale_.factor())));
    const int limit = VehicleValueLimit(which);
    for (int i = 0; i <= 10; ++i) {
        const double a = qDegreesToRadians(NeedleAngle(which, limit * i / 10));
        const QPointF dir(std::sin(a), -std::cos(a));
        p.drawLine(centre + dir * radius * 0.82, centre + dir * radius);
    }
    p.setFont(font());
    p.drawText(QRectF(box.left(), box.bottom() - scale_(24), box.width(), scale_(20)),
               Qt::AlignCenter,
               Text(static_cast<UiText>(static_cast<int>(UiText::VehicleValue1) + which)) +
                   QStringLiteral(" %1").arg(value));
    // Needle.
    const double a = qDegreesToRadians(NeedleAngle(which, value));
    const QPointF dir(std::sin(a), -std::cos(a));
    p.setPen(
        QPen(QColor(255, 80, 40), std::max(2.0, 3 * scale_.factor()), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + dir * radius * 0.88);
    p.restore();
}

void CObdDlg::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    PaintTitleBand(p);
    static constexpr int kSlotLeft[3] = {2, 214, 426};
    for (int i = 0; i < 3; ++i) {
        const Slot& slot = slots_[static_cast<std::size_t>(i)];
        if (slot.selected < 0 || slot.selected >= kVehicleValueCount) {
            continue;
        }
        const QRect box(scale_(kSlotLeft[i]), scale_(20), scale_(210), scale_(151));
        DrawGauge(p, box, slot.selected, shownValue(i));
    }
    (void)event;
}

} // namespace kv::views
