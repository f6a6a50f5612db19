// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Qt backend: the modal dialogs (message, input, file, font and printer).

#include "platform.h"

namespace korvane {

// Message and input boxes titled "Korvane", the open and save file dialogs, the
// font dialog (with the text colour) and the printer dialog.
class QtDialogs : public Dialogs
{
public:
    MessageAnswer messageBox(const QString &text, MessageButtons buttons) override;
    QString inputBox(const QString &prompt) override;
    void openFileName(QString &fileName, OpenFileName accepts = OpenFileName::Existing) override;
    void saveFileName(QString &fileName) override;
    void fontDialog(FontChoice &font, FontDialogOptions options) override;
    bool printerDialog(QPrinter &printer) override;

    // The desktop's own file dialog is used by default; Qt's widget dialog can be
    // asked for instead (tests need a dialog they can find and drive).
    void setUseNativeFileDialogs(bool useNative) { m_useNativeFileDialogs = useNative; }

private:
    bool m_useNativeFileDialogs = true;
};

} // namespace korvane
