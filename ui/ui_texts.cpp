#include "ui_texts.h"

#include <QLocale>

#include <atomic>

namespace kv {

namespace {

constexpr UiTextEntry Entry(UiText id, std::u16string_view text) {
    return {id, {text, text}};
}

// clang-format off
constexpr UiTextEntry kEntries[] = {
    // Captions and the message dialog
    Entry(UiText::ErrorCaption, u"ERROR"),
    Entry(UiText::ConfirmCaption, u"確認"),
    Entry(UiText::FinishedCaption, u"終了"),
    Entry(UiText::OkButton, u"OK"),
    Entry(UiText::CancelButton, u"キャンセル"),
    Entry(UiText::Yes, u"はい"),
    Entry(UiText::No, u"いいえ"),
    // Messages
    Entry(UiText::Completed, u"完了しました。"),
    Entry(UiText::OverwriteQuestion, u"同名のファイルが存在します。続行しますか？"),
    Entry(UiText::OpenFailed, u"動画のオープンに失敗しました。"),
    Entry(UiText::TooShortToPlay, u"録画時間が短いため再生できません。"),
    Entry(UiText::RepairQuestion, u"ファイルが破損しています。修復して再生しますか？"),
    Entry(UiText::RepairedFilesQuestion, u"破損が修復された一時ファイルがあります。消去の前に整理して保存しますか？"),
    Entry(UiText::JoinFailed, u"動画の連結に失敗しました。"),
    Entry(UiText::DeleteFailed, u"動画ファイルの削除に失敗しました。"),
    Entry(UiText::NoRecordings, u"動画ファイルがありません。"),
    Entry(UiText::CsvNotCreated, u"CSVファイルが作成できません。"),
    Entry(UiText::SnapshotFailed, u"画像の保存に失敗しました。"),
    Entry(UiText::TooManyToShow, u"表示数が1500を超えています。1500項目表示します。"),
    Entry(UiText::FolderPathFailed, u"フォルダパスの取得に失敗しました。"),
    Entry(UiText::SizeOver, u"サイズオーバーです。"),
    Entry(UiText::TooManyFiles, u"ファイル数を減らしてください。"),
    Entry(UiText::InstallCodec, u"コーデックとスプリッターをインストールしてください。"),
    // Folder chooser titles
    Entry(UiText::ChooseMoveFolder, u"移動先フォルダーを選択してください。"),
    Entry(UiText::ChooseBackupFolder, u"バックアップフォルダーを選択してください。"),
    Entry(UiText::ChooseOutputFolder, u"出力先フォルダーを選択してください。"),
    Entry(UiText::ChooseMovieFolder, u"動画フォルダーを選択してください。"),
    // Tool-bar tooltips
    Entry(UiText::FirstTip, u"先頭"),
    Entry(UiText::PreviousTip, u"前"),
    Entry(UiText::PlayTip, u"再生"),
    Entry(UiText::PauseTip, u"一時停止"),
    Entry(UiText::SlowerTip, u"スロー"),
    Entry(UiText::FasterTip, u"早送り"),
    Entry(UiText::NextTip, u"次"),
    Entry(UiText::SnapshotTip, u"静止画"),
    Entry(UiText::JoinTip, u"結合"),
    Entry(UiText::ZoomTip, u"拡大"),
    Entry(UiText::MirrorTip, u"正像/鏡像"),
    Entry(UiText::MapSwitchTip, u"マップ表示切替"),
    Entry(UiText::BrowseTip, u"参照"),
    Entry(UiText::DeleteTip, u"削除"),
    Entry(UiText::SettingsTip, u"設定"),
    Entry(UiText::CsvTip, u"CSV"),
    Entry(UiText::ViewSwitchTip, u"表示切替"),
    // Caption buttons
    Entry(UiText::CloseTip, u"閉じる"),
    Entry(UiText::MaximiseTip, u"拡大"),
    Entry(UiText::RestoreTip, u"縮小"),
    Entry(UiText::MinimiseTip, u"最小化"),
    // Video menu
    Entry(UiText::MenuPlay, u"再生"),
    Entry(UiText::MenuPause, u"一時停止"),
    Entry(UiText::MenuStop, u"停止"),
    Entry(UiText::MenuFaster, u"早送り"),
    Entry(UiText::MenuSlower, u"スロー"),
    Entry(UiText::MenuSnapshot, u"静止画"),
    Entry(UiText::MenuSettings, u"設定"),
    Entry(UiText::MenuMirror, u"正像/鏡像"),
    Entry(UiText::MenuViewSwitch, u"表示切替"),
    Entry(UiText::MenuBrowse, u"参照"),
    Entry(UiText::MenuFullScreenKeepAspect, u"フルスクリーン（縦横比を維持）"),
    Entry(UiText::MenuFullScreenStretch, u"フルスクリーン（ストレッチ）"),
    // Window titles
    Entry(UiText::AppTitle, u"Kolvista"),
    Entry(UiText::RearCameraTitle, u"リヤカメラ"),
    Entry(UiText::FrontCameraTitle, u"フロントカメラ"),
    Entry(UiText::MapTitle, u"マップ"),
    Entry(UiText::VehicleInfoTitle, u"車両情報"),
    Entry(UiText::SettingsTitle, u"設定"),
    Entry(UiText::SourceTitle, u"参照先"),
    Entry(UiText::JoinTitle, u"動画連結"),
    Entry(UiText::DeleteTitle, u"削除"),
    Entry(UiText::JoinNext, u"次へ"),
    Entry(UiText::UpdateTitle, u"更新情報"),
    // Playback-speed labels
    Entry(UiText::SpeedX1, u"再生速度x1.0"),
    Entry(UiText::SpeedX2, u"再生速度x2.0"),
    Entry(UiText::SpeedX4, u"再生速度x4.0"),
    Entry(UiText::SpeedHalf, u"再生速度x0.5"),
    Entry(UiText::SpeedQuarter, u"再生速度x0.25"),
    // Information panel
    Entry(UiText::AxisXLabel, u"前後(X軸)"),
    Entry(UiText::AxisYLabel, u"左右(Y軸)"),
    Entry(UiText::AxisZLabel, u"上下(Z軸)"),
    Entry(UiText::Off, u"OFF"),
    Entry(UiText::SpeedUnit, u"km/h"),
    Entry(UiText::VoltUnit, u"V"),
    Entry(UiText::AccelFormat, u"%.2fG"),
    Entry(UiText::AccelPlaceholder, u"-0.00G"),
    Entry(UiText::DatePlaceholder, u"0000/00/00 00:00:00"),
    Entry(UiText::DateTimeFormat, u"%02d/%02d/%02d %02d:%02d:%02d"),
    // Video panels
    Entry(UiText::NoRearVideo, u"リヤカメラの動画データがありません"),
    Entry(UiText::NoFrontVideo, u"フロントカメラの動画データがありません"),
    // File browser
    Entry(UiText::ZoomModeHint, u"拡大モードです\n\n拡大したい場所を\nクリックしてください"),
    Entry(UiText::RowCount, u"%d個"),
    Entry(UiText::FileNoColumn, u"ファイルNo."),
    Entry(UiText::TriggerColumn, u"録画トリガー"),
    Entry(UiText::FilterContinuous, u"常時"),
    Entry(UiText::FilterImpact, u"衝撃"),
    Entry(UiText::FilterManual, u"マニュアル"),
    Entry(UiText::FilterParking, u"駐車"),
    Entry(UiText::FilterParkingImpact, u"駐車衝撃"),
    Entry(UiText::FilterApproaching, u"後続車接近"),
    // Trigger labels
    Entry(UiText::TriggerContinuous, u"常時"),
    Entry(UiText::TriggerSpeedCamera, u"オービス"),
    Entry(UiText::TriggerParkingTimeLapse, u"駐車タイムラプス"),
    Entry(UiText::TriggerApproaching, u"後続車接近"),
    Entry(UiText::TriggerManual, u"マニュアル"),
    Entry(UiText::TriggerImpact, u"衝撃"),
    Entry(UiText::TriggerParking, u"駐車"),
    Entry(UiText::TriggerParkingImpact, u"駐車衝撃"),
    Entry(UiText::TriggerContinuousTimeLapse, u"常時タイムラプス"),
    // Event labels
    Entry(UiText::EventSuddenAcceleration, u"急加速"),
    Entry(UiText::EventSuddenBraking, u"急ブレーキ"),
    Entry(UiText::EventSuddenSteering, u"急ハンドル"),
    Entry(UiText::EventSuddenDescent, u"急下降"),
    Entry(UiText::EventSuddenRise, u"急上昇"),
    Entry(UiText::EventManualRecording, u"マニュアル録画"),
    Entry(UiText::EventEmergencyStop, u"緊急録画停止"),
    Entry(UiText::EventParkingMonitoring, u"駐車監視"),
    Entry(UiText::EventSpeeding, u"速度超過"),
    Entry(UiText::EventApproaching, u"後続車接近"),
    Entry(UiText::EventAssistSteering, u"ドライブサポート　急ハンドル"),
    Entry(UiText::EventAssistAcceleration, u"ドライブサポート　急加速"),
    Entry(UiText::EventAssistBraking, u"ドライブサポート　急ブレーキ"),
    // Graph marker labels
    Entry(UiText::MarkerG, u"G"),
    Entry(UiText::MarkerManual, u"M"),
    Entry(UiText::MarkerEmergencyStop, u"※"),
    Entry(UiText::MarkerParking, u"P"),
    Entry(UiText::MarkerSpeeding, u"#"),
    Entry(UiText::MarkerApproaching, u"D"),
    Entry(UiText::MarkerAssistAcceleration, u"▲"),
    Entry(UiText::MarkerAssistBraking, u"▼"),
    // CSV list
    Entry(UiText::CsvHeaderFileName, u"ファイル名,"),
    Entry(UiText::CsvHeaderDate, u"日付,"),
    Entry(UiText::CsvHeaderStartTime, u"開始時刻,"),
    Entry(UiText::CsvHeaderLength, u"録画時間,"),
    Entry(UiText::CsvHeaderTrigger, u"録画トリガー,"),
    Entry(UiText::CsvHeaderSize, u"録画サイズ,"),
    Entry(UiText::CsvHeaderQuality, u"画質,"),
    Entry(UiText::CsvHeaderFrameRate, u"フレームレート,"),
    Entry(UiText::CsvHeaderFrontSize, u"フロントカメラデータサイズ,"),
    Entry(UiText::CsvHeaderRearSize, u"リヤカメラデータサイズ"),
    Entry(UiText::HighQuality, u"高画質"),
    Entry(UiText::LowQuality, u"低画質"),
    Entry(UiText::TimeLapse, u"タイムラプス"),
    Entry(UiText::SizeSd, u"SD"),
    Entry(UiText::SizeHd, u"HD"),
    Entry(UiText::SizeFhd, u"FHD"),
    Entry(UiText::Size3m, u"3M"),
    Entry(UiText::SizeWqhd, u"WQHD"),
    Entry(UiText::NoDate, u"--/--/--"),
    Entry(UiText::NoTime, u"--:--:--"),
    Entry(UiText::FrameRateFormat, u"%.1ffps"),
    // Source dialog
    Entry(UiText::SourceSdCard, u"SDカード"),
    Entry(UiText::SourceFolder, u"フォルダー"),
    Entry(UiText::SourceFile, u"ファイル"),
    Entry(UiText::BrowseButton, u"..."),
    Entry(UiText::MovieFileFilter, u"Movie Files (*.%1);;All Files (*)"),
    // Recording selection dialog
    Entry(UiText::FileNameColumn, u"ファイル名"),
    Entry(UiText::FrontColumn, u"フロントカメラ"),
    Entry(UiText::RearColumn, u"リヤカメラ"),
    Entry(UiText::ShowAllFiles, u"全てのファイルを表示"),
    Entry(UiText::SelectAllShown, u"表示された全てを選択"),
    Entry(UiText::ZeroMb, u"0 MB"),
    Entry(UiText::RowSizeFormat, u"%llu MB"),
    Entry(UiText::TotalSizeFormat, u"%lld MB"),
    // Settings dialog
    Entry(UiText::DisplayGroup, u"加速度グラフ/マップアイコン表示設定"),
    Entry(UiText::VersionGroup, u"バージョン情報"),
    Entry(UiText::SwitchDriveSupport, u"ドライブサポート"),
    Entry(UiText::SwitchEmergencyStop, u"緊急録画停止"),
    Entry(UiText::SwitchParkingImpact, u"駐車監視衝撃"),
    Entry(UiText::SwitchSpeeding, u"速度超過"),
    Entry(UiText::SwitchApproaching, u"後続車接近"),
    Entry(UiText::VersionFormat, u"version %s"),
    // Update notice
    Entry(UiText::UpdateAvailable, u"新しいバージョンのソフトを利用できます。"),
    Entry(UiText::DownloadHint, u"ダウンロードする場合は下記URLをクリックしてください。"),
    Entry(UiText::FirmwareItem, u"ドライブレコーダー本体"),
    Entry(UiText::ViewerItem, u"ビューワーソフト"),
    Entry(UiText::GpsDataItem, u"GPSデータ情報"),
    Entry(UiText::CurrentVersion, u"現在のバージョン："),
    Entry(UiText::NewVersion, u"更新バージョン："),
    Entry(UiText::UpdateFirstBlock, u"%s\r\n\r\n%s:\r\n%s%s   →   %s%s\r\n\r\nURL : <a href=\"%s\">%s</a>"),
    Entry(UiText::UpdateNextBlock, u"\r\n\r\n\r\n%s:\r\n%s%s   →   %s%s\r\n\r\nURL : <a href=\"%s\">%s</a>"),
    Entry(UiText::UpdateClose, u"閉じる"),
    Entry(UiText::RuntimeMissing, u"地図の表示に必要な Qt WebEngine を起動できません。"),
    Entry(UiText::RuntimeExplanation, u"マップを表示するには Qt WebEngine が必要ですが、次のものが見つからないか、起動できませんでした。"),
    Entry(UiText::RuntimeRemedyFormat, u"%1\r\n\r\nDebian ではパッケージ %2 をインストールしてから、ビューワーを起動し直してください。"),
    // Fonts, progress bar, media errors
    Entry(UiText::FontFace, u"メイリオ"),
    Entry(UiText::ProgressFormat, u"%d %%"),
    Entry(UiText::ErrorNotImplemented, u"E_NOTIMPL"),
    Entry(UiText::ErrorNoInterface, u"E_NOINTERFACE"),
    Entry(UiText::ErrorPointer, u"E_POINTER"),
    Entry(UiText::ErrorNotConnected, u"VFW_E_NOT_CONNECTED"),
    Entry(UiText::ErrorWrongState, u"VFW_E_WRONG_STATE"),
    Entry(UiText::ErrorOutOfMemory, u"E_OUTOFMEMORY"),
    Entry(UiText::ErrorInvalidArgument, u"E_INVALIDARG"),
    Entry(UiText::ErrorUnknown, u"Unknown 0x%x"),
    // Map placeholder
    Entry(UiText::NoConnectionNotice, u"インターネットに接続されていないため\nマップを表示できません。"),
    // Names of controls the design leaves unnamed (accessible names, tooltips)
    Entry(UiText::PositionSliderName, u"再生位置"),
    Entry(UiText::VolumeSliderName, u"音量"),
    Entry(UiText::ProgressBarName, u"処理の進行状況"),
    Entry(UiText::FolderTreeName, u"フォルダー"),
    Entry(UiText::RecordingListName, u"録画ファイル"),
    Entry(UiText::PathFieldName, u"選択中のフォルダーのパス"),
    Entry(UiText::InfoPanelName, u"再生情報"),
    Entry(UiText::GraphName, u"加速度グラフ"),
    Entry(UiText::MainVideoName, u"メイン映像"),
    Entry(UiText::SecondVideoName, u"サブ映像"),
    Entry(UiText::ToolBarName, u"操作ボタン"),
    Entry(UiText::VideoMenuName, u"映像メニュー"),
    Entry(UiText::MapViewName, u"マップ表示"),
    Entry(UiText::LogoName, u"ロゴ"),
    Entry(UiText::DateTimeName, u"日付と時刻"),
    Entry(UiText::SpeedName, u"速度"),
    Entry(UiText::VoltageName, u"電圧"),
    Entry(UiText::GpsName, u"GPS受信状態"),
    Entry(UiText::RecordingKindName, u"録画の種類"),
    Entry(UiText::StatusMarkName, u"録画状態"),
    Entry(UiText::DriveListName, u"ドライブ"),
    Entry(UiText::FolderFieldName, u"フォルダーのパス"),
    Entry(UiText::FileFieldName, u"ファイルのパス"),
    Entry(UiText::FrontTotalName, u"フロントカメラの合計サイズ"),
    Entry(UiText::RearTotalName, u"リヤカメラの合計サイズ"),
    Entry(UiText::VersionTextName, u"バージョン"),
    Entry(UiText::NoticeTextName, u"お知らせ"),
    Entry(UiText::MessageTextName, u"メッセージ"),
    Entry(UiText::GraphClickHint, u"左クリックで前のイベント、右クリックで次のイベントへ移動します"),
    Entry(UiText::ZoomClickHint, u"クリックした場所を拡大します"),
    Entry(UiText::SelectionHint, u"チェックしたファイルが対象になります"),
    Entry(UiText::DialogCloseTip, u"閉じる"),
    Entry(UiText::FilterContinuousTip, u"常時録画を表示する"),
    Entry(UiText::FilterImpactTip, u"衝撃録画を表示する"),
    Entry(UiText::FilterManualTip, u"マニュアル録画を表示する"),
    Entry(UiText::FilterParkingTip, u"駐車録画を表示する"),
    Entry(UiText::FilterParkingImpactTip, u"駐車衝撃録画を表示する"),
    Entry(UiText::FilterApproachingTip, u"後続車接近録画を表示する"),
    Entry(UiText::AxisXTip, u"前後(X軸)のグラフを表示する"),
    Entry(UiText::AxisYTip, u"左右(Y軸)のグラフを表示する"),
    Entry(UiText::AxisZTip, u"上下(Z軸)のグラフを表示する"),
    Entry(UiText::KindImpactLegend, u"衝撃録画があります"),
    Entry(UiText::KindManualLegend, u"マニュアル録画があります"),
    Entry(UiText::KindParkingLegend, u"駐車録画があります"),
    Entry(UiText::KindParkingImpactLegend, u"駐車衝撃録画があります"),
    Entry(UiText::KindSpeedCameraLegend, u"オービスの記録があります"),
    Entry(UiText::KindApproachingLegend, u"後続車接近録画があります"),
    Entry(UiText::SwitchDriveSupportTip, u"ドライブサポートのイベントをグラフとマップに表示する"),
    Entry(UiText::SwitchEmergencyStopTip, u"緊急録画停止のイベントをグラフとマップに表示する"),
    Entry(UiText::SwitchParkingImpactTip, u"駐車監視衝撃のイベントをグラフとマップに表示する"),
    Entry(UiText::SwitchSpeedingTip, u"速度超過のイベントをグラフとマップに表示する"),
    Entry(UiText::SwitchApproachingTip, u"後続車接近のイベントをグラフとマップに表示する"),
    Entry(UiText::SourceSdCardTip, u"SDカードから読み込む"),
    Entry(UiText::SourceFolderTip, u"フォルダーから読み込む"),
    Entry(UiText::SourceFileTip, u"ファイルを1つ開く"),
    Entry(UiText::BrowseFolderTip, u"フォルダーを選択する"),
    Entry(UiText::BrowseFileTip, u"ファイルを選択する"),
    Entry(UiText::VehicleValue1, u"車両値1"),
    Entry(UiText::VehicleValue2, u"車両値2"),
    Entry(UiText::VehicleValue3, u"車両値3"),
    Entry(UiText::VehicleValue4, u"車両値4"),
    Entry(UiText::VehicleValue5, u"車両値5"),
    Entry(UiText::VehicleValueNone, u"表示しない"),
    Entry(UiText::GaugeSlot1, u"メーター1"),
    Entry(UiText::GaugeSlot2, u"メーター2"),
    Entry(UiText::GaugeSlot3, u"メーター3"),
};
// clang-format on

constexpr std::size_t kEntryCount = sizeof(kEntries) / sizeof(kEntries[0]);

// Text by number; every number from 0 to 259 has exactly one entry.
constexpr std::array<std::u16string_view, kUiTextCount> IndexByNumber(int column) {
    std::array<std::u16string_view, kUiTextCount> byNumber{};
    for (const UiTextEntry& entry : kEntries) {
        byNumber[static_cast<std::size_t>(entry.id)] = entry.columns[column];
    }
    return byNumber;
}

constexpr bool EveryNumberOnce() {
    std::array<int, kUiTextCount> seen{};
    for (const UiTextEntry& entry : kEntries) {
        const int number = static_cast<int>(entry.id);
        if (number < 0 || number >= kUiTextCount || seen[number]++ != 0) {
            return false;
        }
    }
    return kEntryCount == kUiTextCount;
}

static_assert(EveryNumberOnce(), "each UI text number 0..259 needs exactly one entry");

constexpr std::array<std::array<std::u16string_view, kUiTextCount>, kUiTextColumns> kByNumber = {
    IndexByNumber(0), IndexByNumber(1)};

std::atomic<int> selectedColumn{0};

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::span<const UiTextEntry> UiTextEntries() {
    return kEntries;
}

int UiTextColumnFor(const QLocale& locale) {
    const bool englishUnitedStates =
        locale.language() == QLocale::English && locale.territory() == QLocale::UnitedStates;
    return englishUnitedStates ? 1 : 0;
}

void SelectUiTextColumn(int column) {
    if (column >= 0 && column < kUiTextColumns) {
        selectedColumn.store(column, std::memory_order_relaxed);
    }
}

int SelectedUiTextColumn() {
    return selectedColumn.load(std::memory_order_relaxed);
}

QString Text(UiText id) {
    return Text(id, SelectedUiTextColumn());
}

QString Text(UiText id, int column) {
    const int number = static_cast<int>(id);
    if (number < 0 || number >= kUiTextCount || column < 0 || column >= kUiTextColumns) {
        return {};
    }
    return ToQString(kByNumber[column][number]);
}

std::optional<UiText> FindUiText(QStringView text) {
    const std::u16string_view wanted(text.utf16(), static_cast<std::size_t>(text.size()));
    for (int number = 0; number < kUiTextCount; ++number) {
        if (kByNumber[0][number] == wanted) {
            return static_cast<UiText>(number);
        }
    }
    return std::nullopt;
}

} // namespace kv
