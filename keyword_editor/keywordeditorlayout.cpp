// SPDX-License-Identifier: GPL-3.0-or-later
// The keyword editor's controls, menus and the wiring of their events.

#include "keywordeditorwindow.h"

#include "pictures.h"
#include "recordlist.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace korvane {

namespace {

constexpr int kButtonPictureSize = 32;
constexpr int kFaceSize = 64;
constexpr int kFieldMinimumWidth = 220;

QLabel *makeLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QToolButton *makePictureButton(const QString &name, const QString &picture, const QString &toolTip,
                               QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(pictureIcon(picture, kButtonPictureSize));
    button->setIconSize(QSize(kButtonPictureSize, kButtonPictureSize));
    button->setToolTip(toolTip);
    return button;
}

RecordList *makeList(const QString &name, const QString &toolTip, QWidget *parent)
{
    auto *list = new RecordList(parent);
    list->setObjectName(name);
    list->setToolTip(toolTip);
    return list;
}

// An action named `name` at the end of `menu`, calling `handler` of `window`.
template<typename Handler>
void addNamedAction(QWidget *menu, const char *name, const QString &text,
                    KeywordEditorWindow *window, Handler handler)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    QObject::connect(action, &QAction::triggered, window, handler);
}

bool isEnterKey(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

void KeywordEditorWindow::buildControls()
{
    auto *central = new QWidget(this);
    setCentralWidget(central);

    m_keyWordField = new QLineEdit(central);
    m_keyWordField->setObjectName(QStringLiteral("keyWordField"));
    m_keyWordField->setToolTip(
        QStringLiteral("Type new KeyWord here, and press enter or click the arrow to add it."));
    m_keyWordField->setMinimumWidth(kFieldMinimumWidth);

    m_applicationsList = makeList(
        QStringLiteral("applicationsList"),
        QStringLiteral("Click to see assigned KeyWords for this application, or double-click to "
                       "launch application."),
        central);

    m_programPathField = new QLineEdit(central);
    m_programPathField->setObjectName(QStringLiteral("programPathField"));
    m_programPathField->setMinimumWidth(kFieldMinimumWidth);

    m_usedKeyWordsList = makeList(
        QStringLiteral("usedKeyWordsList"),
        QStringLiteral("Click On KeyWord to View Application, and other KeyWords for this "
                       "application, or double-click KeyWord to Launch associated applications."),
        central);
    m_programKeyWordsList =
        makeList(QStringLiteral("programKeyWordsList"),
                 QStringLiteral("Click on KeyWord to delete it, or double-click "
                                "KeyWord to Launch associated applications."),
                 central);

    m_browseButton =
        makePictureButton(QStringLiteral("browseButton"), kFolderPicture,
                          QStringLiteral("Select Program to start with KeyWord"), central);
    m_installedApplicationsButton =
        makePictureButton(QStringLiteral("installedApplicationsButton"), kApplicationsPicture,
                          QStringLiteral("Choose from the installed applications"), central);
    m_clearButton =
        makePictureButton(QStringLiteral("clearButton"), kClearPicture,
                          QStringLiteral("Prepare Korvane for another Program."), central);
    m_addButton = makePictureButton(QStringLiteral("addButton"), kArrowPicture,
                                    QStringLiteral("Add Key Word"), central);
    m_deleteButton = makePictureButton(QStringLiteral("deleteButton"), kDeletePicture,
                                       QStringLiteral("Delete Key Word"), central);

    m_guideFace = new QLabel(central);
    m_guideFace->setObjectName(QStringLiteral("guideFace"));
    m_guideFace->setPixmap(
        picturePixmap(kPibbetFacePicture, QSize(kFaceSize, kFaceSize), devicePixelRatioF()));
    m_guideFace->setFixedSize(kFaceSize, kFaceSize);
    m_guideFace->setToolTip(QStringLiteral("Click My Face to Start Help"));

    m_applicationCountLabel =
        makeLabel(QStringLiteral("applicationCountLabel"), QString(), central);
    auto *keyWordLabel =
        makeLabel(QStringLiteral("keyWordLabel"), QStringLiteral("Key Word"), central);
    auto *applicationsLabel = makeLabel(QStringLiteral("applicationsLabel"),
                                        QStringLiteral("Available Applications"), central);
    auto *programPathLabel =
        makeLabel(QStringLiteral("programPathLabel"), QStringLiteral("Application Path"), central);
    m_usedKeyWordsLabel = makeLabel(QStringLiteral("usedKeyWordsLabel"),
                                    QStringLiteral("Keywords Already Used"), central);

    // Key word and path on top; the programs across; used key words and the
    // program's key words below, with the buttons and the guide beside them.
    auto *grid = new QGridLayout(central);
    grid->addWidget(keyWordLabel, 0, 0);
    grid->addWidget(programPathLabel, 0, 2);
    grid->addWidget(m_keyWordField, 1, 0);
    grid->addWidget(m_addButton, 1, 1);
    grid->addWidget(m_programPathField, 1, 2);
    auto *programButtons = new QHBoxLayout;
    programButtons->addWidget(m_browseButton);
    programButtons->addWidget(m_installedApplicationsButton);
    grid->addLayout(programButtons, 1, 3);
    grid->addWidget(applicationsLabel, 2, 0);
    grid->addWidget(m_applicationCountLabel, 2, 2, Qt::AlignRight);
    grid->addWidget(m_applicationsList, 3, 0, 1, 4);
    grid->addWidget(m_usedKeyWordsLabel, 4, 0);
    grid->addWidget(m_usedKeyWordsList, 5, 0, 1, 2);
    grid->addWidget(m_programKeyWordsList, 5, 2);
    auto *side = new QVBoxLayout;
    side->addWidget(m_deleteButton, 0, Qt::AlignHCenter);
    side->addWidget(m_clearButton, 0, Qt::AlignHCenter);
    side->addStretch();
    side->addWidget(m_guideFace, 0, Qt::AlignHCenter);
    grid->addLayout(side, 5, 3);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(3, 2);
    grid->setRowStretch(5, 3);

    setTabOrder(m_keyWordField, m_applicationsList);
    setTabOrder(m_applicationsList, m_programPathField);
    setTabOrder(m_programPathField, m_usedKeyWordsList);
    setTabOrder(m_usedKeyWordsList, m_programKeyWordsList);

    for (QObject *control :
         {static_cast<QObject *>(m_keyWordField), static_cast<QObject *>(m_programPathField),
          static_cast<QObject *>(m_guideFace)})
        control->installEventFilter(this);
}

void KeywordEditorWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    addNamedAction(file, "reindexAction", QStringLiteral("&Reindex Key Words"), this,
                   &KeywordEditorWindow::rebuildIndexes);
    addNamedAction(file, "exitAction", QStringLiteral("E&xit"), this, &QWidget::close);
    // A menu-bar entry that acts at once, without a menu of its own.
    addNamedAction(menuBar(), "helpAction", QStringLiteral("&Help"), this,
                   &KeywordEditorWindow::startTutorial);

    // Never in the menu bar: it pops up over the guide's face.
    m_guideMenu = new QMenu(QStringLiteral("Menu"), this);
    m_guideMenu->setObjectName(QStringLiteral("guideMenu"));
    addNamedAction(m_guideMenu, "startTutorialAction",
                   QStringLiteral("&Start Step-by-Step Instructions"), this,
                   &KeywordEditorWindow::startTutorial);
    addNamedAction(m_guideMenu, "stopTutorialAction",
                   QStringLiteral("&Stop Step-by-Step Instructions"), this,
                   &KeywordEditorWindow::stopTutorial);
}

