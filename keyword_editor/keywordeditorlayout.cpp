// The keyword editor's controls, menus and the wiring of their events.

#include "keywordeditorwindow.h"

#include "pictures.h"
#include "recordlist.h"

#include <QAction>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

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

    m_keyWord = new QLineEdit(central);
    m_keyWord->setObjectName(QStringLiteral("KeyWord"));
    m_keyWord->setToolTip(
        QStringLiteral("Type new KeyWord here, and press enter or click the arrow to add it."));
    m_keyWord->setMinimumWidth(kFieldMinimumWidth);

    m_availableApplications = makeList(
        QStringLiteral("AvailableApplications"),
        QStringLiteral("Click to see assigned KeyWords for this application, or double-click to "
                       "launch application."),
        central);

    m_programName = new QLineEdit(central);
    m_programName->setObjectName(QStringLiteral("ProgramName"));
    m_programName->setMinimumWidth(kFieldMinimumWidth);

    m_keywordsAlreadyUsed = makeList(
        QStringLiteral("KeywordsAlreadyUsed"),
        QStringLiteral("Click On KeyWord to View Application, and other KeyWords for this "
                       "application, or double-click KeyWord to Launch associated applications."),
        central);
    m_keyWordList = makeList(QStringLiteral("KeyWordList"),
                             QStringLiteral("Click on KeyWord to delete it, or double-click "
                                            "KeyWord to Launch associated applications."),
                             central);

    m_getProgramButton =
        makePictureButton(QStringLiteral("GetProgramButton"), kFolderPicture,
                          QStringLiteral("Select Program to start with KeyWord"), central);
    m_ssCommand2 =
        makePictureButton(QStringLiteral("SSCommand2"), kClearPicture,
                          QStringLiteral("Prepare Korvane for another Program."), central);
    m_addKeyWordButton = makePictureButton(QStringLiteral("AddKeyWordButton"), kArrowPicture,
                                           QStringLiteral("Add Key Word"), central);
    m_deleteKeyWordButton = makePictureButton(QStringLiteral("DeleteKeyWordButton"), kDeletePicture,
                                              QStringLiteral("Delete Key Word"), central);

    m_image1 = new QLabel(central);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setPixmap(picturePixmap(kPibbetFacePicture, kFaceSize, devicePixelRatioF()));
    m_image1->setFixedSize(kFaceSize, kFaceSize);
    m_image1->setToolTip(QStringLiteral("Click My Face to Start Help"));

    m_label1 = makeLabel(QStringLiteral("Label1"), QString(), central);
    auto *label2 = makeLabel(QStringLiteral("Label2"), QStringLiteral("Key Word"), central);
    auto *label3 =
        makeLabel(QStringLiteral("Label3"), QStringLiteral("Available Applications"), central);
    auto *label4 = makeLabel(QStringLiteral("Label4"), QStringLiteral("Application Path"), central);
    m_label5 =
        makeLabel(QStringLiteral("Label5"), QStringLiteral("Keywords Already Used"), central);

    // Key word and path on top; the programs across; used key words and the
    // program's key words below, with the buttons and the guide beside them.
    auto *grid = new QGridLayout(central);
    grid->addWidget(label2, 0, 0);
    grid->addWidget(label4, 0, 2);
    grid->addWidget(m_keyWord, 1, 0);
    grid->addWidget(m_addKeyWordButton, 1, 1);
    grid->addWidget(m_programName, 1, 2);
    grid->addWidget(m_getProgramButton, 1, 3);
    grid->addWidget(label3, 2, 0);
    grid->addWidget(m_label1, 2, 2, Qt::AlignRight);
    grid->addWidget(m_availableApplications, 3, 0, 1, 4);
    grid->addWidget(m_label5, 4, 0);
    grid->addWidget(m_keywordsAlreadyUsed, 5, 0, 1, 2);
    grid->addWidget(m_keyWordList, 5, 2);
    auto *side = new QVBoxLayout;
    side->addWidget(m_deleteKeyWordButton, 0, Qt::AlignHCenter);
    side->addWidget(m_ssCommand2, 0, Qt::AlignHCenter);
    side->addStretch();
    side->addWidget(m_image1, 0, Qt::AlignHCenter);
    grid->addLayout(side, 5, 3);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(3, 2);
    grid->setRowStretch(5, 3);

    setTabOrder(m_keyWord, m_availableApplications);
    setTabOrder(m_availableApplications, m_programName);
    setTabOrder(m_programName, m_keywordsAlreadyUsed);
    setTabOrder(m_keywordsAlreadyUsed, m_keyWordList);

    for (QObject *control :
         {static_cast<QObject *>(m_keyWord), static_cast<QObject *>(m_programName),
          static_cast<QObject *>(m_image1)})
        control->installEventFilter(this);
}

void KeywordEditorWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File"));
    m_reindex = file->addAction(QStringLiteral("&Reindex Key Words"));
    m_reindex->setObjectName(QStringLiteral("Reindex"));
    m_exit = file->addAction(QStringLiteral("E&xit"));
    m_exit->setObjectName(QStringLiteral("exit"));
    // A menu-bar entry that acts at once, without a menu of its own.
    m_help = menuBar()->addAction(QStringLiteral("&Help"));
    m_help->setObjectName(QStringLiteral("Mnu_Help"));

    // Never in the menu bar: it pops up over the guide's face.
    m_floatingMenu = new QMenu(QStringLiteral("Menu"), this);
    m_floatingMenu->setObjectName(QStringLiteral("FloatingMenu"));
    const QStringList captions = {QStringLiteral("&Start Step-by-Step Instructions"),
                                  QStringLiteral("&Stop Step-by-Step Instructions")};
    for (int index = 1; index <= captions.size(); ++index) {
        QAction *item = m_floatingMenu->addAction(captions[index - 1]);
        item->setObjectName(QStringLiteral("MenuItem%1").arg(index));
        connect(item, &QAction::triggered, this, [this, index] { MenuItem_Click(index); });
    }
}

void KeywordEditorWindow::connectEvents()
{
    connect(m_reindex, &QAction::triggered, this, &KeywordEditorWindow::Reindex_Click);
    connect(m_exit, &QAction::triggered, this, &KeywordEditorWindow::exit_Click);
    connect(m_help, &QAction::triggered, this, &KeywordEditorWindow::Mnu_Help_Click);
    connect(m_ssCommand2, &QToolButton::clicked, this, &KeywordEditorWindow::SSCommand2_Click);
    connect(m_getProgramButton, &QToolButton::clicked, this,
            &KeywordEditorWindow::GetProgramButton_Click);
    connect(m_addKeyWordButton, &QToolButton::clicked, this,
            &KeywordEditorWindow::AddKeyWordButton_Click);
    connect(m_deleteKeyWordButton, &QToolButton::clicked, this,
            &KeywordEditorWindow::DeleteKeyWordButton_Click);
    connect(m_availableApplications, &RecordList::entryClicked, this,
            &KeywordEditorWindow::AvailableApplications_Click);
    connect(m_availableApplications, &RecordList::entryDoubleClicked, this,
            &KeywordEditorWindow::AvailableApplications_DblClick);
    connect(m_keywordsAlreadyUsed, &RecordList::entryClicked, this,
            &KeywordEditorWindow::KeywordsAlreadyUsed_Click);
    connect(m_keywordsAlreadyUsed, &RecordList::entryDoubleClicked, this,
            &KeywordEditorWindow::KeywordsAlreadyUsed_DblClick);
    connect(m_keyWordList, &RecordList::entryDoubleClicked, this,
            &KeywordEditorWindow::KeyWordList_DblClick);
}

bool KeywordEditorWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Enter is the fields' action key; it is not typed into them.
    if (watched == m_keyWord && isEnterKey(event)) {
        KeyWord_KeyPress(13);
        return true;
    }
    if (watched == m_programName && isEnterKey(event)) {
        ProgramName_KeyPress(13);
        return true;
    }
    if (watched == m_image1 && event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<const QMouseEvent *>(event);
        Image1_MouseDown(mouse->button(), mouse->globalPosition().toPoint());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void KeywordEditorWindow::showPopupMenu(QMenu *menu, const QPoint &globalPosition)
{
    menu->exec(globalPosition);
}

} // namespace korvane
