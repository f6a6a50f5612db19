#include "keyscan.h"

#include "appfolder.h"
#include "floatingmenu.h"
#include "platform.h"
#include "windowsettings.h"

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
#include <QSvgRenderer>
#include <QTimer>
#include <QVBoxLayout>

namespace korvane {

namespace {

constexpr Qt::WindowFlags kTitledFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
constexpr Qt::WindowFlags kFramelessFlags = Qt::Window | Qt::FramelessWindowHint;
constexpr int kImageSize = 40;

QPixmap renderImage1(qreal devicePixelRatio)
{
    QSvgRenderer renderer(QStringLiteral(":/korvane/image1.svg"));
    QPixmap pixmap(QSize(kImageSize, kImageSize) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, kImageSize, kImageSize));
    return pixmap;
}

} // namespace

KeyScan::KeyScan(Platform &platform, WindowDirectory windows, QWidget *parent)
    : QWidget(parent, kTitledFlags)
    , m_platform(platform)
    , m_windows(std::move(windows))
    , m_database(applicationFolder())
    , m_menu(std::make_unique<FloatingMenu>(m_database, this))
{
    setWindowTitle(kCommandCenterTitle);
    buildControls();

    connect(m_menu.get(), &FloatingMenu::menuItemClicked, this, &KeyScan::MenuItem_Click);
    connect(m_menu.get(), &FloatingMenu::applicationsMenuItemClicked, this,
            &KeyScan::ApplicationsMenuItem_Click);
    connect(m_menu.get(), &FloatingMenu::keyWordsMenuItemClicked, this,
            &KeyScan::KeyWordsMenuItem_Click);
    connect(m_menu.get(), &FloatingMenu::keyWordSubMenuClicked, this,
            &KeyScan::KeyWordSubMenu_Click);
}

KeyScan::~KeyScan() = default;

void KeyScan::buildControls()
{
    m_image1 = new QLabel(this);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setPixmap(renderImage1(devicePixelRatioF()));
    m_image1->setFixedSize(kImageSize, kImageSize);
    m_image1->setToolTip(QStringLiteral("Click here to view menu."));

    m_label1 = new QLabel(QStringLiteral("Korvane - Key Word"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setToolTip(QStringLiteral("Right-click on Command Center to view menu."));

    m_keyWord = new QLineEdit(this);
    m_keyWord->setObjectName(QStringLiteral("KeyWord"));
    m_keyWord->setToolTip(
        QStringLiteral("Type KeyWord here and press enter to start associated application(s)."));

    auto *column = new QVBoxLayout;
    column->setSpacing(0);
    column->addWidget(m_label1);
    column->addWidget(m_keyWord);
    auto *bar = new QHBoxLayout(this);
    bar->setContentsMargins(4, 2, 6, 2);
    bar->setSpacing(6);
    bar->addWidget(m_image1, 0, Qt::AlignVCenter);
    bar->addLayout(column);

    for (QWidget *control : {static_cast<QWidget *>(m_image1), static_cast<QWidget *>(m_label1),
                             static_cast<QWidget *>(m_keyWord)})
        control->installEventFilter(this);

    setFixedWidth(twipsToPixels(kWidthTwips));
    applyHeight();
}

void KeyScan::Form_Load()
{
    Load_Window_Settings();
    show();
    m_platform.events().doEvents();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_platform.events().doEvents();
    Show_Available_Applications();
    QGuiApplication::restoreOverrideCursor();
}

void KeyScan::Load_Window_Settings()
{
    const WindowSettings settings =
        readWindowSettings(dataFilePath(m_database.folder(), kWindowSettingsFileName));
    moveToTwips(settings.topTwips, settings.leftTwips);
    if (settings.titleBarRemoved())
        Remove_Title_Bar(FloatingMenu::kTitleBarItem);
}

void KeyScan::Save_Window_Settings()
{
    // A settings file that cannot be written is left as it was.
    writeWindowSettings(dataFilePath(m_database.folder(), kWindowSettingsFileName),
                        {m_topTwips, m_leftTwips, m_titleBarState});
}

void KeyScan::Show_Available_Applications()
{
    m_lists = db::buildAvailableLists(m_database, [this] { m_platform.events().doEvents(); });
    m_listsLoaded = true;
    m_menu->setLists(m_lists);
}

void KeyScan::ensureListsLoaded()
{
    if (!m_listsLoaded)
        Show_Available_Applications();
}

void KeyScan::Display_Title_Bar(int index)
{
    const bool wasVisible = isVisible();
    m_topTwips += kTitleBarShowMoveTwips;
    if (QAction *item = m_menu->menuItem(index))
        item->setText(kRemoveTitleBarCaption);
    setWindowTitle(kCommandCenterTitle);
    setWindowFlags(kTitledFlags);
    setHeightTwips(kHeightWithTitleBarTwips);
    m_titleBarState = QStringLiteral("2");
    moveToTwips(m_topTwips, m_leftTwips);
    if (wasVisible)
        show();
}

void KeyScan::Remove_Title_Bar(int index)
{
    const bool wasVisible = isVisible();
    if (QAction *item = m_menu->menuItem(index))
        item->setText(kShowTitleBarCaption);
    setWindowTitle(QString());
    setWindowFlags(kFramelessFlags);
    setHeightTwips(kHeightWithoutTitleBarTwips);
    m_titleBarState = QStringLiteral("1");
    moveToTwips(m_topTwips, m_leftTwips);
    if (wasVisible)
        show();
}

void KeyScan::moveToTwips(qint64 topTwips, qint64 leftTwips)
{
    m_topTwips = topTwips;
    m_leftTwips = leftTwips;
    move(twipsToPixels(leftTwips), twipsToPixels(topTwips));
}

void KeyScan::setHeightTwips(int twips)
{
    m_heightTwips = twips;
    applyHeight();
}

void KeyScan::applyHeight()
{
    // The height counts the window manager's title bar and borders, once they are
    // known; the client area gets the rest.
    const int decoration = isWindow() ? frameGeometry().height() - height() : 0;
    setFixedHeight(std::max(1, twipsToPixels(m_heightTwips) - decoration));
}

void KeyScan::showPopupMenu(QMenu *menu, const QPoint &globalPosition)
{
    menu->exec(globalPosition);
}

void KeyScan::showPopupAtClientOrigin(QMenu *menu)
{
    ensureListsLoaded();
    showPopupMenu(menu, mapToGlobal(QPoint(0, 0)));
}

bool KeyScan::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_keyWord) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                int keyAscii = 13;
                KeyWord_KeyPress(keyAscii);
                return keyAscii == 0;
            }
        }
        return false;
    }
    if (watched == m_image1 || watched == m_label1) {
        // Cast only once the type is known: most events reaching here are no mouse events.
        if (event->type() == QEvent::MouseButtonPress)
            return handleMousePress(static_cast<QMouseEvent *>(event), watched == m_image1);
        if (event->type() == QEvent::MouseMove)
            return handleMouseMove(static_cast<QMouseEvent *>(event));
    }
    return QWidget::eventFilter(watched, event);
}

