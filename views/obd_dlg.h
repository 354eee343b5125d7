#pragma once

#include "obd_values.h"
#include "skin_dialog.h"

#include <QTimer>

#include <array>

namespace kv::views {

// Id of the vehicle panel's close button.
inline constexpr int kObdCloseId = 22;

// A floating, slightly transparent window of up to three gauges, each
// showing one of the five vehicle values with a needle that moves toward the
// current value in 50 ms steps. The main window creates it hidden and keeps
// the values current on every tick; nothing in the viewer shows it yet.
class CObdDlg : public CSkinDialog {
    Q_OBJECT

public:
    // titleFont: the shared 10-point UI font.
    CObdDlg(const UiScale& scale, const QFont& titleFont, QWidget* parent = nullptr);
    ~CObdDlg() override;

    // The words of the current frame's vehicle record (null: nothing changes).
    void SetVehicleSample(const VehicleSample* sample);
    // What the current frame's vehicle record says (unset values stay).
    void SetVehicleRecord(const VehicleRecordValues& record);
    const VehicleValues& values() const { return values_; }
    // Whether the player is playing: selectors with a value are disabled then.
    void SetPlaying(bool playing);

    // A selector of slot 0-2 changed to value 0-4; other values are ignored.
    void SelectValue(int slot, int which);
    int selection(int slot) const;
    // Whether a slot's selector may be changed now.
    bool selectorEnabled(int slot) const;
    // The value the slot's needle shows.
    int shownValue(int slot) const;
    // One 50 ms step of slot's timer (the timer calls it).
    void StepSlot(int slot);

    // Closing stops the gauges' timers and reports it.
    void reject() override;

Q_SIGNALS:
    // The window was closed (the main window ignores it).
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Slot {
        int selected = -1;
        int settled = 0;
        int animated = 0;
        int target = 0;
        bool animating = false;
        bool increasing = false;
        bool firstUpdate = true;
        bool selectorEnabled = true;
        QTimer timer;
    };

    void RefreshSelectors();
    void DrawGauge(QPainter& p, const QRect& box, int which, int value) const;

    UiScale scale_;
    VehicleValues values_{};
    bool playing_ = false;
    std::array<Slot, 3> slots_;
};

} // namespace kv::views
