#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <span>
#include <string_view>

class QLocale;

namespace kv {

// Every text the user sees comes from this table of 260 entries, known by
// number. Some numbers are fixed because other parts of the viewer cite them
// (105, 106, 112, 139, 175, 176, 184, 185); the others only need to stay put.
// Several texts appear more than once, one entry per role (a tooltip and the
// menu item with the same words), so each role can change on its own.
//
// Texts with printf conversions are formats for QString::asprintf (UTF-8
// arguments); MovieFileFilter takes its extension through QString::arg.
enum class UiText : int {
    // Captions and the message dialog
    ErrorCaption = 0,
    ConfirmCaption = 1,
    FinishedCaption = 2,
    OkButton = 3,
    CancelButton = 4,
    Yes = 175,
    No = 176,
    // Messages
    Completed = 5,
    OverwriteQuestion = 6,
    OpenFailed = 7,
    TooShortToPlay = 8,
    RepairQuestion = 9,
    RepairedFilesQuestion = 10,
    JoinFailed = 11,
    DeleteFailed = 12,
    NoRecordings = 13,
    CsvNotCreated = 14,
    SnapshotFailed = 15,
    TooManyToShow = 16,
    FolderPathFailed = 17,
    SizeOver = 18,
    TooManyFiles = 19,
    InstallCodec = 20,
    // Folder chooser titles
    ChooseMoveFolder = 21,
    ChooseBackupFolder = 22,
    ChooseOutputFolder = 23,
    ChooseMovieFolder = 24,
    // Tool-bar tooltips
    FirstTip = 25,
    PreviousTip = 26,
    PlayTip = 27,
    PauseTip = 28,
    SlowerTip = 29,
    FasterTip = 30,
    NextTip = 31,
    SnapshotTip = 32,
    JoinTip = 33,
    ZoomTip = 34,
    MirrorTip = 35,
    MapSwitchTip = 36,
    BrowseTip = 37,
    DeleteTip = 38,
    SettingsTip = 39,
    CsvTip = 40,
    ViewSwitchTip = 41,
    // Caption buttons
    CloseTip = 42,
    MaximiseTip = 43,
    RestoreTip = 44,
    MinimiseTip = 45,
    // Video menu
    MenuPlay = 46,
    MenuPause = 47,
    MenuStop = 48,
    MenuFaster = 49,
    MenuSlower = 50,
    MenuSnapshot = 51,
    MenuSettings = 52,
    MenuMirror = 53,
    MenuViewSwitch = 54,
    MenuBrowse = 55,
    MenuFullScreenKeepAspect = 56,
    MenuFullScreenStretch = 57,
    // Window titles
    AppTitle = 58,
    RearCameraTitle = 59,
    FrontCameraTitle = 60,
    MapTitle = 61,
    VehicleInfoTitle = 139,
    SettingsTitle = 62,
    SourceTitle = 63,
    JoinTitle = 64,
    DeleteTitle = 65,
    JoinNext = 66,
    UpdateTitle = 106,
    // Playback-speed labels
    SpeedX1 = 67,
    SpeedX2 = 68,
    SpeedX4 = 69,
    SpeedHalf = 70,
    SpeedQuarter = 71,
    // Information panel
    AxisXLabel = 72,
    AxisYLabel = 73,
    AxisZLabel = 74,
    Off = 75,
    SpeedUnit = 76,
    VoltUnit = 77,
    AccelFormat = 78,
    AccelPlaceholder = 79,
    DatePlaceholder = 80,
    DateTimeFormat = 81,
    // Video panels
    NoRearVideo = 82,
    NoFrontVideo = 83,
    // File browser
    ZoomModeHint = 84,
    RowCount = 85,
    FileNoColumn = 86,
    TriggerColumn = 87,
    FilterContinuous = 88,
    FilterImpact = 89,
    FilterManual = 90,
    FilterParking = 91,
    FilterParkingImpact = 92,
    FilterApproaching = 93,
    // Trigger labels
    TriggerContinuous = 94,
    TriggerSpeedCamera = 95,
    TriggerParkingTimeLapse = 96,
    TriggerApproaching = 97,
    TriggerManual = 98,
    TriggerImpact = 99,
    TriggerParking = 100,
    TriggerParkingImpact = 101,
    TriggerContinuousTimeLapse = 102,
    // Event labels
    EventSuddenAcceleration = 103,
    EventSuddenBraking = 104,
    EventSuddenSteering = 107,
    EventSuddenDescent = 108,
    EventSuddenRise = 109,
    EventManualRecording = 110,
    EventEmergencyStop = 111,
    EventParkingMonitoring = 113,
    EventSpeeding = 114,
    EventApproaching = 115,
    EventAssistSteering = 116,
    EventAssistAcceleration = 117,
    EventAssistBraking = 118,
    // Graph marker labels
    MarkerG = 119,
    MarkerManual = 120,
    MarkerEmergencyStop = 121,
    MarkerParking = 122,
    MarkerSpeeding = 123,
    MarkerApproaching = 124,
    MarkerAssistAcceleration = 125,
    MarkerAssistBraking = 126,
    // CSV list
    CsvHeaderFileName = 127,
    CsvHeaderDate = 128,
    CsvHeaderStartTime = 129,
    CsvHeaderLength = 130,
    CsvHeaderTrigger = 131,
    CsvHeaderSize = 132,
    CsvHeaderQuality = 133,
    CsvHeaderFrameRate = 134,
    CsvHeaderFrontSize = 135,
    CsvHeaderRearSize = 136,
    HighQuality = 137,
    LowQuality = 138,
    TimeLapse = 140,
    SizeSd = 141,
    SizeHd = 142,
    SizeFhd = 143,
    Size3m = 144,
    SizeWqhd = 145,
    NoDate = 146,
    NoTime = 147,
    FrameRateFormat = 148,
    // Source dialog
    SourceSdCard = 149,
    SourceFolder = 150,
    SourceFile = 151,
    BrowseButton = 152,
    MovieFileFilter = 153,
    // Recording selection dialog
    FileNameColumn = 154,
    FrontColumn = 155,
    RearColumn = 156,
    ShowAllFiles = 157,
    SelectAllShown = 158,
    ZeroMb = 159,
    RowSizeFormat = 160,
    TotalSizeFormat = 161,
    // Settings dialog
    DisplayGroup = 162,
    VersionGroup = 163,
    SwitchDriveSupport = 164,
    SwitchEmergencyStop = 165,
    SwitchParkingImpact = 166,
    SwitchSpeeding = 167,
    SwitchApproaching = 168,
    VersionFormat = 169,
    // Update notice
    UpdateAvailable = 105,
    DownloadHint = 170,
    FirmwareItem = 171,
    ViewerItem = 172,
    GpsDataItem = 173,
    CurrentVersion = 174,
    NewVersion = 177,
    UpdateFirstBlock = 178,
    UpdateNextBlock = 179,
    UpdateClose = 180,
    RuntimeMissing = 184,      // the web engine notice's caption
    RuntimeExplanation = 185,  // what the map needs
    RuntimeRemedyFormat = 181, // %1 what is missing, %2 the package that brings it
    // Fonts, progress bar, media errors
    FontFace = 112,
    ProgressFormat = 182,
    ErrorNotImplemented = 183,
    ErrorNoInterface = 186,
    ErrorPointer = 187,
    ErrorNotConnected = 188,
    ErrorWrongState = 189,
    ErrorOutOfMemory = 190,
    ErrorInvalidArgument = 191,
    ErrorUnknown = 192,
    // Map placeholder
    NoConnectionNotice = 193,
    // Names of controls the design leaves unnamed (accessible names, tooltips)
    PositionSliderName = 194,
    VolumeSliderName = 195,
    ProgressBarName = 196,
    FolderTreeName = 197,
    RecordingListName = 198,
    PathFieldName = 199,
    InfoPanelName = 200,
    GraphName = 201,
    MainVideoName = 202,
    SecondVideoName = 203,
    ToolBarName = 204,
    VideoMenuName = 205,
    MapViewName = 206,
    LogoName = 207,
    DateTimeName = 208,
    SpeedName = 209,
    VoltageName = 210,
    GpsName = 211,
    RecordingKindName = 212,
    StatusMarkName = 213,
    DriveListName = 214,
    FolderFieldName = 215,
    FileFieldName = 216,
    FrontTotalName = 217,
    RearTotalName = 218,
    VersionTextName = 219,
    NoticeTextName = 220,
    MessageTextName = 221,
    GraphClickHint = 222,
    ZoomClickHint = 223,
    SelectionHint = 224,
    DialogCloseTip = 225,
    FilterContinuousTip = 226,
    FilterImpactTip = 227,
    FilterManualTip = 228,
    FilterParkingTip = 229,
    FilterParkingImpactTip = 230,
    FilterApproachingTip = 231,
    AxisXTip = 232,
    AxisYTip = 233,
    AxisZTip = 234,
    KindImpactLegend = 235,
    KindManualLegend = 236,
    KindParkingLegend = 237,
    KindParkingImpactLegend = 238,
    KindSpeedCameraLegend = 239,
    KindApproachingLegend = 240,
    SwitchDriveSupportTip = 241,
    SwitchEmergencyStopTip = 242,
    SwitchParkingImpactTip = 243,
    SwitchSpeedingTip = 244,
    SwitchApproachingTip = 245,
    SourceSdCardTip = 246,
    SourceFolderTip = 247,
    SourceFileTip = 248,
    BrowseFolderTip = 249,
    BrowseFileTip = 250,
    VehicleValue1 = 251,
    VehicleValue2 = 252,
    VehicleValue3 = 253,
    VehicleValue4 = 254,
    VehicleValue5 = 255,
    VehicleValueNone = 256,
    GaugeSlot1 = 257,
    GaugeSlot2 = 258,
    GaugeSlot3 = 259,
};

inline constexpr int kUiTextCount = 260;
inline constexpr int kUiTextColumns = 2;

// One entry: its id and its text in each language column. Both columns hold
// the same Japanese texts; column 1 is chosen for English (United States).
struct UiTextEntry {
    UiText id;
    std::array<std::u16string_view, kUiTextColumns> columns;
};

// The entries, in the order they are written (grouped by the windows that
// show them, not by number).
std::span<const UiTextEntry> UiTextEntries();

// Column 1 when the locale is English (United States), else column 0.
int UiTextColumnFor(const QLocale& locale);

// The column Text() reads. The main window chooses it once at start-up from
// the user's language; it is 0 until then. Out-of-range columns are ignored.
void SelectUiTextColumn(int column);
int SelectedUiTextColumn();

// The text of id in the selected column, or in the given one.
QString Text(UiText id);
QString Text(UiText id, int column);

// The first entry (by number) whose text equals text in column 0.
std::optional<UiText> FindUiText(QStringView text);

} // namespace kv
