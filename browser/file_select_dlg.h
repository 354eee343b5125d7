#pragma once

#include "recording_entry.h"
#include "selection_rules.h"
#include "skin_dialog.h"

#include <vector>

class QLabel;
class QPushButton;
class QStandardItemModel;

namespace kv {
class CSkinCheckButton;
class CSkinListCtrl;
class MessageSink;
} // namespace kv

namespace kv::browser {

inline constexpr int kFileSelectCloseId = 20;

// The recordings a delete or a join applies to, ticked by the user. Delete
// mode shows the grand total and may switch to every recording of the source;
// join mode keeps the ticks one run of undamaged recordings and refuses OK
// beyond 100 files or 1024 MB per camera.
class CFileSelectDlg : public CSkinDialog {
    Q_OBJECT

public:
    // font: the shared 10-point UI font.
    CFileSelectDlg(const UiScale& scale, const QFont& font, SelectMode mode, MessageSink& messages,
                   QWidget* parent = nullptr);
    ~CFileSelectDlg() override;

    // The listed recordings (the first 1500, with the message when there are
    // more) and, for a delete, every recording of the source (the same).
    void FillSource(const RecordingList& list);
    void FillAllSource(const RecordingList& list);

    SelectMode mode() const { return mode_; }
    const RecordingList& rows() const { return rows_; }
    const RecordingList& selection() const { return selection_; }
    bool ticked(int row) const;
    JoinRun run() const { return run_; }
    const SelectionVerdict& verdict() const { return verdict_; }

    // The user changed row's tick.
    void SetTicked(int row, bool on);
    // The two check boxes were clicked.
    void ToggleShowAll();
    void ToggleSelectAll();
    // OK: refuses a join over the limits with its message, else takes the
    // ticked rows and ends.
    void Confirm();

    CSkinListCtrl* list() const { return list_; }
    QPushButton* okButton() const { return ok_; }
    QLabel* frontTotal() const { return frontTotal_; }
    QLabel* rearTotal() const { return rearTotal_; }
    CSkinCheckButton* showAllCheck() const { return showAll_; }
    CSkinCheckButton* selectAllCheck() const { return selectAll_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Refill();
    void OnRowStateChanged(int row, int oldState, int newState);
    void WriteTicks(const std::vector<bool>& ticks);
    std::vector<bool> Ticks() const;
    void UpdateTotals();
    void PlaceControls();

    UiScale scale_;
    SelectMode mode_;
    MessageSink& messages_;
    RecordingList shownSource_;
    RecordingList allSource_;
    RecordingList rows_;
    RecordingList selection_;
    CSkinListCtrl* list_ = nullptr;
    QStandardItemModel* model_ = nullptr;
    CSkinCheckButton* showAll_ = nullptr;
    CSkinCheckButton* selectAll_ = nullptr;
    QLabel* frontTotal_ = nullptr;
    QLabel* rearTotal_ = nullptr;
    QPushButton* ok_ = nullptr;
    JoinRun run_;
    SelectionVerdict verdict_;
    int updating_ = 0;
};

} // namespace kv::browser
