// The UI text table: the numbers the windows cite, completeness, and every
// text the viewer's windows quote.

#include "ui_texts.h"

#include <QLocale>
#include <QSet>
#include <QString>

#include <gtest/gtest.h>

#include <set>

namespace kv {
namespace {

struct Citation {
    int number;
    const char* text;
};

// Entries cited by number, with the text cited with them.
const Citation kCitations[] = {
    {105, "新しいバージョンのソフトを利用できます。"},
    {106, "更新情報"},
    {112, "メイリオ"},
    {139, "車両情報"},
    {175, "はい"},
    {176, "いいえ"},
    {184, "地図の表示に必要な Qt WebEngine を起動できません。"},
};

TEST(UiTexts, CitedNumbersHoldTheirTexts) {
    for (const Citation& citation : kCitations) {
        SCOPED_TRACE(citation.number);
        for (int column = 0; column < kUiTextColumns; ++column) {
            EXPECT_EQ(Text(static_cast<UiText>(citation.number), column),
                      QString::fromUtf8(citation.text));
        }
    }
}

TEST(UiTexts, TheWebEngineNoticeNamesWhatIsMissingOnThisPlatform) {
    // UI text 185 says what the map needs; 181 takes the missing file and the
    // package that brings it. Nothing of another platform's runtime is left.
    const QString explanation = Text(static_cast<UiText>(185));
    const QString remedy =
        Text(static_cast<UiText>(181)).arg(QStringLiteral("FILE"), QStringLiteral("PACKAGE"));
    EXPECT_TRUE(explanation.contains(QStringLiteral("Qt WebEngine"))) << explanation.toStdString();
    EXPECT_TRUE(remedy.startsWith(QStringLiteral("FILE"))) << remedy.toStdString();
    EXPECT_TRUE(remedy.contains(QStringLiteral("PACKAGE"))) << remedy.toStdString();
    for (const QString& text : {explanation, remedy, Text(static_cast<UiText>(184))}) {
        EXPECT_FALSE(text.contains(QStringLiteral("WebView2"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("Edge"))) << text.toStdString();
    }
}

TEST(UiTexts, EveryNumberHasOneNonEmptyEntryWithEqualColumns) {
    const auto entries = UiTextEntries();
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(kUiTextCount));
    std::set<int> numbers;
    for (const UiTextEntry& entry : entries) {
        const int number = static_cast<int>(entry.id);
        EXPECT_TRUE(numbers.insert(number).second) << "duplicate id " << number;
        EXPECT_GE(number, 0);
        EXPECT_LT(number, kUiTextCount);
        EXPECT_FALSE(entry.columns[0].empty()) << number;
        EXPECT_EQ(entry.columns[0], entry.columns[1]) << number;
    }
    for (int number = 0; number < kUiTextCount; ++number) {
        EXPECT_FALSE(Text(static_cast<UiText>(number), 0).isEmpty()) << number;
        EXPECT_FALSE(Text(static_cast<UiText>(number), 1).isEmpty()) << number;
    }
}

TEST(UiTexts, OutOfRangeRequestsGiveNothing) {
    EXPECT_TRUE(Text(static_cast<UiText>(kUiTextCount)).isEmpty());
    EXPECT_TRUE(Text(static_cast<UiText>(-1)).isEmpty());
    EXPECT_TRUE(Text(UiText::ErrorCaption, 2).isEmpty());
}

TEST(UiTexts, ColumnFollowsTheUsersLanguage) {
    struct Case {
        QLocale locale;
        int column;
    };
    const Case cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), 1},
        {QLocale(QLocale::Japanese, QLocale::Japan), 0},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), 0},
        {QLocale(QLocale::German, QLocale::Germany), 0},
        {QLocale::c(), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UiTextColumnFor(c.locale), c.column) << c.locale.name().toStdString();
    }
}

TEST(UiTexts, SelectedColumnIsKeptAndOutOfRangeColumnsIgnored) {
    const int before = SelectedUiTextColumn();
    SelectUiTextColumn(1);
    EXPECT_EQ(SelectedUiTextColumn(), 1);
    SelectUiTextColumn(7);
    EXPECT_EQ(SelectedUiTextColumn(), 1);
    SelectUiTextColumn(-1);
    EXPECT_EQ(SelectedUiTextColumn(), 1);
    SelectUiTextColumn(0);
    EXPECT_EQ(SelectedUiTextColumn(), 0);
    SelectUiTextColumn(before);
}

