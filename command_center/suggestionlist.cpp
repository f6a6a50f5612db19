// SPDX-License-Identifier: GPL-3.0-or-later
#include "suggestionlist.h"

#include "pictures.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace korvane {

const QStringList kReservedWords = {
    QStringLiteral("ADD KEYWORD"), QStringLiteral("APPLICATIONS"), QStringLiteral("DIR"),
    QStringLiteral("EXIT"),        QStringLiteral("KEYWORDS"),     QStringLiteral("POPUP"),
    QStringLiteral("SHUTDOWN"),
};

namespace {

constexpr int kMostRowsShown = 8;
constexpr int kIconSize = 16;
constexpr int kPadding = 4;
// Wide enough for a key word, a program and its count side by side; the field
// alone is narrower.
constexpr int kLeastWidth = 440;

QString countText(const db::Suggestion &suggestion)
{
    if (suggestion.reserved)
        return QStringLiteral("reserved word");
    return suggestion.programCount == 1
               ? QStringLiteral("1 program")
               : QStringLiteral("%1 programs").arg(suggestion.programCount);
}

} // namespace

ProgramFace programFace(const QString &program, ApplicationIcons *icons)
{
    if (const InstalledApplication *application = icons ? icons->applicationFor(program) : nullptr) {
        const QIcon icon = applicationIcon(application->iconName);
        if (!icon.isNull())
            return {icon, application->name};
    }
    static const QIcon genericIcon =
        QIcon::fromTheme(QStringLiteral("application-x-executable"),
                         QApplication::style()->standardIcon(QStyle::SP_FileIcon));
    return {genericIcon, program};
}

SuggestionList::SuggestionList(const QString &folder, QLineEdit *field)
    // Outside the window manager's care, as completion lists are: it maps at once,
    // stays above the bar and is never given the focus.
    : QWidget(field->window(), Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                                   Qt::X11BypassWindowManagerHint)
    , m_field(field)
    , m_source(std::make_unique<db::SuggestionSource>(folder, kReservedWords))
    , m_index(m_source->index())
{
    setObjectName(QStringLiteral("suggestionList"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    hide(); // a window of its own: not shown with the bar

    m_scrollBar = new QScrollBar(Qt::Vertical, this);
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_scrollBar->hide();
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        m_firstShown = value;
        update();
    });

    connect(m_field, &QLineEdit::textEdited, this, &SuggestionList::updateFor);
    connect(m_source.get(), &db::SuggestionSource::changed, this, &SuggestionList::onIndexChanged);
    m_field->installEventFilter(this);
    m_field->window()->installEventFilter(this);
}

SuggestionList::~SuggestionList() = default;

void SuggestionList::reload()
{
    m_source->reload();
    if (m_icons)
        m_icons->forget(); // applications may have come or gone too
}

void SuggestionList::showApplicationIcons(InstalledApplications &applications)
{
    m_icons = std::make_unique<ApplicationIcons>(applications);
}

void SuggestionList::onIndexChanged()
{
    // Positions in the old index mean nothing in the new one: match again.
    const bool shown = isVisible();
    m_index = m_source->index();
    m_matches = {};
    m_current = -1;
    if (shown && m_field)
        updateFor(m_field->text());
}

const db::Suggestion &SuggestionList::suggestionAt(int row) const
{
    return m_index->suggestions().at(m_matches.at(row));
}

void SuggestionList::updateFor(const QString &typed)
{
    m_index = m_source->index();
    m_matches = m_index->match(db::KeyWord(typed));
    m_current = -1;
    if (m_matches.count() == 0) {
        hide();
        return;
    }
    const int rows = std::min(rowCount(), kMostRowsShown);
    const bool scrolls = rowCount() > kMostRowsShown;
    m_scrollBar->setVisible(scrolls);
    m_scrollBar->setRange(0, rowCount() - rows);
    m_scrollBar->setPageStep(rows);
    scrollTo(0);
    const int width = std::max(m_field->width(), kLeastWidth);
    const QSize size(width, rows * rowHeight() + 2);
    if (this->size() != size)
        resize(size);
    m_scrollBar->setGeometry(width - 1 - m_scrollBar->sizeHint().width(), 1,
                             m_scrollBar->sizeHint().width(), height() - 2);
    placeUnderField();
    update();
    if (!isVisible())
        show();
}

void SuggestionList::placeUnderField()
{
    if (m_field)
        move(m_field->mapToGlobal(QPoint(0, m_field->height())));
}

int SuggestionList::rowHeight() const
{
    return std::max(fontMetrics().height() + 6, kIconSize + 6);
}

int SuggestionList::visibleRows() const
{
    return std::min(rowCount(), kMostRowsShown);
}

void SuggestionList::scrollTo(int firstRow)
{
    m_firstShown = std::clamp(firstRow, 0, std::max(0, rowCount() - visibleRows()));
    const QSignalBlocker quiet(m_scrollBar);
    m_scrollBar->setValue(m_firstShown);
    update();
}

