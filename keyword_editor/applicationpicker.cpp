// SPDX-License-Identifier: GPL-3.0-or-later
#include "applicationpicker.h"

#include "applicationicons.h"

#include <QAbstractListModel>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace korvane {

namespace {

constexpr int kIconSize = 32;
constexpr QSize kPickerSize(460, 520);

// How well an application answers the search text, best first; nullopt when it
// does not: its name starts with the text, its name holds every word, its name
// or description holds every word.
std::optional<int> rankOf(const InstalledApplication &application, const QString &text,
                          const QStringList &words)
{
    if (words.isEmpty() || application.name.startsWith(text, Qt::CaseInsensitive))
        return 0;
    const auto all = [&words](const QString &in) {
        return std::all_of(words.cbegin(), words.cend(), [&in](const QString &word) {
            return in.contains(word, Qt::CaseInsensitive);
        });
    };
    if (all(application.name))
        return 1;
    if (all(application.name + u'\n' + application.comment))
        return 2;
    return std::nullopt;
}

} // namespace

// The applications that answer the search text, best first, name order within a rank.
class ApplicationListModel : public QAbstractListModel
{
public:
    ApplicationListModel(QList<InstalledApplication> applications, QObject *parent)
        : QAbstractListModel(parent)
        , m_applications(std::move(applications))
    {
        QPixmap blank(kIconSize, kIconSize);
        blank.fill(Qt::transparent);
        m_blankIcon = QIcon(blank);
        setFilter(QString());
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_shown.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_shown.size())
            return {};
        const InstalledApplication &application = at(index.row());
        switch (role) {
        case Qt::DisplayRole:
            return application.comment.isEmpty() ? application.name
                                                 : application.name + u'\n' + application.comment;
        case Qt::DecorationRole:
            return iconOf(application);
        case Qt::ToolTipRole:
            return application.commandLine;
        default:
            return {};
        }
    }

    const InstalledApplication &at(int row) const { return m_applications.at(m_shown.at(row)); }

    void setFilter(const QString &typed)
    {
        const QString text = typed.simplified();
        const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
        QList<std::pair<int, qsizetype>> ranked;
        for (qsizetype i = 0; i < m_applications.size(); ++i) {
            if (const std::optional<int> rank = rankOf(m_applications.at(i), text, words))
                ranked.append({*rank, i});
        }
        std::stable_sort(ranked.begin(), ranked.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        beginResetModel();
        m_shown.clear();
        for (const auto &[rank, i] : std::as_const(ranked))
            m_shown.append(i);
        endResetModel();
    }

private:
    // Loaded when a row is first painted, so a long list opens at once.
    QIcon iconOf(const InstalledApplication &application) const
    {
        QIcon icon = applicationIcon(application.iconName);
        if (icon.isNull())
            icon = applicationIcon(QStringLiteral("application-x-executable"));
        return icon.isNull() ? m_blankIcon : icon;
    }

    QList<InstalledApplication> m_applications;
    QList<qsizetype> m_shown;
    QIcon m_blankIcon;
};

ApplicationPicker::ApplicationPicker(QList<InstalledApplication> applications, QWidget *parent)
    : QDialog(parent)
    , m_model(new ApplicationListModel(std::move(applications), this))
{
    setWindowTitle(kApplicationPickerTitle);
    setObjectName(QStringLiteral("applicationPicker"));

    m_searchField = new QLineEdit(this);
    m_searchField->setObjectName(QStringLiteral("applicationSearchField"));
    m_searchField->setPlaceholderText(QStringLiteral("Type to search by name or description"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->installEventFilter(this);

    m_listView = new QListView(this);
    m_listView->setObjectName(QStringLiteral("applicationList"));
    m_listView->setModel(m_model);
    m_listView->setIconSize(QSize(kIconSize, kIconSize));
    m_listView->setUniformItemSizes(true);
    m_listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView->setSelectionMode(QAbstractItemView::SingleSelection);

    m_emptyLabel = new QLabel(QStringLiteral("No installed application matches."), this);
    m_emptyLabel->setObjectName(QStringLiteral("noApplicationLabel"));
    m_emptyLabel->setAlignment(Qt::AlignCenter);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Choose"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_searchField);
    layout->addWidget(m_listView, 1);
    layout->addWidget(m_emptyLabel);
    layout->addWidget(buttons);
    resize(kPickerSize);

    connect(m_searchField, &QLineEdit::textChanged, this, &ApplicationPicker::onSearchTextChanged);
    connect(m_listView, &QListView::doubleClicked, this, &ApplicationPicker::chooseCurrent);
    connect(buttons, &QDialogButtonBox::accepted, this, &ApplicationPicker::chooseCurrent);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    onSearchTextChanged(QString());
    m_searchField->setFocus();
}

ApplicationPicker::~ApplicationPicker() = default;

ApplicationPicker *ApplicationPicker::open(Platform &platform, QWidget *parent,
                                           std::function<void(const InstalledApplication &)> chosen)
{
    auto *picker = new ApplicationPicker(platform.applications().list(), parent);
    picker->setAttribute(Qt::WA_DeleteOnClose);
    connect(picker, &ApplicationPicker::applicationChosen, parent, std::move(chosen));
    picker->QDialog::open();
    return picker;
}

QStringList ApplicationPicker::shownNames() const
{
    QStringList names;
    for (int row = 0; row < m_model->rowCount(); ++row)
        names.append(m_model->at(row).name);
    return names;
}

void ApplicationPicker::onSearchTextChanged(const QString &text)
{
    m_model->setFilter(text);
    const bool empty = m_model->rowCount() == 0;
    m_emptyLabel->setVisible(empty);
    if (!empty)
        m_listView->setCurrentIndex(m_model->index(0));
}

void ApplicationPicker::chooseCurrent()
{
    const QModelIndex current = m_listView->currentIndex();
    // Enter with nothing left in the list keeps the picker open.
    if (!current.isValid())
        return;
    emit applicationChosen(m_model->at(current.row()));
    accept();
}

bool ApplicationPicker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_searchField && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // Moving through the list while the typing stays in the field.
            QCoreApplication::sendEvent(m_listView, event);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            chooseCurrent();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace korvane
