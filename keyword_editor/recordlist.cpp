// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordlist.h"

#include <QKeyEvent>

#include <memory>

namespace korvane {

namespace {

constexpr int kRecordNumberRole = Qt::UserRole;
constexpr int kTextRole = Qt::UserRole + 1;

QListWidgetItem *makeRow(const db::RecordItem &item)
{
    auto *row = new QListWidgetItem(item.shown);
    row->setData(kRecordNumberRole, item.recordNumber);
    row->setData(kTextRole, item.text);
    return row;
}

db::RecordItem itemOf(const QListWidgetItem *row)
{
    return {row->data(kTextRole).toString(), row->data(kRecordNumberRole).toInt(), row->text()};
}

} // namespace

RecordList::RecordList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideNone);
    setUniformItemSizes(true); // thousands of items stay cheap to lay out
    connect(this, &QListWidget::itemClicked, this, &RecordList::entryClicked);
    connect(this, &QListWidget::itemDoubleClicked, this, &RecordList::entryDoubleClicked);
}

db::RecordItem RecordList::selectedItem() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? db::RecordItem() : itemOf(selected.first());
}

QList<db::RecordItem> RecordList::items() const
{
    QList<db::RecordItem> result;
    result.reserve(count());
    for (int row = 0; row < count(); ++row)
        result.append(itemOf(item(row)));
    return result;
}

void RecordList::setItems(const QList<db::RecordItem> &sortedItems)
{
    clear();
    for (const db::RecordItem &entry : sortedItems)
        addItem(makeRow(entry));
}

void RecordList::insertSorted(const db::RecordItem &entry)
{
    // The first row whose entry sorts after the new one (upper bound).
    int low = 0;
    int high = count();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (db::itemLess(entry, itemOf(item(middle))))
            high = middle;
        else
            low = middle + 1;
    }
    insertItem(low, makeRow(entry));
}

void RecordList::removeSelected()
{
    const QList<QListWidgetItem *> selected = selectedItems();
    if (!selected.isEmpty())
        std::unique_ptr<QListWidgetItem>(takeItem(row(selected.first())));
}

void RecordList::keyPressEvent(QKeyEvent *event)
{
    const QListWidgetItem *before = currentItem();
    QListWidget::keyPressEvent(event);
    if (currentItem() != before && currentItem() != nullptr)
        emit entryClicked();
}

} // namespace korvane
