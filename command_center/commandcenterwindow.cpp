// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandcenterwindow.h"

#include "appfolder.h"
#include "pictures.h"
#include "platform.h"
#include "twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace korvane {

namespace {

// A title bar and nothing on it: no system menu, no close, minimise or maximise
// button (the bar ends Korvane only through EXIT or its menu).
constexpr Qt::WindowFlags kTitledFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
constexpr Qt::WindowFlags kFramelessFlags = Qt::Window | Qt::FramelessWindowHint;
constexpr int kImageSize = 40;

} // namespace

CommandCenterWindow::CommandCenterWindow(Platform &platform, WindowDirectory windows,
                                         QWidget *parent)
    : QWidget(parent, kTitledFlags)
    , m_platform(platform)
    , m_windows(std::move(windows))
    , m_database(applicationFolder())
    , m_menu(std::make_unique<CommandCenterMenu>(m_database, this))
{
    setWindowTitle(kCommandCenterTitle);
    buildControls();
    m_suggestions = std::make_unique<SuggestionList>(m_database.folder(), m_keyWordField);
    m_menu->showApplicationIcons(m_platform.applications());
    m_suggestions->showApplicationIcons(m_platform.applications());

    connect(m_menu.get(), &CommandCenterMenu::entryChosen, this,
            &CommandCenterWindow::chooseMenuEntry);
    connect(m_menu.get(), &CommandCenterMenu::applicationChosen, this,
            &CommandCenterWindow::startProgram);
    connect(m_menu.get(), &CommandCenterMenu::keyWordProgramChosen, this,
            &CommandCenterWindow::startProgram);
    // A chosen key word goes into the field and is acted on as if typed there.
    connect(m_menu.get(), &CommandCenterMenu::keyWordChosen, this, [this](const QString &keyWord) {
        m_keyWordField->setText(keyWord);
        onEnterPressed();
    });
}

CommandCenterWindow::~CommandCenterWindow() = default;

void CommandCenterWindow::buildControls()
{
    m_emblem = new QLabel(this);
    m_emblem->setObjectName(QStringLiteral("emblem"));
    m_emblem->setPixmap(picturePixmap(kCommandCenterEmblemPicture, QSize(kImageSize, kImageSize),
                                      devicePixelRatioF()));
    m_emblem->setFixedSize(kImageSize, kImageSize);
    m_emblem->setToolTip(QStringLiteral("Click here to view menu."));

    m_captionLabel = new QLabel(QStringLiteral("Korvane - Key Word"), this);
    m_captionLabel->setObjectName(QStringLiteral("caption"));
    m_captionLabel->setToolTip(QStringLiteral("Right-click on Command Center to view menu."));

    m_keyWordField = new QLineEdit(this);
    m_keyWordField->setObjectName(QStringLiteral("keyWordField"));
    m_keyWordField->setToolTip(
        QStringLiteral("Type KeyWord here and press enter to start associated application(s)."));

    auto *column = new QVBoxLayout;
    column->setSpacing(0);
    column->addWidget(m_captionLabel);
    column->addWidget(m_keyWordField);
    auto *bar = new QHBoxLayout(this);
    bar->setContentsMargins(4, 2, 6, 2);
    bar->setSpacing(6);
    bar->addWidget(m_emblem, 0, Qt::AlignVCenter);
    bar->addLayout(column);

    for (QWidget *control :
         {static_cast<QWidget *>(m_emblem), static_cast<QWidget *>(m_captionLabel),
          static_cast<QWidget *>(m_keyWordField)})
        control->installEventFilter(this);

    setFixedWidth(twipsToPixels(kWidthTwips));
    applyHeight();
}

void CommandCenterWindow::load()
{
    loadSettings();
    show();
    m_platform.events().doEvents();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_platform.events().doEvents();
    reloadLists();
    QGuiApplication::restoreOverrideCursor();
}

void CommandCenterWindow::loadSettings()
{
    const WindowSettings settings =
        readWindowSettings(dataFilePath(m_database.folder(), kWindowSettingsFileName));
    moveToTwips(settings.topTwips, settings.leftTwips);
    if (settings.titleBar == TitleBarState::Removed)
        removeTitleBar();
}

void CommandCenterWindow::saveSettings()
{
    // A settings file that cannot be written is left as it was.
    writeWindowSettings(dataFilePath(m_database.folder(), kWindowSettingsFileName),
                        {m_topTwips, m_leftTwips, m_titleBar});
}

void CommandCenterWindow::reloadLists()
{
    // Asked again while the lists are built: they are built once more when done,
    // so that the last change is never lost to an older build finishing after it.
    if (m_reloading) {
        m_reloadAgain = true;
        return;
    }
    m_reloading = true;
    do {
        m_reloadAgain = false;
        m_database.followChanges();
        // A record file that cannot be read gives empty lists; a key word looked up
        // then says why.
        m_lists = db::buildAvailableLists(m_database, [this] { m_platform.events().doEvents(); });
    } while (m_reloadAgain);
    m_reloading = false;
    m_listsLoaded = true;
    m_menu->setLists(m_lists);
    m_suggestions->reload();
    if (!m_watch) {
        m_watch = new db::DatabaseWatch(m_database, this);
        connect(m_watch, &db::DatabaseWatch::changed, this, &CommandCenterWindow::followDatabase);
    }
}

void CommandCenterWindow::followDatabase()
{
    if (m_database.changedByOthers())
        reloadLists();
}

void CommandCenterWindow::ensureListsLoaded()
{
    if (!m_listsLoaded)
        reloadLists();
}

