#include "keywordeditorwindow.h"

#include "appfolder.h"
#include "lookup.h"
#include "maintenance.h"
#include "numbertext.h"
#include "platform.h"
#include "recordlist.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace korvane {

namespace {

// Holds the busy cursor for one scope.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace

KeywordEditorWindow::KeywordEditorWindow(Platform &platform, KeywordEditorHooks hooks,
                                         QWidget *parent)
    : QMainWindow(parent)
    , m_platform(platform)
    , m_hooks(std::move(hooks))
    , m_database(applicationFolder())
{
    setWindowTitle(kLinkBuilderTitle);
    // The program's end is decided by the command center, not by this window.
    setAttribute(Qt::WA_QuitOnClose, false);
    buildControls();
    buildMenus();
    connectEvents();
}

KeywordEditorWindow::~KeywordEditorWindow() = default;

void KeywordEditorWindow::Show(const QString &keyWord)
{
    if (!m_loaded)
        Form_Load();
    if (!keyWord.isEmpty())
        m_keyWord->setText(keyWord);
    show();
    raise();
    activateWindow();
    m_keyWord->setFocus();
}

void KeywordEditorWindow::Form_Load()
{
    m_loaded = true;
    // Sized before it is shown, so that no later resize moves it from the corner.
    adjustSize();
    move(0, 0);
    {
        const BusyCursor busy;
        m_platform.events().doEvents();
        Show_Available_Applications();
    }
    m_label1->setText(numberText(m_availableApplications->count()) +
                      QStringLiteral(" Applications"));
}

void KeywordEditorWindow::Form_Unload()
{
    {
        const BusyCursor busy;
        m_platform.events().doEvents();
        KeywordEditorHooks::call(m_hooks.reloadCommandCenterLists);
        m_platform.events().doEvents();
    }
    // An unloaded window keeps nothing; the next showing loads it afresh.
    m_loaded = false;
    m_keyWord->clear();
    m_programName->clear();
    m_availableApplications->clear();
    m_keywordsAlreadyUsed->clear();
    m_keyWordList->clear();
    m_label1->clear();
    m_label5->setText(QStringLiteral("Keywords Already Used"));
    m_dialogFileName.clear();
    emit unloaded();
}

void KeywordEditorWindow::closeEvent(QCloseEvent *event)
{
    if (m_loaded)
        Form_Unload();
    event->accept();
}

void KeywordEditorWindow::Clear_Screen()
{
    m_programName->clear();
    m_keyWord->clear();
    m_keyWordList->clear();
}

void KeywordEditorWindow::Clear_Keyword()
{
    m_keyWord->clear();
}

void KeywordEditorWindow::Display_Application(qint32 recordNumber)
{
    // A record that cannot be read leaves the path as it is.
    const std::optional<db::KeywordRecord> record = m_database.record(recordNumber);
    if (record)
        m_programName->setText(db::trimSpaces(record->program));
}

void KeywordEditorWindow::Show_Available_Applications()
{
    const db::AvailableLists lists = db::buildAvailableLists(m_database);
    m_availableApplications->setItems(lists.applications);
    m_keywordsAlreadyUsed->setItems(lists.keyWords);
    m_label5->setText(QStringLiteral("Keywords Already Used - ") +
                      numberText(m_keywordsAlreadyUsed->count()));
}

void KeywordEditorWindow::Search_Applications_Indexed(const QString &AppName,
                                                      const QString &Extension)
{
    // The application index is always the ".apx" file, whatever the caller passes.
    Q_UNUSED(Extension);
    if (db::trimSpaces(AppName).isEmpty())
        return;
    m_keyWordList->clear();
    for (const db::IndexHit &hit : m_database.findApplication(AppName))
        m_keyWordList->insertSorted(db::keyWordOfApplicationItem(hit.record, hit.recordNumber));
    m_platform.events().doEvents();
}

void KeywordEditorWindow::exit_Click()
{
    close();
}

void KeywordEditorWindow::Reindex_Click()
{
    m_database.rebuildIndexes();
}

void KeywordEditorWindow::Mnu_Help_Click()
{
    KeywordEditorHooks::call(m_hooks.showTutorial);
}

void KeywordEditorWindow::MenuItem_Click(int index)
{
    if (index == 1)
        KeywordEditorHooks::call(m_hooks.showTutorial);
    else if (index == 2)
        KeywordEditorHooks::call(m_hooks.closeTutorial);
}

void KeywordEditorWindow::SSCommand2_Click()
{
    Clear_Screen();
}

void KeywordEditorWindow::GetProgramButton_Click()
{
    Clear_Screen();
    // A cancelled dialog gives back the name it held before: the last choice.
    m_platform.dialogs().openFileName(m_dialogFileName);
    m_programName->setText(m_dialogFileName);
}

void KeywordEditorWindow::ProgramName_KeyPress(int keyAscii)
{
    if (keyAscii != 13)
        return;
    // Preset with the typed path, so a cancelled dialog keeps it.
    m_dialogFileName = m_programName->text();
    m_platform.dialogs().openFileName(m_dialogFileName);
    m_programName->setText(m_dialogFileName);
}

void KeywordEditorWindow::KeyWord_KeyPress(int keyAscii)
{
    if (keyAscii == 13)
        AddKeyWordButton_Click();
}

void KeywordEditorWindow::AddKeyWordButton_Click()
{
    const db::AddResult result =
        db::addKeyWord(m_database, m_keyWord->text(), m_programName->text());
    switch (result.outcome) {
    case db::AddOutcome::Added:
        m_keyWordList->insertSorted(result.listItem);
        m_keywordsAlreadyUsed->insertSorted(result.listItem);
        Clear_Keyword();
        break;
    case db::AddOutcome::MissingProgram:
        promptAndTell(kNoAppWave, kNoAppMessage);
        m_programName->setFocus();
        break;
    case db::AddOutcome::MissingKeyWord:
        promptAndTell(kNoKeyWordWave, kNoKeyWordMessage);
        m_keyWord->setFocus();
        break;
    case db::AddOutcome::NotRepresentable:
        m_platform.dialogs().messageBox(kNotRepresentableMessage + u' ' + result.unstorable,
                                        MessageButtons::Ok);
        break; // nothing was written; the fields stay for the user to correct
    case db::AddOutcome::WriteFailed:
        break;
    }
}

void KeywordEditorWindow::DeleteKeyWordButton_Click()
{
    const qint32 recordNumber = m_keyWordList->selectedItem().recordNumber;
    if (recordNumber == 0) {
        promptAndTell(kDeleteWave, kSelectToDeleteMessage);
        return;
    }
    m_database.markDeleted(recordNumber);
    m_keyWordList->removeSelected();
}

void KeywordEditorWindow::AvailableApplications_Click()
{
    const QString program = m_availableApplications->selectedItem().text;
    if (program.isEmpty())
        return;
    m_programName->setText(program);
    Search_Applications_Indexed(program, QStringLiteral(".apx"));
}

void KeywordEditorWindow::AvailableApplications_DblClick()
{
    const QString program = m_availableApplications->selectedItem().text;
    // Nothing selected starts nothing; a program that cannot start changes nothing.
    if (!program.isEmpty())
        m_platform.processes().start(program);
}

void KeywordEditorWindow::KeywordsAlreadyUsed_Click()
{
    const db::RecordItem item = m_keywordsAlreadyUsed->selectedItem();
    if (item.recordNumber == 0)
        return;
    Display_Application(item.recordNumber);
    Search_Applications_Indexed(m_programName->text(), QStringLiteral(".APX"));
}

void KeywordEditorWindow::KeywordsAlreadyUsed_DblClick()
{
    runKeyWord(m_keywordsAlreadyUsed->selectedItem());
}

void KeywordEditorWindow::KeyWordList_DblClick()
{
    runKeyWord(m_keyWordList->selectedItem());
}

void KeywordEditorWindow::runKeyWord(const db::RecordItem &item)
{
    const db::KeyWord keyWord(item.text);
    // With nothing selected there is no key word to run.
    if (!keyWord.isEmpty())
        KeywordEditorHooks::call(m_hooks.actOnKeyWord, keyWord);
}

void KeywordEditorWindow::Image1_MouseDown(Qt::MouseButton button, const QPoint &globalPosition)
{
    if (button == Qt::LeftButton)
        KeywordEditorHooks::call(m_hooks.showTutorial);
    else if (button == Qt::RightButton)
        showPopupMenu(m_floatingMenu, globalPosition);
}

void KeywordEditorWindow::promptAndTell(const QString &wave, const QString &message)
{
    // The spoken prompt plays while the message is shown.
    m_platform.sound().playWave(shippedDataPath(wave));
    m_platform.dialogs().messageBox(message, MessageButtons::Ok);
}

} // namespace korvane
