// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakeplatform.h"

#include <QCoreApplication>

namespace korvane {

namespace {

// Records the preset and answers with the next queued choice; a null choice or an
// empty queue is a cancelled dialog, which leaves the name as it was.
void answerFileDialog(QString &fileName, QStringList &presets, QQueue<QString> &choices)
{
    presets.append(fileName);
    const QString choice = choices.isEmpty() ? QString() : choices.dequeue();
    if (!choice.isNull())
        fileName = choice;
}

} // namespace

bool FakeProcessLauncher::start(const QString &commandLine)
{
    started.append(commandLine);
    return startSucceeds;
}

MessageAnswer FakeDialogs::messageBox(const QString &text, MessageButtons buttons)
{
    boxes.append({text, buttons});
    if (!answers.isEmpty())
        return answers.dequeue();
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
}

QString FakeDialogs::inputBox(const QString &prompt)
{
    inputPrompts.append(prompt);
    return inputs.isEmpty() ? QString() : inputs.dequeue();
}

void FakeDialogs::openFileName(QString &fileName, OpenFileName accepts)
{
    openAccepts.append(accepts);
    answerFileDialog(fileName, openPresets, openChoices);
}

void FakeDialogs::saveFileName(QString &fileName)
{
    answerFileDialog(fileName, savePresets, saveChoices);
}

void FakeDialogs::fontDialog(FontChoice &font, FontDialogOptions options)
{
    fontRequests.append({font, options});
    if (!fontChoices.isEmpty())
        font = fontChoices.dequeue();
}

bool FakeDialogs::printerDialog(QPrinter &)
{
    ++printerDialogs;
    return printerDialogAccepted;
}

void FakeEventLoop::doEvents()
{
    ++doEventsCalls;
    if (processQtEvents)
        QCoreApplication::processEvents();
    if (onYield)
        onYield();
}

void FakeEventLoop::waitForEvents(int maxMs)
{
    ++waitCalls;
    if (advancing)
        advancing->current = advancing->current.addMSecs(maxMs);
    if (processQtEvents)
        QCoreApplication::processEvents(QEventLoop::AllEvents, maxMs);
    if (onYield)
        onYield();
}

void FakeEventLoop::endProgram(int code)
{
    ended = true;
    exitCode = code;
}

bool FakeSession::logout()
{
    ++logoutRequests;
    return true;
}

void FakeSoundPlayer::playWave(const QString &path)
{
    played.append(path);
}

bool FakeKeyboard::sendKeys(const QString &notation, bool wait)
{
    sent.append({notation, wait});
    return succeeds;
}

bool FakeWindowActivator::activate(const QString &title)
{
    activated.append(title);
    return succeeds;
}

bool FakeWindowActivator::bringForward(const QString &title)
{
    broughtForward.append(title);
    return succeeds;
}

} // namespace korvane
