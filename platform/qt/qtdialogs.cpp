// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtdialogs.h"

#include "rgbcolour.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {
namespace {

constexpr QLatin1String kTitle("Korvane");

bool isPattern(const QString &name)
{
    return name.contains(u'*') || name.contains(u'?');
}

// Shows a file dialog preset with `fileName`: a pattern such as "*.vlm" filters
// the list, a name is selected. A cancelled dialog leaves `fileName` untouched.
void runFileDialog(QString &fileName, QFileDialog::AcceptMode mode, QFileDialog::FileMode fileMode,
                   bool useNative)
{
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(mode);
    dialog.setFileMode(fileMode);
    // Overwriting is not asked about; the caller decides what a chosen name means.
    QFileDialog::Options options = QFileDialog::DontConfirmOverwrite;
    // A desktop's own open dialog may take existing files only, whatever the mode;
    // Qt's own takes a new name too.
    const bool newNameToOpen = mode == QFileDialog::AcceptOpen && fileMode == QFileDialog::AnyFile;
    if (!useNative || newNameToOpen)
        options |= QFileDialog::DontUseNativeDialog;
    dialog.setOptions(options);

    if (!fileName.isEmpty()) {
        const QFileInfo preset(fileName);
        if (preset.path() != QLatin1String(".") && QFileInfo(preset.path()).isDir())
            dialog.setDirectory(preset.path());
        if (isPattern(preset.fileName()))
            dialog.setNameFilter(preset.fileName());
        else
            dialog.selectFile(preset.fileName());
    }

    if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList chosen = dialog.selectedFiles();
    if (!chosen.isEmpty())
        fileName = chosen.first();
}

// Qt's font dialog offers no text colour: it is embedded, without its own
// buttons, in a dialog that adds a colour button.
class FontColourDialog : public QDialog
{
public:
    FontColourDialog(const QFont &font, const QColor &colour, bool withColour, QWidget *parent)
        : QDialog(parent)
        , m_colour(colour)
    {
        setWindowTitle(QStringLiteral("Font"));
        m_fonts = new QFontDialog(font, this);
        m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
        m_fonts->setWindowFlags(Qt::Widget);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(m_fonts);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        if (withColour) {
            m_colourButton =
                buttons->addButton(QStringLiteral("&Colour..."), QDialogButtonBox::ActionRole);
            showColour();
            connect(m_colourButton, &QPushButton::clicked, this, [this] {
                const QColor chosen = QColorDialog::getColor(m_colour, this);
                if (chosen.isValid()) {
                    m_colour = chosen;
                    showColour();
                }
            });
        }
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }

    QFont font() const { return m_fonts->currentFont(); }
    QColor colour() const { return m_colour; }

private:
    void showColour()
    {
        QPixmap swatch(16, 16);
        swatch.fill(m_colour);
        m_colourButton->setIcon(QIcon(swatch));
    }

    QFontDialog *m_fonts = nullptr;
    QPushButton *m_colourButton = nullptr;
    QColor m_colour;
};

} // namespace

MessageAnswer QtDialogs::messageBox(const QString &text, MessageButtons buttons)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(kTitle);
    box.setIcon(QMessageBox::NoIcon);
    // Texts are plain (a script's message is never HTML), and a carriage return
    // alone breaks the line as it did on the classic desktop.
    box.setTextFormat(Qt::PlainText);
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    box.setText(shown);
    switch (buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    default:
        // Closing the box counts as its escape answer.
        if (buttons == MessageButtons::YesNo)
            return MessageAnswer::No;
        return buttons == MessageButtons::YesNoCancel ? MessageAnswer::Cancel : MessageAnswer::Ok;
    }
}

QString QtDialogs::inputBox(const QString &prompt)
{
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(kTitle);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(prompt);
    dialog.setTextValue(QString());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue();
}

void QtDialogs::openFileName(QString &fileName, OpenFileName accepts)
{
    runFileDialog(fileName, QFileDialog::AcceptOpen,
                  accepts == OpenFileName::ExistingOrNew ? QFileDialog::AnyFile
                                                         : QFileDialog::ExistingFile,
                  m_useNativeFileDialogs);
}

void QtDialogs::saveFileName(QString &fileName)
{
    runFileDialog(fileName, QFileDialog::AcceptSave, QFileDialog::AnyFile, m_useNativeFileDialogs);
}

void QtDialogs::fontDialog(FontChoice &font, FontDialogOptions options)
{
    QFont preset(font.name);
    if (font.size > 0)
        preset.setPointSizeF(font.size);
    preset.setBold(font.bold);
    preset.setItalic(font.italic);
    FontColourDialog dialog(preset, colourFromRgb(font.colour),
                            options.testFlag(FontDialogOption::Effects),
                            QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QFont chosen = dialog.font();
    font.name = chosen.family();
    font.size = chosen.pointSizeF();
    font.bold = chosen.bold();
    font.italic = chosen.italic();
    font.colour = rgbFromColour(dialog.colour());
}

bool QtDialogs::printerDialog(QPrinter &printer)
{
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

} // namespace korvane
