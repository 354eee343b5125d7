#pragma once

#include "recording_entry.h"
#include "ui_scale.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QStringView>
#include <QTableView>

#include <array>
#include <cstdint>

class QPainter;

// The recording list of the file browser: one row per recording of the folder
// chosen in the tree (front and rear files of a recording share a row), the
// six kind filters, and the hand-off of the selected row to the player.
namespace kv::browser {

// The kind filter switches, in the order of the browser's filter buttons.
enum KindFilterIndex : int {
    kFilterContinuous = 0,
    kFilterImpact = 1,
    kFilterManual = 2,
    kFilterParking = 3,
    kFilterParkingImpact = 4,
    kFilterApproaching = 5,
    kKindFilterCount = 6,
};
// 1 = the kind is shown.
using KindFilter = std::array<std::int32_t, kKindFilterCount>;

// Whether a recording with this row name passes the switches. Each name is
// governed by its most specific kind: an impact recording is not shown by the
// continuous switch although its mode letter is 'A'.
bool PassesKindFilter(QStringView rowName, const KindFilter& filter);
// The entries that pass, in their order.
RecordingList FilterEntries(const RecordingList& entries, const KindFilter& filter);

// The text of a row: for a recording name its kind letters, start time and
// file number joined by hyphens ("AG_S-093000-000101"); for any other name
// everything before its first '.'.
QString RowDisplayText(QStringView rowName);

// Recomputes the entry's unrepaired flags: a damaged file whose repaired copy
// does not exist (yet). Looks at the disk only for damaged files.
void UpdateUnrepaired(RecordingEntry& entry);

// Colours of a row.
struct RowColours {
    QColor background;
    QColor text;
};
// playing: the row is the one being played; impact: the row name is an
// impact recording; unrepaired / damaged: of either file.
RowColours ColoursOfRow(bool playing, bool impact, bool unrepaired, bool damaged);

inline const QColor kListBackground{35, 24, 21};
inline const QColor kRowFrame{136, 136, 136};

// Row geometry in design pixels (times the UI scale on screen).
inline constexpr int kRowHeight = 20;
inline constexpr int kTextIndent = 6;
inline constexpr int kTriggerColumnWidth = 50;
inline constexpr int kRightMargin = 51; // the file-number column is the width minus this

// Width of the file-number column in a list of width clientWidth; never
// negative (a list narrower than the margin gives the column no width).
int FileNoColumnWidth(int clientWidth, const UiScale& scale);

// The rows of the list: the shown entries, two columns, text only in the
// first. Owned by CFileListCtrl.
class RecordingRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordingRowsModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    const RecordingList& entries() const { return entries_; }
    RecordingList& entries() { return entries_; }
    void Reset(RecordingList entries);
    // The entries were changed in place.
    void Changed();

private:
    RecordingList entries_;
};

class CFileListCtrl : public QTableView {
    Q_OBJECT
public:
    explicit CFileListCtrl(QWidget* parent = nullptr);

    // The two columns ("ファイルNo." and "録画トリガー"), the row height and
    // the white base. Called once by the browser after creating the list.
    void InitColumns();
    void SetScale(const UiScale& scale);
    const UiScale& scale() const { return scale_; }

    // Every recording of the folder chosen in the tree; the browser fills it
    // and then calls Refill.
    const RecordingList& allEntries() const { return allEntries_; }
    void SetAllEntries(RecordingList entries) { allEntries_ = std::move(entries); }
    // Empties both sequences (a new source or folder) and the list.
    void Clear();

    const KindFilter& kindFilter() const { return kindFilter_; }
    void SetKindFilter(int index, bool on);
    void SetKindFilter(const KindFilter& filter) { kindFilter_ = filter; }

    // Rebuilds the shown entries from all entries and the kind filter and
    // repaints the list.
    void Refill();
    // Row i of the list shows entry i.
    const RecordingList& shownEntries() const { return model_->entries(); }
    // For commands that renumber, mark or remove entries in place; they call
    // EntriesChanged afterwards.
    RecordingList& mutableShownEntries() { return model_->entries(); }
    RecordingList& mutableAllEntries() { return allEntries_; }
    void EntriesChanged();

    // The row being played; -1 when none. Hides QAbstractItemView's
    // currentIndex(), whose model index the list does not use (reach it as
    // QTableView::currentIndex()).
    int currentIndex() const { return currentIndex_; }
    void SetCurrentIndex(int row);

    // Paints one row into rowBounds (the whole row, frame included at its
    // right and bottom edge). Also refreshes the entry's unrepaired flags.
    void PaintRow(QPainter& painter, int row, const QRect& rowBounds);

Q_SIGNALS:
    // A row became selected (by the user or by the window selecting it); the
    // main window hands it to the player's SelectRecording.
    void recordingSelected(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

private:
    void FitColumns();
    void UpdateScrollBar();

    RecordingRowsModel* model_;
    RecordingList allEntries_;
    KindFilter kindFilter_{};
    int currentIndex_ = -1;
    UiScale scale_;
};

} // namespace kv::browser