void KeywordEditorWindow::connectEvents()
{
    using Handler = void (KeywordEditorWindow::*)();
    const std::pair<QToolButton *, Handler> buttons[] = {
        {m_clearButton, &KeywordEditorWindow::clearForNextProgram},
        {m_browseButton, &KeywordEditorWindow::chooseProgram},
        {m_installedApplicationsButton, &KeywordEditorWindow::pickInstalledApplication},
        {m_addButton, &KeywordEditorWindow::addKeyWord},
        {m_deleteButton, &KeywordEditorWindow::deleteSelectedKeyWord},
    };
    for (const auto &[button, handler] : buttons)
        connect(button, &QToolButton::clicked, this, handler);

    connect(m_applicationsList, &RecordList::entryClicked, this,
            &KeywordEditorWindow::onApplicationClicked);
    connect(m_applicationsList, &RecordList::entryDoubleClicked, this,
            &KeywordEditorWindow::startSelectedApplication);
    connect(m_usedKeyWordsList, &RecordList::entryClicked, this,
            &KeywordEditorWindow::onUsedKeyWordClicked);
    for (const RecordList *list : {m_usedKeyWordsList, m_programKeyWordsList})
        connect(list, &RecordList::entryDoubleClicked, this,
                [this, list] { runSelectedKeyWord(list); });
}

bool KeywordEditorWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Enter is the fields' action key; it is not typed into them.
    if (watched == m_keyWordField && isEnterKey(event)) {
        addKeyWord();
        return true;
    }
    if (watched == m_programPathField && isEnterKey(event)) {
        browseFromTypedPath();
        return true;
    }
    if (watched == m_guideFace && event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<const QMouseEvent *>(event);
        onGuideFacePressed(mouse->button(), mouse->globalPosition().toPoint());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void KeywordEditorWindow::showPopupMenu(QMenu *menu, const QPoint &globalPosition)
{
    menu->exec(globalPosition);
}

} // namespace korvane
