#include "setting_dlg.h"

#include "skin_bitmap.h"
#include "skin_button.h"
#include "ui_texts.h"
#include "viewer_version.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace kv::settings {
namespace {

struct Place {
    int x;
    int y;
    int width;
    int height;
};

constexpr std::array<UiText, kEventSwitchCount> kSwitchTexts = {
    UiText::SwitchDriveSupport, UiText::SwitchEmergencyStop, UiText::SwitchParkingImpact,
    UiText::SwitchSpeeding, UiText::SwitchApproaching};
constexpr std::array<UiText, kEventSwitchCount> kSwitchTips = {
    UiText::SwitchDriveSupportTip, UiText::SwitchEmergencyStopTip, UiText::SwitchParkingImpactTip,
    UiText::SwitchSpeedingTip, UiText::SwitchApproachingTip};

// Design places: two columns of switches inside the display group, the
// version text inside the version group.
constexpr std::array<Place, kEventSwitchCount> kSwitchPlaces = {
    Place{40, 60, 160, 40}, Place{40, 100, 160, 40}, Place{240, 60, 160, 40},
    Place{240, 100, 160, 40}, Place{40, 140, 160, 40}};
constexpr Place kDisplayGroupPlace{10, 30, 434, 160};
constexpr Place kVersionGroupPlace{10, 190, 434, 110};
constexpr Place kVersionTextPlace{20, 210, 414, 60};
constexpr int kDesignWidth = 460;
constexpr int kDesignHeight = 315;

QRect PlaceRect(const UiScale& t, const Place& p) {
    return t.rect(p.x, p.y, p.width, p.height);
}

} // namespace

CSettingDlg::CSettingDlg(const UiScale& scale, const QFont& font, QWidget* parent)
    : CSkinDialog(scale, font, parent) {
    setWindowFlag(Qt::Tool);
    setModal(false);
    setWindowTitle(Text(UiText::SettingsTitle));

    displayGroup_ = new QGroupBox(Text(UiText::DisplayGroup), this);
    versionGroup_ = new QGroupBox(Text(UiText::VersionGroup), this);
    versionText_ = new QLabel(this);
    versionText_->setObjectName(QStringLiteral("versionText"));
    versionText_->setAccessibleName(Text(UiText::VersionTextName));
    versionText_->setTextFormat(Qt::PlainText);
    versionText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    versionText_->setText(QString::asprintf(Text(UiText::VersionFormat).toUtf8().constData(),
                                            kViewerVersion.toString().toUtf8().constData()));
    // The switches after the groups, so that they lie above them.
    for (int i = 0; i < kEventSwitchCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        auto* button = new CSkinCheckButton(kFirstEventSwitchId + i, Text(kSwitchTexts[at]), this);
        button->setToolTip(Text(kSwitchTips[at]));
        button->SetSwitchedOn(true);
        connect(button, &CSkinCheckButton::commandClicked, this,
                [this, i](int) { ToggleSwitch(i); });
        switches_[at] = button;
    }
    Relayout(scale, font);
    connect(this, &CSkinDialog::CommandIssued, this, [this](int id) {
        if (id == kSettingCloseId) {
            hide();
        }
    });
}

CSettingDlg::~CSettingDlg() = default;

void CSettingDlg::Relayout(const UiScale& scale, const QFont& font) {
    SetUiScale(scale);
    SetTitleFont(font);
    setFont(font);
    for (QWidget* w : std::initializer_list<QWidget*>{displayGroup_, versionGroup_, versionText_}) {
        w->setFont(font);
    }
    for (CSkinCheckButton* button : switches_) {
        button->setFont(font);
        button->SetSkin(skin::kCheckBox, scale.factor(), devicePixelRatioF());
    }
    PlaceControls();
}

void CSettingDlg::PlaceControls() {
    const UiScale& t = Scale();
    resize(t.size(kDesignWidth, kDesignHeight));
    displayGroup_->setGeometry(PlaceRect(t, kDisplayGroupPlace));
    versionGroup_->setGeometry(PlaceRect(t, kVersionGroupPlace));
    versionText_->setGeometry(PlaceRect(t, kVersionTextPlace));
    for (int i = 0; i < kEventSwitchCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        switches_[at]->setGeometry(PlaceRect(t, kSwitchPlaces[at]));
        switches_[at]->raise();
    }
    CreateCloseButton(kSettingCloseId);
}

void CSettingDlg::ShowCentredOn(const QWidget* owner) {
    const QSize size = Scale().size(kDesignWidth, kDesignHeight);
    resize(size);
    const QScreen* screen = owner != nullptr && owner->screen() != nullptr
                                ? owner->screen()
                                : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect monitor = screen->geometry();
        move(monitor.left() + (monitor.width() - size.width()) / 2,
             monitor.top() + (monitor.height() - size.height()) / 2);
    }
    show();
    raise();
}

void CSettingDlg::ToggleSwitch(int index) {
    CSkinCheckButton* button = eventSwitch(index);
    if (button == nullptr) {
        return;
    }
    const bool shown = !button->switchedOn();
    button->SetSwitchedOn(shown);
    Q_EMIT channelSwitched(index, shown);
}

bool CSettingDlg::switchOn(int index) const {
    const CSkinCheckButton* button = eventSwitch(index);
    return button != nullptr && button->switchedOn();
}

CSkinCheckButton* CSettingDlg::eventSwitch(int index) const {
    return index >= 0 && index < kEventSwitchCount ? switches_[static_cast<std::size_t>(index)]
                                                   : nullptr;
}

} // namespace kv::settings
