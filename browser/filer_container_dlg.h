#pragma once

#include "catalogue.h"
#include "recorder_config.h"
#include "settings_store.h"
#include "source_rules.h"
#include "ui_fonts.h"
#include "ui_scale.h"

#include <QPixmap>
#include <QWidget>

#include <array>
#include <memory>

class QLineEdit;
class QTreeWidgetItem;

namespace kv {
class CSkinCheckButton;
}

// The file browser pane of the main window: the folder tree of the source,
// the recording list, the six kind filters and the count of listed
// recordings. It opens a source (a card, a folder or one recording file),
// fills the tree and the list through the catalogue, and watches the source.
namespace kv::browser {

class CFileListCtrl;
class CFolderTreeCtrl;
class CMovieResource;
class VolumeLister;

inline constexpr int kFolderTreeId = 38300;
inline constexpr int kPathEditId = 38500;
inline constexpr int kFilterButtonFirstId = 38700;

enum class BrowserLayout : int {
    Side = 0,    // the tree beside the list
    Stacked = 1, // the tree above the list
};

class CFilerContainerDlg : public QWidget {
    Q_OBJECT

public:
    // fonts: the shared UI fonts (the tree and the list take the 13-point
    // one, the path field, labels and count the 10-point one). volumes lists
    // the removable volumes a card is looked for on.
    CFilerContainerDlg(const UiScale& scale, const UiFonts& fonts, SettingsStore store,
                       QWidget* parent = nullptr);
    ~CFilerContainerDlg() override;

    void SetScale(const UiScale& scale);
    // Where cards are looked for; the system's removable volumes by default.
    void SetVolumeLister(const VolumeLister* volumes);
    const VolumeLister& volumeLister() const { return *volumes_; }

    // -- Layout. Each places the children for the pane's current size; a
    // pane without width is left as it is.
    void SetLayoutMode(BrowserLayout mode);
    BrowserLayout layoutMode() const { return layoutMode_; }
    void LayOut();
    // Shows or hides the tree, the list and the filter buttons.
    void ShowContents(bool shown);
    // While on, the pane shows the zoom-mode picture instead of its contents.
    void SetZoomMode(bool on);
    bool zoomMode() const { return zoomMode_; }
    // The zoom-mode pictures of layouts 0 and 1 (stretched over the pane).
    void SetZoomPictures(std::array<QPixmap, 2> pictures);
    // How much of the pane, from its top, no other window covers: the zoom
    // hint is centred in it (the whole pane until told otherwise).
    void SetOpenHeight(int height);
    // Where the zoom hint's text stands, in the pane's coordinates.
    QRect ZoomHintRect() const;

    // -- Sources.
    // Loads a source. A card scans its folders and groups into the tree and
    // reads the recorder's configuration; a folder becomes the only
    // top-level item; a file (when the engines can open it) is listed alone.
    void OpenSource(const QString& path, SourceKind kind);
    // At start: a card in a removable volume, else the remembered folder,
    // else the remembered file. False when nothing was loaded.
    bool OpenDefaultSource();
    // Selects the folder to start with: the first group of a "Normal" or
    // "Parking" folder, else the first top-level folder.
    bool SelectDefaultFolder();
    // Lists the recordings of the tree's item; returns the number of rows.
    // quiet: the count is not redrawn at once.
    int LoadFolder(QTreeWidgetItem* item, bool quiet = false);
    // Makes index the current and only selected row (the list reports the
    // selection) and scrolls it into view; keep is stored for the caller.
    void SelectRow(int index, int keep = 0);
    int keepFlag() const { return keepFlag_; }
    // Switches kind filter i, refills the list and selects row 0 again.
    void SetKindFilter(int index, bool on);
    // Every recording of the source, scanned afresh.
    const RecordingList& CollectAllRecordings();
    // Forgets the source: tree, list and path emptied.
    void Clear();
    // Reads "DRFormatConfig.dfc" in root; a missing or short file keeps
    // what was read before.
    void ReadRecorderConfig(const QString& root);

    // -- State.
    SourceKind sourceKind() const { return sourceKind_; }
    const QString& sourcePath() const { return sourcePath_; }
    const RecorderConfig& recorder() const { return recorder_; }
    // The shown rows changed because a filter was switched; reading clears it.
    bool TakeFilterChanged();
    bool clearing() const { return clearing_; }
    const RecordingList& allRecordings() const { return allRecordings_; }
    const RecordingList& folderEntries() const { return folderEntries_; }
    Catalogue& catalogue() { return catalogue_; }
    // The folder of the source: the card's root, the folder, or the file's
    // folder ("pvtrace.txt" there enables the voltage).
    QString SourceFolder() const;

    CFolderTreeCtrl* tree() const { return tree_; }
    CFileListCtrl* list() const { return list_; }
    QLineEdit* pathEdit() const { return pathEdit_; }
    CMovieResource* watcher() const { return watcher_.get(); }
    CSkinCheckButton* filterButton(int index) const {
        return filterButtons_[static_cast<std::size_t>(index)];
    }
    // The count text ("12個") and where it is drawn.
    QString CountText() const;
    QRect CountBox() const;

Q_SIGNALS:
    // The tree's selection moved; the main window loads the folder.
    void folderSelected(QTreeWidgetItem* item, QTreeWidgetItem* previous);
    // The list was refilled by a kind filter, before row 0 is selected.
    void listRefilled();
    // The source is gone (reported once per opened source).
    void sourceLost();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateFilterButtons();
    void PlaceSide(const QRect& r);
    void PlaceStacked(const QRect& r);
    void PlaceFilterButtons(const QRect& r);
    QRect FilterLabelBox(int index) const;
    void Watch(const QString& path, SourceKind kind);

    UiScale scale_;
    const UiFonts& fonts_;
    SettingsStore store_;
    std::unique_ptr<VolumeLister> systemVolumes_;
    const VolumeLister* volumes_ = nullptr;
    BrowserLayout layoutMode_ = BrowserLayout::Side;
    CFolderTreeCtrl* tree_ = nullptr;
    CFileListCtrl* list_ = nullptr;
    QLineEdit* pathEdit_ = nullptr;
    std::array<CSkinCheckButton*, 6> filterButtons_{};
    std::unique_ptr<CMovieResource> watcher_;
    Catalogue catalogue_;
    RecordingList allRecordings_;
    RecordingList folderEntries_;
    RecorderConfig recorder_;
    SourceKind sourceKind_ = SourceKind::None;
    QString sourcePath_;
    std::array<QPixmap, 2> zoomPictures_;
    QRect clientRect_;
    int openHeight_ = -1; // -1: the whole pane
    int keepFlag_ = 0;
    bool clearing_ = false;
    bool filterChanged_ = false;
    bool zoomMode_ = false;
    bool contentsShown_ = true;
};

} // namespace kv::browser
