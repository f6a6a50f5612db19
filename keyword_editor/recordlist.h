// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A sorted list of entries that stand for Keyword records. Each row shows the
// item's padded text and carries its record number and trimmed text as item data;
// nothing is read back from what is shown.

#include "lookup.h"

#include <QListWidget>

namespace korvane {

class RecordList : public QListWidget
{
    Q_OBJECT
public:
    explicit RecordList(QWidget *parent = nullptr);

    // The selected entry; an empty one (record 0) when nothing is selected.
    db::RecordItem selectedItem() const;
    QList<db::RecordItem> items() const;

    // Replaces the contents with `sortedItems`, already in list order.
    void setItems(const QList<db::RecordItem> &sortedItems);
    // Inserts `item` at its place in alphabetical order.
    void insertSorted(const db::RecordItem &item);
    void removeSelected();

signals:
    // A mouse click on an item, or the selection moved with the keyboard.
    void entryClicked();
    // A double-click on an item.
    void entryDoubleClicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace korvane
