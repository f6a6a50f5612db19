// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The list of key words shown under the command center's field while the user
// types: those that start with the text, then, below a line, those that contain
// it, each with the first program it starts and how many. Down and Up choose one,
// Enter acts on the chosen word as if it had been typed in full, Escape closes the
// list. It is a window of its own that never takes the keyboard focus: the field
// keeps it, and the list only watches the field's keys.

#include "applicationicons.h"
#include "suggestions.h"

#include <QIcon>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QLineEdit;
class QScrollBar;

namespace korvane {

// The words the command center acts on itself; they are suggested too, marked.
extern const QStringList kReservedWords;

// How a program is shown in lists: a name and an icon.
struct ProgramFace
{
    QIcon icon;
    QString name;
};
// The face of a record's program field (path and arguments): the name and icon
// of the installed application it belongs to, when `icons` knows one; otherwise
// its path and the generic program icon.
ProgramFace programFace(const QString &program, ApplicationIcons *icons = nullptr);

class SuggestionList : public QWidget
{
    Q_OBJECT
public:
    // Suggests the key words of the database in `folder` under `field`; follows
    // the window `field` sits in.
    SuggestionList(const QString &folder, QLineEdit *field);
    ~SuggestionList() override;

    // Reads the database again (after the keyword editor or another process
    // changed it).
    void reload();
    // Shows each program as its installed application where one is known.
    void showApplicationIcons(InstalledApplications &applications);

    // Matches the text again and shows the list, or hides it when nothing matches.
    void updateFor(const QString &typed);

    int rowCount() const { return int(m_matches.count()); }
    // The chosen row, or -1 when none is.
    int currentRow() const { return m_current; }
    const db::Suggestion &suggestionAt(int row) const;
    // The index the list matches against; empty until its first build is done.
    const db::SuggestionSource &source() const { return *m_source; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    bool handleFieldKey(QKeyEvent *event);
    void moveCurrent(int rows);
    void scrollTo(int firstRow);
    void placeUnderField();
    void onIndexChanged();
    int rowHeight() const;
    int visibleRows() const;
    void paintRow(QPainter &painter, const QRect &rect, int row);

    QPointer<QLineEdit> m_field;
    std::unique_ptr<db::SuggestionSource> m_source;
    std::shared_ptr<const db::SuggestionIndex> m_index; // the one m_matches refer to
    db::SuggestionMatches m_matches;
    QScrollBar *m_scrollBar = nullptr;
    int m_current = -1;
    int m_firstShown = 0;
    QIcon m_reservedIcon;
    std::unique_ptr<ApplicationIcons> m_icons;
};

} // namespace korvane
