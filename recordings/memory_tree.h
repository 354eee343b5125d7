#pragma once

#include "catalogue.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kv {

// A folder tree held in memory, as the catalogue fills it: for the command
// line and the tests.
class MemoryTree : public CatalogueTree {
public:
    struct Node {
        TreeItem parent;
        QString text;
        int data = 0;
    };

    TreeItem AppendItem(TreeItem parent, const QString& text) override {
        nodes.push_back({parent, text, 0});
        return nodes.size();
    }
    int ItemCount() const override { return static_cast<int>(nodes.size()); }
    void SetItemData(TreeItem item, int data) override { nodes.at(item - 1).data = data; }

    const Node& At(TreeItem item) const { return nodes.at(item - 1); }
    std::vector<TreeItem> Children(TreeItem parent) const {
        std::vector<TreeItem> items;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i].parent == parent) {
                items.push_back(i + 1);
            }
        }
        return items;
    }
    // "text[mask]" of every item, indented by depth, in insertion order under each parent.
    QStringList Dump(TreeItem parent = kTreeRoot, int depth = 0) const {
        QStringList lines;
        for (TreeItem item : Children(parent)) {
            lines << QString(depth * 2, u' ') + At(item).text +
                         QStringLiteral("[%1]").arg(At(item).data, 0, 16);
            lines << Dump(item, depth + 1);
        }
        return lines;
    }

    std::vector<Node> nodes;
};

} // namespace kv