void KeyScan::mousePressEvent(QMouseEvent *event)
{
    if (!handleMousePress(event, false))
        QWidget::mousePressEvent(event);
}

void KeyScan::mouseMoveEvent(QMouseEvent *event)
{
    if (!handleMouseMove(event))
        QWidget::mouseMoveEvent(event);
}

bool KeyScan::handleMousePress(QMouseEvent *event, bool leftOpensMenu)
{
    const bool opens =
        event->button() == Qt::RightButton || (leftOpensMenu && event->button() == Qt::LeftButton);
    if (!opens)
        return false;
    ensureListsLoaded();
    showPopupMenu(m_menu->menu(), event->globalPosition().toPoint());
    return true;
}

bool KeyScan::handleMouseMove(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return false;
    // The window follows the pointer with the pressed control's top-left corner
    // under it: it moves by the pointer's offset within that control.
    const QPoint offset = event->position().toPoint();
    moveToTwips(m_topTwips + pixelsToTwips(offset.y()), m_leftTwips + pixelsToTwips(offset.x()));
    return true;
}

void KeyScan::moveEvent(QMoveEvent *event)
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

void KeyScan::showEvent(QShowEvent *event)
{
    applyHeight();
    QWidget::showEvent(event);
}

void KeyScan::changeEvent(QEvent *event)
{
    // Keep the window shown when the window manager minimizes it, without
    // taking the focus from whatever the user works in.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        QTimer::singleShot(0, this, &KeyScan::keepShown);
    QWidget::changeEvent(event);
}

void KeyScan::keepShown()
{
    if (!(windowState() & Qt::WindowMinimized))
        return;
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void KeyScan::showRequested()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    // The user asked for this window by starting Korvane again, but window
    // managers judge the request above by the time of our last input event and
    // may refuse it as focus stealing. The desktop's activation acts for the user.
    m_platform.windows().bringForward(windowTitle());
}

void KeyScan::closeEvent(QCloseEvent *event)
{
    // Closing the window ends the program at once, without saving the settings.
    event->accept();
    m_platform.events().endProgram(0);
}

} // namespace korvane