void CommandCenterWindow::showTitleBar()
{
    // The window moves down by about the title bar's height, so that its field
    // stays in place on the screen.
    m_topTwips += kTitleBarShowMoveTwips;
    setTitleBar(TitleBarState::Shown);
}

void CommandCenterWindow::removeTitleBar()
{
    setTitleBar(TitleBarState::Removed);
}

void CommandCenterWindow::setTitleBar(TitleBarState state)
{
    const bool wasVisible = isVisible();
    const bool shown = state == TitleBarState::Shown;
    m_menu->entry(MenuEntry::TitleBar)
        ->setText(shown ? kRemoveTitleBarCaption : kShowTitleBarCaption);
    setWindowTitle(shown ? kCommandCenterTitle : QString());
    setWindowFlags(shown ? kTitledFlags : kFramelessFlags);
    setHeightTwips(shown ? kHeightWithTitleBarTwips : kHeightWithoutTitleBarTwips);
    m_titleBar = state;
    moveToTwips(m_topTwips, m_leftTwips);
    if (wasVisible)
        show();
}

void CommandCenterWindow::moveToTwips(qint64 topTwips, qint64 leftTwips)
{
    m_topTwips = topTwips;
    m_leftTwips = leftTwips;
    move(twipsToPixels(leftTwips), twipsToPixels(topTwips));
}

void CommandCenterWindow::setHeightTwips(int twips)
{
    m_heightTwips = twips;
    applyHeight();
}

void CommandCenterWindow::applyHeight()
{
    // The height counts the window manager's title bar and borders, once they are
    // known; the client area gets the rest.
    const int decoration = isWindow() ? frameGeometry().height() - height() : 0;
    setFixedHeight(std::max(1, twipsToPixels(m_heightTwips) - decoration));
}

void CommandCenterWindow::showPopupMenu(QMenu *menu, const QPoint &globalPosition)
{
    menu->exec(globalPosition);
}

void CommandCenterWindow::popUpAtClientOrigin(QMenu *menu)
{
    ensureListsLoaded();
    showPopupMenu(menu, mapToGlobal(QPoint(0, 0)));
}

bool CommandCenterWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_keyWordField) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                onEnterPressed();
                return true; // the field never sees Enter
            }
        }
        return false;
    }
    if (watched == m_emblem || watched == m_captionLabel) {
        // Cast only once the type is known: most events reaching here are no mouse events.
        if (event->type() == QEvent::MouseButtonPress)
            return handleMousePress(static_cast<QMouseEvent *>(event), watched == m_emblem);
        if (event->type() == QEvent::MouseMove)
            return handleMouseMove(static_cast<QMouseEvent *>(event));
    }
    return QWidget::eventFilter(watched, event);
}

void CommandCenterWindow::mousePressEvent(QMouseEvent *event)
{
    if (!handleMousePress(event, false))
        QWidget::mousePressEvent(event);
}

void CommandCenterWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (!handleMouseMove(event))
        QWidget::mouseMoveEvent(event);
}

bool CommandCenterWindow::handleMousePress(QMouseEvent *event, bool leftOpensMenu)
{
    const bool opens =
        event->button() == Qt::RightButton || (leftOpensMenu && event->button() == Qt::LeftButton);
    if (!opens)
        return false;
    ensureListsLoaded();
    showPopupMenu(m_menu->menu(), event->globalPosition().toPoint());
    return true;
}

bool CommandCenterWindow::handleMouseMove(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return false;
    // The window follows the pointer with the pressed control's top-left corner
    // under it: it moves by the pointer's offset within that control.
    const QPoint offset = event->position().toPoint();
    moveToTwips(m_topTwips + pixelsToTwips(offset.y()), m_leftTwips + pixelsToTwips(offset.x()));
    return true;
}

void CommandCenterWindow::moveEvent(QMoveEvent *event)
{
    // Keep the twips position exact while the window stays on the pixel it names;
    // a move by the user or the window manager takes the new pixel position.
    const QPoint framePosition = pos();
    if (framePosition.y() != twipsToPixels(m_topTwips))
        m_topTwips = pixelsToTwips(framePosition.y());
    if (framePosition.x() != twipsToPixels(m_leftTwips))
        m_leftTwips = pixelsToTwips(framePosition.x());
    applyHeight();
    QWidget::moveEvent(event);
}

void CommandCenterWindow::showEvent(QShowEvent *event)
{
    applyHeight();
    QWidget::showEvent(event);
}

void CommandCenterWindow::changeEvent(QEvent *event)
{
    // Keep the window shown when the window manager minimizes it, without
    // taking the focus from whatever the user works in.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        QTimer::singleShot(0, this, &CommandCenterWindow::keepShown);
    QWidget::changeEvent(event);
}

void CommandCenterWindow::keepShown()
{
    if (!(windowState() & Qt::WindowMinimized))
        return;
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void CommandCenterWindow::showRequested()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    // Whatever is typed next replaces the text left in the field.
    m_keyWordField->setFocus(Qt::ActiveWindowFocusReason);
    m_keyWordField->selectAll();
    // The user asked for this window by starting Korvane again, but window
    // managers judge the request above by the time of our last input event and
    // may refuse it as focus stealing. The desktop's activation acts for the user.
    m_platform.windows().bringForward(windowTitle());
}

void CommandCenterWindow::closeEvent(QCloseEvent *event)
{
    // Closing the window ends the program at once, without saving the settings.
    event->accept();
    m_platform.events().endProgram(0);
}

} // namespace korvane
