#pragma once

// A sorted list box whose items carry a Keyword record number at their end,
// pushed out of sight by spaces: no horizontal scrolling, no eliding.

#include <QListWidget>
#include <QStringList>

namespace korvane {

class RecordList : public QListWidget
{
    Q_OBJECT
public:
    explicit RecordList(QWidget *parent = nullptr);

    // The selected item's text, empty when nothing is selected.
    QString selectedText() const;
    QStringList texts() const;

    // Replaces the contents with `sortedItems`, already in list order.
    void setTexts(const QStringList &sortedItems);
    // Inserts `item` at its place in alphabetical order.
    void insertSorted(const QString &item);
    void removeSelected();

signals:
    // A mouse click on an item, or the selection moved with the keyboard.
    void click();
    // A double-click on an item.
    void dblClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace korvane
