#include "fakeplatform.h"

#include <QCoreApplication>

namespace korvane {

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

void FakeDialogs::openFileName(QString &fileName)
{
    openPresets.append(fileName);
    if (!openChoices.isEmpty()) {
        const QString choice = openChoices.dequeue();
        if (!choice.isNull())
            fileName = choice;
    }
}

void FakeDialogs::saveFileName(QString &fileName)
{
    savePresets.append(fileName);
    if (!saveChoices.isEmpty()) {
        const QString choice = saveChoices.dequeue();
        if (!choice.isNull())
            fileName = choice;
    }
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

} // namespace korvane

namespace korvane {

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
