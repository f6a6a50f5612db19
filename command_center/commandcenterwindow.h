// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command center: a small bar with an emblem, a caption and the key word field.
// Enter acts on the typed text (typedtext.cpp); the pop-up menu offers the other
// windows, the Applications and Key Words submenus and the title-bar switch.

#include "commandcentermenu.h"
#include "databasewatch.h"
#include "keyword.h"
#include "keyworddatabase.h"
#include "lookup.h"
#include "windowdirectory.h"
#include "windowsettings.h"

#include <QString>
#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QMenu;

namespace korvane {

class Platform;

inline const QString kCommandCenterTitle = QStringLiteral("Korvane Command Center");
inline const QString kNoApplicationQuestion = QStringLiteral(
    "There is no application assigned to this Key Word.  Do you wish to add it to your "
    "applications Key Words list?");
inline const QString kRemoveTitleBarCaption = QStringLiteral("&Remove Title Bar");
inline const QString kShowTitleBarCaption = QStringLiteral("&Show Title Bar");

inline constexpr int kHeightWithTitleBarTwips = 1100;
inline constexpr int kHeightWithoutTitleBarTwips = 800;
inline constexpr int kTitleBarShowMoveTwips = 575;
inline constexpr int kWidthTwips = 4020;

class CommandCenterWindow : public QWidget
{
    Q_OBJECT
public:
    CommandCenterWindow(Platform &platform, WindowDirectory windows, QWidget *parent = nullptr);
    ~CommandCenterWindow() override;

    // Applies the saved settings, shows the window and fills the lists and menus.
    void load();
    void loadSettings();
    void saveSettings();

    // Acts on a text as Enter in the key word field does: reserved words, paths,
    // web addresses, then the key word's programs.
    void actOnText(const QString &typed);
    // Starts the programs linked to `keyWord` (asking for a file when it holds
    // "?"), or offers to add it to the database when none is linked.
    void actOnKeyWord(db::KeyWord keyWord);
    // Rebuilds the lists of key words and programs, and with them the submenus.
    // Once loaded, they follow every change of the database, whoever makes it.
    void reloadLists();

    void chooseMenuEntry(MenuEntry entry);
    void removeTitleBar();
    void showTitleBar();

    // Shows the window, restored and in front: a second start asked for it.
    void showRequested();

    // Whether the last key word looked up started anything.
    bool keyWordFound() const { return m_keyWordFound; }
    TitleBarState titleBarState() const { return m_titleBar; }
    qint64 topTwips() const { return m_topTwips; }
    qint64 leftTwips() const { return m_leftTwips; }
    void moveToTwips(qint64 topTwips, qint64 leftTwips);

    QLineEdit *keyWordField() const { return m_keyWordField; }
    QLabel *emblem() const { return m_emblem; }
    QLabel *captionLabel() const { return m_captionLabel; }
    CommandCenterMenu &menu() const { return *m_menu; }
    const db::AvailableLists &lists() const { return m_lists; }

protected:
    // Shows a pop-up menu at a global position and returns when it closes.
    // Overridable so that tests can observe it without a modal loop.
    virtual void showPopupMenu(QMenu *menu, const QPoint &globalPosition);

    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct TypedTextRule;
    static const TypedTextRule kTypedTextRules[];

    void buildControls();
    void onEnterPressed();
    // Starts the programs linked to `keyWord`, first asking for a file when it holds
    // "?" (which is then dropped from it). False when none is linked.
    bool launch(db::KeyWord &keyWord);
    void startProgram(const QString &commandLine);
    void openFolder(const QString &folder);
    void exitProgram();
    void popUpAtClientOrigin(QMenu *menu);
    void ensureListsLoaded();
    void followDatabase();
    void setTitleBar(TitleBarState state);
    void setHeightTwips(int twips);
    void applyHeight();
    bool handleMousePress(QMouseEvent *event, bool leftOpensMenu);
    bool handleMouseMove(QMouseEvent *event);
    void keepShown();

    Platform &m_platform;
    WindowDirectory m_windows;
    db::KeywordDatabase m_database;
    QLineEdit *m_keyWordField = nullptr;
    QLabel *m_emblem = nullptr;
    QLabel *m_captionLabel = nullptr;
    std::unique_ptr<CommandCenterMenu> m_menu;

    db::DatabaseWatch *m_watch = nullptr; // once the lists are loaded; owned by the window
    db::AvailableLists m_lists;
    bool m_listsLoaded = false;
    bool m_reloading = false;   // the lists are being built (they yield to events)
    bool m_reloadAgain = false; // and must be built again when done
    bool m_keyWordFound = false;
    QString m_dialogFileName; // the file-open dialog's last choice
    TitleBarState m_titleBar = TitleBarState::Unset;
    qint64 m_topTwips = 0;
    qint64 m_leftTwips = 0;
    int m_heightTwips = kHeightWithTitleBarTwips;
};

} // namespace korvane
