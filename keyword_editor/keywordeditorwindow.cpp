// SPDX-License-Identifier: GPL-3.0-or-later
#include "keywordeditorwindow.h"

#include "appfolder.h"
#include "applicationpicker.h"
#include "casetwin.h"
#include "databasewatch.h"
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
    setWindowTitle(kKeywordEditorTitle);
    // Changes made elsewhere reach the lists while the window is loaded.
    connect(new db::DatabaseWatch(m_database, this), &db::DatabaseWatch::changed, this,
            &KeywordEditorWindow::followDatabase);
    // The program's end is decided by the command center, not by this window.
    setAttribute(Qt::WA_QuitOnClose, false);
    buildControls();
    buildMenus();
    connectEvents();
}

KeywordEditorWindow::~KeywordEditorWindow() = default;

void KeywordEditorWindow::showWithKeyWord(const QString &keyWord)
{
    if (!m_loaded)
        load();
    if (!keyWord.isEmpty())
        m_keyWordField->setText(keyWord);
    show();
    raise();
    activateWindow();
    m_keyWordField->setFocus();
}

void KeywordEditorWindow::load()
{
    m_loaded = true;
    // Sized before it is shown, so that no later resize moves it from the corner.
    adjustSize();
    move(0, 0);
    bool filled = false;
    {
        const BusyCursor busy;
        m_platform.events().doEvents();
        filled = fillAvailableLists();
    }
    if (!filled)
        tellFailure(db::kDatabaseUnreadableMessage);
}

void KeywordEditorWindow::unload()
{
    {
        const BusyCursor busy;
        m_platform.events().doEvents();
        KeywordEditorHooks::call(m_hooks.reloadCommandCenterLists);
        m_platform.events().doEvents();
    }
    // An unloaded window keeps nothing, not even the tutorial's green; the next
    // showing loads it afresh.
    m_loaded = false;
    m_keyWordField->setPalette(QPalette());
    clearForNextProgram();
    m_applicationsList->clear();
    m_usedKeyWordsList->clear();
    m_applicationCountLabel->clear();
    m_usedKeyWordsLabel->setText(QStringLiteral("Keywords Already Used"));
    m_dialogFileName.clear();
    emit unloaded();
}

void KeywordEditorWindow::closeEvent(QCloseEvent *event)
{
    if (m_loaded)
        unload();
    event->accept();
}

void KeywordEditorWindow::clearForNextProgram()
{
    m_programPathField->clear();
    m_keyWordField->clear();
    m_programKeyWordsList->clear();
}

void KeywordEditorWindow::showProgramOfRecord(qint32 recordNumber)
{
    // A record that cannot be read leaves the path as it is.
    const std::optional<db::KeywordRecord> record = m_database.record(recordNumber);
    if (record)
        m_programPathField->setText(db::trimSpaces(record->program));
}

bool KeywordEditorWindow::fillAvailableLists()
{
    m_database.followChanges();
    const db::AvailableLists lists = db::buildAvailableLists(m_database);
    if (!m_database.errorString().isEmpty())
        return false;
    m_applicationsList->setItems(lists.applications);
    m_usedKeyWordsList->setItems(lists.keyWords);
    m_usedKeyWordsLabel->setText(QStringLiteral("Keywords Already Used - ") +
                                 numberText(m_usedKeyWordsList->count()));
    m_applicationCountLabel->setText(numberText(m_applicationsList->count()) +
                                     QStringLiteral(" Applications"));
    return true;
}

void KeywordEditorWindow::followDatabase()
{
    if (!m_loaded || !m_database.changedByOthers())
        return;
    // A record file that cannot be read now leaves the lists as they were: no
    // message interrupts the user for a change someone else made.
    if (fillAvailableLists())
        listKeyWordsOfProgram(m_programPathField->text());
}

void KeywordEditorWindow::listKeyWordsOfProgram(const QString &program)
{
    if (db::trimSpaces(program).isEmpty())
        return;
    m_programKeyWordsList->clear();
    const QList<db::IndexHit> hits = m_database.findApplication(program);
    if (!m_database.errorString().isEmpty())
        tellFailure(db::kDatabaseUnreadableMessage);
    for (const db::IndexHit &hit : hits)
        m_programKeyWordsList->insertSorted(
            db::keyWordOfApplicationItem(hit.record, hit.recordNumber));
    m_platform.events().doEvents();
}

void KeywordEditorWindow::rebuildIndexes()
{
    if (!m_database.rebuildIndexes())
        tellFailure(kNotReindexedMessage);
}

void KeywordEditorWindow::startTutorial()
{
    KeywordEditorHooks::call(m_hooks.showTutorial);
}

void KeywordEditorWindow::stopTutorial()
{
    KeywordEditorHooks::call(m_hooks.closeTutorial);
}

