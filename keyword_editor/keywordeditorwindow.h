// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The keyword editor "Korvane Link Builder": links key words to programs, lists
// the programs and key words of the database, deletes key words and rebuilds the
// indexes. The database work itself is done by database/; this window shows it.

#include "keyworddatabase.h"
#include "keywordeditorhooks.h"
#include "lookup.h"

#include <QMainWindow>
#include <QString>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;

namespace korvane {

class Platform;
class RecordList;

inline const QString kKeywordEditorTitle = QStringLiteral("Korvane Link Builder");
inline const QString kNoAppMessage = QStringLiteral(
    "Oops! Ha Ha... You didn't select an application to start with your KeyWord.  I'll put "
    "your cursor there for you now!\r\rTo select the application you want to start.  Just "
    "click the little folder!");
inline const QString kNoKeyWordMessage = QStringLiteral(
    "Oops!  You forgot to put a KeyWord into the KeyWord Field.  I'll put your cursor there "
    "for you now!\r\rWhen you're done entering your KeyWord then just press enter, or click "
    "the arrow button.");
inline const QString kSelectToDeleteMessage = QStringLiteral(
    "Please select a KeyWord to delete from the list to the left, and then click the delete "
    "button.");

// Each followed by the file and the reason.
inline const QString kNotAddedMessage =
    QStringLiteral("The KeyWord was not added; nothing was written.\r\r");
inline const QString kNotDeletedMessage = QStringLiteral("The KeyWord was not deleted.\r\r");
inline const QString kNotReindexedMessage =
    QStringLiteral("The KeyWords were not reindexed; the index is as it was.\r\r");
// %1 the path, %2 its twin.
inline const QString kCaseTwinQuestion = QStringLiteral(
    "%1 has a twin that differs only in letter case:\r%2\r\rKorvane stores the Application "
    "Path in capitals and cannot tell the two apart, so the KeyWord may start either of them. "
    "Link it anyway?");

// Followed by a blank and the characters that cannot be stored, each once.
inline const QString kNotRepresentableMessage = QStringLiteral(
    "The KeyWord and the Application Path can only hold characters of the Western European "
    "(Windows-1252) character set. Please replace these characters:");

inline const QString kNoAppWave = QStringLiteral("NoApp.Wav");
inline const QString kNoKeyWordWave = QStringLiteral("NoKeyWord.Wav");
inline const QString kDeleteWave = QStringLiteral("Delete.Wav");

class KeywordEditorWindow : public QMainWindow
{
    Q_OBJECT
public:
    KeywordEditorWindow(Platform &platform, KeywordEditorHooks hooks = {},
                        QWidget *parent = nullptr);
    ~KeywordEditorWindow() override;

    // Loads the window if it is not loaded, puts a non-empty `keyWord` into the
    // key word field, and shows it in front with that field focused.
    void showWithKeyWord(const QString &keyWord = {});
    // Fills the lists and counts without showing the window, as the tutorial
    // needs when it points at the key word field of an editor never opened.
    void load();
    bool isLoaded() const { return m_loaded; }

    // Controls, for the tutorial and for tests.
    QLineEdit *keyWordField() const { return m_keyWordField; }
    QLineEdit *programPathField() const { return m_programPathField; }
    RecordList *applicationsList() const { return m_applicationsList; }
    RecordList *usedKeyWordsList() const { return m_usedKeyWordsList; }
    RecordList *programKeyWordsList() const { return m_programKeyWordsList; }
    QLabel *applicationCountLabel() const { return m_applicationCountLabel; }
    QLabel *usedKeyWordsLabel() const { return m_usedKeyWordsLabel; }
    QLabel *guideFace() const { return m_guideFace; }
    QMenu *guideMenu() const { return m_guideMenu; }

signals:
    // The window was unloaded (closed); its contents are gone.
    void unloaded();

protected:
    // Shows a pop-up menu and returns when it closes; tests observe it instead.
    virtual void showPopupMenu(QMenu *menu, const QPoint &globalPosition);

    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void connectEvents();

    void unload();
    // Fills the programs and the used key words from the record file, with their
    // counts. False, with the lists as they were, when it cannot be read.
    bool fillAvailableLists();
    // Another process, or another window, changed the database: the lists show it.
    // This window's own changes leave them as it made them.
    void followDatabase();
    // Empties both fields and the program's key words: ready for another program.
    void clearForNextProgram();
    void showProgramOfRecord(qint32 recordNumber);
    void listKeyWordsOfProgram(const QString &program);

    void addKeyWord();
    void deleteSelectedKeyWord();
    void rebuildIndexes();
    // The folder button: a cleared window, then the file dialog.
    void chooseProgram();
    // Enter in the path field: the file dialog, preset with the typed path.
    void browseFromTypedPath();
    // The button beside the folder: a list of the desktop's installed applications.
    void pickInstalledApplication();
    void onApplicationClicked();
    void startSelectedApplication();
    void onUsedKeyWordClicked();
    // A double-clicked key word is acted on as if typed in the command center.
    void runSelectedKeyWord(const RecordList *list);
    void onGuideFacePressed(Qt::MouseButton button, const QPoint &globalPosition);
    void startTutorial();
    void stopTutorial();
    // Plays the spoken prompt, then shows the message while it plays.
    void promptAndTell(const QString &wave, const QString &message);
    // A message, then the file and the reason the database gave.
    void tellFailure(const QString &message);

    Platform &m_platform;
    KeywordEditorHooks m_hooks;
    db::KeywordDatabase m_database;
    QString m_dialogFileName; // the file dialog's name, kept between uses
    bool m_loaded = false;

    QLineEdit *m_keyWordField = nullptr;
    QLineEdit *m_programPathField = nullptr;
    RecordList *m_applicationsList = nullptr;
    RecordList *m_usedKeyWordsList = nullptr;
    RecordList *m_programKeyWordsList = nullptr;
    QToolButton *m_browseButton = nullptr;
    QToolButton *m_installedApplicationsButton = nullptr;
    QToolButton *m_clearButton = nullptr;
    QToolButton *m_addButton = nullptr;
    QToolButton *m_deleteButton = nullptr;
    QLabel *m_guideFace = nullptr;
    QLabel *m_applicationCountLabel = nullptr;
    QLabel *m_usedKeyWordsLabel = nullptr;
    QAction *m_reindexAction = nullptr;
    QAction *m_exitAction = nullptr;
    QAction *m_helpAction = nullptr;
    QMenu *m_guideMenu = nullptr; // owned by the window
};

} // namespace korvane
