#include "qtdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

namespace korvane {
namespace {

constexpr QLatin1String kTitle("Korvane");

bool isPattern(const QString &name)
{
    return name.contains(u'*') || name.contains(u'?');
}

// Shows a file dialog preset with `fileName`: a pattern such as "*.vlm" filters
// the list, a name is selected. A cancelled dialog leaves `fileName` untouched.
void runFileDialog(QString &fileName, QFileDialog::AcceptMode mode, bool useNative)
{
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    // Overwriting is not asked about; the caller decides what a chosen name means.
    QFileDialog::Options options = QFileDialog::DontConfirmOverwrite;
    if (!useNative)
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

} // namespace

MessageAnswer QtDialogs::messageBox(const QString &text, MessageButtons buttons)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(kTitle);
    box.setIcon(QMessageBox::NoIcon);
    box.setText(text);
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

void QtDialogs::openFileName(QString &fileName)
{
    runFileDialog(fileName, QFileDialog::AcceptOpen, m_useNativeFileDialogs);
}

void QtDialogs::saveFileName(QString &fileName)
{
    runFileDialog(fileName, QFileDialog::AcceptSave, m_useNativeFileDialogs);
}

} // namespace korvane
