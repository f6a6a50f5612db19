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

inline const QString kLinkBuilderTitle = QStringLiteral("Korvane Link Builder");
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
    // KeyWord field, and shows it in front.
    void Show(const QString &keyWord = {});
    bool isLoaded() const { return m_loaded; }

    // --- procedures -------------------------------------------------------------
    void Form_Load();
    void Form_Unload();
    void Clear_Screen();
    void Clear_Keyword();
    void Display_Application(qint32 recordNumber);
    void Show_Available_Applications();
    void Search_Applications_Indexed(const QString &AppName, const QString &Extension);

    // --- events -----------------------------------------------------------------
    void exit_Click();
    void Reindex_Click();
    void Mnu_Help_Click();
    void MenuItem_Click(int index);
    void SSCommand2_Click();
    void GetProgramButton_Click();
    void AddKeyWordButton_Click();
    void DeleteKeyWordButton_Click();
    // Enter (13) acts; other keys are typed as usual.
    void ProgramName_KeyPress(int keyAscii);
    void KeyWord_KeyPress(int keyAscii);
    void AvailableApplications_Click();
    void AvailableApplications_DblClick();
    void KeywordsAlreadyUsed_Click();
    void KeywordsAlreadyUsed_DblClick();
    void KeyWordList_DblClick();
    void Image1_MouseDown(Qt::MouseButton button, const QPoint &globalPosition);

    // --- controls, for the tutorial and for tests ---------------------------------
    QLineEdit *keyWordField() const { return m_keyWord; }
    QLineEdit *programNameField() const { return m_programName; }
    RecordList *availableApplications() const { return m_availableApplications; }
    RecordList *keywordsAlreadyUsed() const { return m_keywordsAlreadyUsed; }
    RecordList *keyWordList() const { return m_keyWordList; }
    QLabel *label1() const { return m_label1; }
    QLabel *label5() const { return m_label5; }
    QLabel *image1() const { return m_image1; }
    QMenu *floatingMenu() const { return m_floatingMenu; }

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
    void runKeyWord(const db::RecordItem &item);
    // Plays the spoken prompt, then shows the message while it plays.
    void promptAndTell(const QString &wave, const QString &message);

    Platform &m_platform;
    KeywordEditorHooks m_hooks;
    db::KeywordDatabase m_database;
    QString m_dialogFileName; // CommonDialog1's file name, kept between uses
    bool m_loaded = false;

    QLineEdit *m_keyWord = nullptr;
    QLineEdit *m_programName = nullptr;
    RecordList *m_availableApplications = nullptr;
    RecordList *m_keywordsAlreadyUsed = nullptr;
    RecordList *m_keyWordList = nullptr;
    QToolButton *m_getProgramButton = nullptr;
    QToolButton *m_ssCommand2 = nullptr;
    QToolButton *m_addKeyWordButton = nullptr;
    QToolButton *m_deleteKeyWordButton = nullptr;
    QLabel *m_image1 = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_label5 = nullptr;
    QAction *m_reindex = nullptr;
    QAction *m_exit = nullptr;
    QAction *m_help = nullptr;
    QMenu *m_floatingMenu = nullptr; // owned by the window
};

} // namespace korvane
