// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A searchable list of the desktop's installed applications: icon, name and
// description. Typing filters by name and description (names that start with the
// text first, then names that hold it, then descriptions); Up, Down, Page Up and
// Page Down move through the list from the search field; Enter or a double click
// chooses; Escape cancels.

#include "platform.h"

#include <QDialog>
#include <QList>

#include <functional>

class QLabel;
class QLineEdit;
class QListView;

namespace korvane {

class ApplicationListModel;

inline const QString kApplicationPickerTitle = QStringLiteral("Installed Applications");

class ApplicationPicker : public QDialog
{
    Q_OBJECT
public:
    explicit ApplicationPicker(QList<InstalledApplication> applications, QWidget *parent = nullptr);
    ~ApplicationPicker() override;

    // Opens a picker over `parent` (modal to it, not waited for) with the
    // platform's applications; `chosen` is called when one is chosen. The picker
    // deletes itself when it closes.
    static ApplicationPicker *open(Platform &platform, QWidget *parent,
                                   std::function<void(const InstalledApplication &)> chosen);

    QLineEdit *searchField() const { return m_searchField; }
    QListView *listView() const { return m_listView; }
    // The names shown now, top to bottom.
    QStringList shownNames() const;

signals:
    void applicationChosen(const InstalledApplication &application);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onSearchTextChanged(const QString &text);
    void chooseCurrent();

    ApplicationListModel *m_model = nullptr;
    QLineEdit *m_searchField = nullptr;
    QListView *m_listView = nullptr;
    QLabel *m_emptyLabel = nullptr;
};

} // namespace korvane
