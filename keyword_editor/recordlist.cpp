#include "recordlist.h"

#include "lookup.h"

#include <QKeyEvent>

#include <memory>

namespace korvane {

RecordList::RecordList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideNone);
    setUniformItemSizes(true); // thousands of items stay cheap to lay out
    connect(this, &QListWidget::itemClicked, this, &RecordList::click);
    connect(this, &QListWidget::itemDoubleClicked, this, &RecordList::dblClick);
}

QString RecordList::selectedText() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

QStringList RecordList::texts() const
{
    QStringList result;
    result.reserve(count());
    for (int row = 0; row < count(); ++row)
        result.append(item(row)->text());
    return result;
}

void RecordList::setTexts(const QStringList &sortedItems)
{
    clear();
    addItems(sortedItems);
}

void RecordList::insertSorted(const QString &text)
{
    // The first row whose text sorts after the new one (upper bound).
    int low = 0;
    int high = count();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (db::listItemLess(text, item(middle)->text()))
            high = middle;
        else
            low = middle + 1;
    }
    insertItem(low, text);
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
        emit click();
}

} // namespace korvane
