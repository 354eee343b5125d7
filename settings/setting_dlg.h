#pragma once

#include "skin_dialog.h"

#include <array>

class QGroupBox;
class QLabel;

namespace kv {
class CSkinCheckButton;
}

namespace kv::settings {

// Control ids of the settings dialog.
inline constexpr int kSettingCloseId = 19;
inline constexpr int kFirstEventSwitchId = 32968; // switch i has id 32968 + i
inline constexpr int kVersionTextId = 32981;
inline constexpr int kEventSwitchCount = 5;

// The event kinds the switches stand for, in switch order.
enum EventSwitch : int {
    kSwitchDriveSupport = 0, // drive-support warnings
    kSwitchEmergencyStop = 1,
    kSwitchParkingImpact = 2, // impact while the recorder watches the parked car
    kSwitchSpeeding = 3,
    kSwitchApproaching = 4, // a following vehicle coming close
};

// The settings window behind the tool bar's settings button: five switches
// for the kinds of recorder events the acceleration graph and the map mark,
// and the viewer's version. It keeps nothing: every switch is reported at
// once (channelSwitched) and every run starts with all of them on. Modeless,
// created hidden; its close button hides it.
class CSettingDlg : public CSkinDialog {
    Q_OBJECT

public:
    // font: the shared 10-point UI font. parent: the main window.
    CSettingDlg(const UiScale& scale, const QFont& font, QWidget* parent = nullptr);
    ~CSettingDlg() override;

    // Sizes the window 460 × 315 (× S), centres it on the whole monitor that
    // holds owner (the primary one without an owner) and shows it.
    void ShowCentredOn(const QWidget* owner);

    // A new UI scale: the switch frames, the fonts and every control's place
    // follow it.
    void Relayout(const UiScale& scale, const QFont& font);

    // A click on switch i: flips it and reports it.
    void ToggleSwitch(int index);
    bool switchOn(int index) const;

    CSkinCheckButton* eventSwitch(int index) const;
    QGroupBox* displayGroup() const { return displayGroup_; }
    QGroupBox* versionGroup() const { return versionGroup_; }
    QLabel* versionText() const { return versionText_; }

Q_SIGNALS:
    // Switch index (EventSwitch) now shows (true) or hides its events.
    void channelSwitched(int index, bool shown);

private:
    void PlaceControls();

    std::array<CSkinCheckButton*, kEventSwitchCount> switches_{};
    QGroupBox* displayGroup_ = nullptr;
    QGroupBox* versionGroup_ = nullptr;
    QLabel* versionText_ = nullptr;
};

} // namespace kv::settings