void SuggestionList::moveCurrent(int rows)
{
    // Up from the first row goes back to none chosen: Enter then acts on the typed text.
    m_current = std::clamp(m_current + rows, -1, rowCount() - 1);
    if (m_current >= 0 && m_current < m_firstShown)
        scrollTo(m_current);
    else if (m_current >= m_firstShown + visibleRows())
        scrollTo(m_current - visibleRows() + 1);
    update();
}

bool SuggestionList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field) {
        if (event->type() == QEvent::KeyPress)
            return handleFieldKey(static_cast<QKeyEvent *>(event));
        if (event->type() == QEvent::FocusOut)
            hide();
    } else if (m_field && watched == m_field->window()) {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
            if (isVisible())
                placeUnderField();
        } else if (event->type() == QEvent::Hide) {
            hide();
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool SuggestionList::handleFieldKey(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        if (!isVisible()) {
            updateFor(m_field->text());
            return true;
        }
        moveCurrent(event->key() == Qt::Key_Down ? 1 : visibleRows());
        return true;
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        if (!isVisible())
            return false;
        moveCurrent(event->key() == Qt::Key_Up ? -1 : -visibleRows());
        return true;
    case Qt::Key_Escape:
        if (!isVisible())
            return false;
        hide();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The chosen word goes into the field; the window then acts on the field's
        // text as on any Enter.
        if (isVisible() && m_current >= 0)
            m_field->setText(suggestionAt(m_current).keyWord);
        hide();
        return false;
    default:
        return false;
    }
}

void SuggestionList::mousePressEvent(QMouseEvent *event)
{
    const int row = m_firstShown + int(event->position().y() - 1) / rowHeight();
    if (event->button() != Qt::LeftButton || row < 0 || row >= rowCount() || !m_field)
        return;
    m_current = row;
    // A click is Enter on that row.
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(m_field, &enter);
}

void SuggestionList::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y() / 120;
    scrollTo(m_firstShown - steps);
}

void SuggestionList::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const int right = width() - 1 - (m_scrollBar->isVisible() ? m_scrollBar->width() : 0);
    const int rows = visibleRows();
    for (int i = 0; i < rows; ++i) {
        const QRect rowRect(1, 1 + i * rowHeight(), right - 1, rowHeight());
        paintRow(painter, rowRect, m_firstShown + i);
    }
}

void SuggestionList::paintRow(QPainter &painter, const QRect &rect, int row)
{
    const db::Suggestion &suggestion = suggestionAt(row);
    const bool chosen = row == m_current;
    if (chosen)
        painter.fillRect(rect, palette().color(QPalette::Highlight));
    // The words that only contain the text begin below a line.
    if (row == m_matches.prefixCount() && row > 0) {
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(rect.topLeft(), rect.topRight());
    }

    const QRect content = rect.adjusted(kPadding, 0, -kPadding, 0);
    QIcon icon;
    QString program;
    if (suggestion.reserved) {
        if (m_reservedIcon.isNull())
            m_reservedIcon = pictureIcon(kCommandCenterEmblemPicture, kIconSize);
        icon = m_reservedIcon;
    } else {
        const ProgramFace face = programFace(suggestion.firstProgram, m_icons.get());
        icon = face.icon;
        program = face.name;
    }
    icon.paint(&painter, QRect(content.left(), content.top() + (content.height() - kIconSize) / 2,
                               kIconSize, kIconSize));

    const QColor text = palette().color(chosen ? QPalette::HighlightedText : QPalette::Text);
    const QColor dim = chosen ? text : palette().color(QPalette::PlaceholderText);
    QRect area = content.adjusted(kIconSize + kPadding * 2, 0, 0, 0);

    const QString count = countText(suggestion);
    QFont countFont = font();
    countFont.setItalic(suggestion.reserved);
    painter.setFont(countFont);
    painter.setPen(dim);
    const int countWidth = QFontMetrics(countFont).horizontalAdvance(count);
    painter.drawText(area, Qt::AlignRight | Qt::AlignVCenter, count);
    area.setRight(area.right() - countWidth - kPadding * 3);

    QFont wordFont = font();
    wordFont.setBold(true);
    // Measured unrounded: a width rounded down would elide every word.
    const QFontMetricsF wordMetrics(wordFont);
    const int wordWidth =
        std::min(int(std::ceil(wordMetrics.horizontalAdvance(suggestion.keyWord))) + 1,
                 area.width() * 3 / 5);
    painter.setFont(wordFont);
    painter.setPen(text);
    painter.drawText(QRect(area.left(), area.top(), wordWidth, area.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     wordMetrics.elidedText(suggestion.keyWord, Qt::ElideRight, wordWidth));
    area.setLeft(area.left() + wordWidth + kPadding * 3);

    painter.setFont(font());
    painter.setPen(dim);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(program, Qt::ElideMiddle, area.width()));
}

} // namespace korvane
