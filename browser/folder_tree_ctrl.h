#pragma once

#include "catalogue.h"
#include "ui_scale.h"

#include <QPixmap>
#include <QTreeWidget>

// The folder tree of the file browser: the folders and groups of the source,
// each group with an icon of the kinds of recording it holds.
namespace kv::browser {

class CFolderTreeCtrl : public QTreeWidget, public CatalogueTree {
    Q_OBJECT

public:
    explicit CFolderTreeCtrl(QWidget* parent = nullptr);

    void SetScale(const UiScale& scale);

    // Prefixed to every item's path (empty for none).
    const QString& rootPath() const { return rootPath_; }
    void SetRootPath(const QString& path) { rootPath_ = path; }

    // The folder an item stands for: the root path, then the texts of its
    // ancestors and its own, joined by the separator. Empty for no item.
    QString ItemPath(const QTreeWidgetItem* item) const;
    // Number of ancestors of item.
    static int Depth(const QTreeWidgetItem* item);
    static int KindMaskOf(const QTreeWidgetItem* item);
    // The next item at the same level under the same parent, `steps` on.
    static QTreeWidgetItem* SiblingAfter(QTreeWidgetItem* item, int steps);

    // Expands item and every following sibling.
    void ExpandFrom(QTreeWidgetItem* item);
    // Selects every top-level item after the first in turn, then nothing,
    // then the first, so that each top-level folder is loaded once.
    void SelectEachTopLevel();
    // Makes item the selection (null: none). Each change is reported with
    // folderSelected.
    void SelectItem(QTreeWidgetItem* item);

    // -- What the catalogue fills the tree through.
    TreeItem AppendItem(TreeItem parent, const QString& text) override;
    int ItemCount() const override { return itemCount_; }
    void SetItemData(TreeItem item, int data) override;
    static QTreeWidgetItem* ItemOf(TreeItem item) {
        return reinterpret_cast<QTreeWidgetItem*>(item);
    }
    static TreeItem HandleOf(QTreeWidgetItem* item) { return reinterpret_cast<TreeItem>(item); }

    // Deletes every item.
    void DeleteAll();
    // Deletes the children of item.
    void DeleteChildren(QTreeWidgetItem* item);

    int rowHeight() const { return rowHeight_; }
    // The kind icon of a mask: the empty slots, then one mark per kind.
    QPixmap KindIcon(int mask) const;

Q_SIGNALS:
    // The selection moved from previous to item (either may be null).
    void folderSelected(QTreeWidgetItem* item, QTreeWidgetItem* previous);

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    void UpdateRowHeight();

    QString rootPath_;
    UiScale scale_;
    int rowHeight_ = 18;
    int itemCount_ = 0;
    QPixmap slots_;
    std::vector<std::pair<int, QPixmap>> marks_;
    QTreeWidgetItem* selected_ = nullptr;
};

} // namespace kv::browser