// Every text the windows quote as shown to the user: messages, captions,
// titles, labels, tooltips, menu items, list and CSV headings, placeholders.
const char* const kQuotedTexts[] = {
    // messages and captions
    "ERROR",
    "確認",
    "終了",
    "キャンセル",
    "はい",
    "いいえ",
    "完了しました。",
    "同名のファイルが存在します。続行しますか？",
    "動画のオープンに失敗しました。",
    "録画時間が短いため再生できません。",
    "ファイルが破損しています。修復して再生しますか？",
    "破損が修復された一時ファイルがあります。消去の前に整理して保存しますか？",
    "動画の連結に失敗しました。",
    "動画ファイルの削除に失敗しました。",
    "動画ファイルがありません。",
    "CSVファイルが作成できません。",
    "画像の保存に失敗しました。",
    "表示数が1500を超えています。1500項目表示します。",
    "フォルダパスの取得に失敗しました。",
    "サイズオーバーです。",
    "ファイル数を減らしてください。",
    "コーデックとスプリッターをインストールしてください。",
    // folder choosers
    "移動先フォルダーを選択してください。",
    "バックアップフォルダーを選択してください。",
    "出力先フォルダーを選択してください。",
    "動画フォルダーを選択してください。",
    // tool bar, caption buttons, video menu
    "先頭",
    "前",
    "再生",
    "一時停止",
    "スロー",
    "早送り",
    "次",
    "静止画",
    "結合",
    "拡大",
    "正像/鏡像",
    "マップ表示切替",
    "参照",
    "削除",
    "設定",
    "CSV",
    "表示切替",
    "閉じる",
    "縮小",
    "最小化",
    "停止",
    "フルスクリーン（縦横比を維持）",
    "フルスクリーン（ストレッチ）",
    // window titles
    "Kolvista",
    "リヤカメラ",
    "フロントカメラ",
    "マップ",
    "車両情報",
    "参照先",
    "動画連結",
    "次へ",
    "更新情報",
    // information panel
    "再生速度x1.0",
    "再生速度x2.0",
    "再生速度x4.0",
    "再生速度x0.5",
    "再生速度x0.25",
    "前後(X軸)",
    "左右(Y軸)",
    "上下(Z軸)",
    "OFF",
    "km/h",
    "V",
    "%.2fG",
    "-0.00G",
    "0000/00/00 00:00:00",
    // video panels and file browser
    "リヤカメラの動画データがありません",
    "フロントカメラの動画データがありません",
    "拡大モードです\n\n拡大したい場所を\nクリックしてください",
    "%d個",
    "ファイルNo.",
    "録画トリガー",
    // trigger labels
    "常時",
    "オービス",
    "駐車タイムラプス",
    "後続車接近",
    "マニュアル",
    "衝撃",
    "駐車",
    "駐車衝撃",
    "常時タイムラプス",
    // event labels and graph markers
    "急加速",
    "急ブレーキ",
    "急ハンドル",
    "急下降",
    "急上昇",
    "マニュアル録画",
    "緊急録画停止",
    "駐車監視",
    "速度超過",
    "ドライブサポート\u3000急ハンドル",
    "ドライブサポート\u3000急加速",
    "ドライブサポート\u3000急ブレーキ",
    "G",
    "M",
    "※",
    "P",
    "#",
    "D",
    "▲",
    "▼",
    // CSV list
    "ファイル名,",
    "日付,",
    "開始時刻,",
    "録画時間,",
    "録画トリガー,",
    "録画サイズ,",
    "画質,",
    "フレームレート,",
    "フロントカメラデータサイズ,",
    "リヤカメラデータサイズ",
    "高画質",
    "低画質",
    "タイムラプス",
    "SD",
    "HD",
    "FHD",
    "3M",
    "WQHD",
    "--/--/--",
    "--:--:--",
    // source and selection dialogs
    "SDカード",
    "フォルダー",
    "ファイル",
    "...",
    "ファイル名",
    "全てのファイルを表示",
    "表示された全てを選択",
    "0 MB",
    // settings and update
    "加速度グラフ/マップアイコン表示設定",
    "バージョン情報",
    "ドライブサポート",
    "駐車監視衝撃",
    "version %s",
    "新しいバージョンのソフトを利用できます。",
    "ダウンロードする場合は下記URLをクリックしてください。",
    "ドライブレコーダー本体",
    "ビューワーソフト",
    "GPSデータ情報",
    "現在のバージョン：",
    "更新バージョン：",
    "地図の表示に必要な Qt WebEngine を起動できません。",
    "%s\r\n\r\n%s:\r\n%s%s   →   %s%s\r\n\r\nURL : <a href=\"%s\">%s</a>",
    "\r\n\r\n\r\n%s:\r\n%s%s   →   %s%s\r\n\r\nURL : <a href=\"%s\">%s</a>",
    // fonts, progress bar, media errors
    "メイリオ",
    "%d %%",
    "E_NOTIMPL",
    "E_NOINTERFACE",
    "E_POINTER",
    "VFW_E_NOT_CONNECTED",
    "VFW_E_WRONG_STATE",
    "E_OUTOFMEMORY",
    "E_INVALIDARG",
    "Unknown 0x%x",
};

TEST(UiTexts, EveryQuotedTextIsInTheTable) {
    for (const char* quoted : kQuotedTexts) {
        const QString text = QString::fromUtf8(quoted);
        EXPECT_TRUE(FindUiText(text).has_value()) << "missing: " << quoted;
    }
}

TEST(UiTexts, FindGivesTheLowestNumberOfAText) {
    // "拡大" is both the zoom tooltip and the maximise tooltip.
    const auto found = FindUiText(QString::fromUtf8("拡大"));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, UiText::ZoomTip);
    EXPECT_FALSE(FindUiText(u"no such text").has_value());
}

TEST(UiTexts, FormatsProduceTheShownTexts) {
    const auto format = [](UiText id) { return Text(id).toUtf8(); };
    EXPECT_EQ(QString::asprintf(format(UiText::ProgressFormat).constData(), 50),
              QStringLiteral("50 %"));
    EXPECT_EQ(QString::asprintf(format(UiText::RowCount).constData(), 12),
              QString::fromUtf8("12個"));
    EXPECT_EQ(QString::asprintf(format(UiText::AccelFormat).constData(), -0.25),
              QStringLiteral("-0.25G"));
    EXPECT_EQ(QString::asprintf(format(UiText::TotalSizeFormat).constData(), 1025LL),
              QStringLiteral("1025 MB"));
    EXPECT_EQ(Text(UiText::MovieFileFilter).arg(QStringLiteral("avi")),
              QStringLiteral("Movie Files (*.avi);;All Files (*)"));
}

} // namespace
} // namespace kv