void KeywordEditorWindow::chooseProgram()
{
    clearForNextProgram();
    // A cancelled dialog gives back the name it held before: the last choice.
    m_platform.dialogs().openFileName(m_dialogFileName);
    m_programPathField->setText(m_dialogFileName);
}

void KeywordEditorWindow::browseFromTypedPath()
{
    // Preset with the typed path, so a cancelled dialog keeps it.
    m_dialogFileName = m_programPathField->text();
    m_platform.dialogs().openFileName(m_dialogFileName);
    m_programPathField->setText(m_dialogFileName);
}

void KeywordEditorWindow::pickInstalledApplication()
{
    // The chosen program is in hand, with the key words it already has.
    ApplicationPicker::open(m_platform, this, [this](const InstalledApplication &application) {
        m_programPathField->setText(application.commandLine);
        listKeyWordsOfProgram(application.commandLine);
        m_keyWordField->setFocus();
    });
}

void KeywordEditorWindow::addKeyWord()
{
    const QString program = m_programPathField->text();
    // A path whose twin differs only in case is linked only if the user agrees.
    if (db::checkAdd(m_keyWordField->text(), program).outcome == db::AddOutcome::Added) {
        const QString twin = caseTwinOf(program);
        if (!twin.isEmpty() &&
            m_platform.dialogs().messageBox(kCaseTwinQuestion.arg(program.trimmed(), twin),
                                            MessageButtons::YesNo) != MessageAnswer::Yes)
            return;
    }
    const db::AddResult result = db::addKeyWord(m_database, m_keyWordField->text(), program);
    switch (result.outcome) {
    case db::AddOutcome::Added:
        m_programKeyWordsList->insertSorted(result.listItem);
        m_usedKeyWordsList->insertSorted(result.listItem);
        // The program stays, ready for its next key word.
        m_keyWordField->clear();
        break;
    case db::AddOutcome::MissingProgram:
        promptAndTell(kNoAppWave, kNoAppMessage);
        m_programPathField->setFocus();
        break;
    case db::AddOutcome::MissingKeyWord:
        promptAndTell(kNoKeyWordWave, kNoKeyWordMessage);
        m_keyWordField->setFocus();
        break;
    case db::AddOutcome::NotRepresentable:
        m_platform.dialogs().messageBox(kNotRepresentableMessage + u' ' + result.unstorable,
                                        MessageButtons::Ok);
        break; // nothing was written; the fields stay for the user to correct
    case db::AddOutcome::WriteFailed:
        m_platform.dialogs().messageBox(kNotAddedMessage + result.error, MessageButtons::Ok);
        break; // the fields stay, to try again
    }
}

void KeywordEditorWindow::deleteSelectedKeyWord()
{
    const qint32 recordNumber = m_programKeyWordsList->selectedItem().recordNumber;
    if (recordNumber == 0) {
        promptAndTell(kDeleteWave, kSelectToDeleteMessage);
        return;
    }
    if (!m_database.markDeleted(recordNumber)) {
        tellFailure(kNotDeletedMessage);
        return;
    }
    m_programKeyWordsList->removeSelected();
}

void KeywordEditorWindow::onApplicationClicked()
{
    const QString program = m_applicationsList->selectedItem().text;
    if (program.isEmpty())
        return;
    m_programPathField->setText(program);
    listKeyWordsOfProgram(program);
}

void KeywordEditorWindow::startSelectedApplication()
{
    const QString program = m_applicationsList->selectedItem().text;
    // Nothing selected starts nothing; a program that cannot start changes nothing.
    if (!program.isEmpty())
        m_platform.processes().start(program);
}

void KeywordEditorWindow::onUsedKeyWordClicked()
{
    const db::RecordItem item = m_usedKeyWordsList->selectedItem();
    if (item.recordNumber == 0)
        return;
    showProgramOfRecord(item.recordNumber);
    listKeyWordsOfProgram(m_programPathField->text());
}

void KeywordEditorWindow::runSelectedKeyWord(const RecordList *list)
{
    const db::KeyWord keyWord(list->selectedItem().text);
    // With nothing selected there is no key word to run.
    if (!keyWord.isEmpty())
        KeywordEditorHooks::call(m_hooks.actOnKeyWord, keyWord);
}

void KeywordEditorWindow::onGuideFacePressed(Qt::MouseButton button, const QPoint &globalPosition)
{
    if (button == Qt::LeftButton)
        startTutorial();
    else if (button == Qt::RightButton)
        showPopupMenu(m_guideMenu, globalPosition);
}

void KeywordEditorWindow::tellFailure(const QString &message)
{
    m_platform.dialogs().messageBox(message + m_database.errorString(), MessageButtons::Ok);
}

void KeywordEditorWindow::promptAndTell(const QString &wave, const QString &message)
{
    // The spoken prompt plays while the message is shown.
    m_platform.sound().playWave(shippedDataPath(wave));
    m_platform.dialogs().messageBox(message, MessageButtons::Ok);
}

} // namespace korvane
