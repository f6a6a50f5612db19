// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform.h"

namespace korvane {
namespace {

class NoKeyboard : public Keyboard
{
public:
    bool sendKeys(const QString &, bool) override { return false; }
    QString lastFailure() const override { return unavailableReason(); }
    QString unavailableReason() const override
    {
        return QStringLiteral("no keyboard to type with on this desktop");
    }
};

class NoWindows : public WindowActivator
{
public:
    bool activate(const QString &) override { return false; }
    bool bringForward(const QString &) override { return false; }
};

class NoApplications : public InstalledApplications
{
public:
    QList<InstalledApplication> list() override { return {}; }
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace

Keyboard &Platform::keyboard()
{
    static NoKeyboard keyboard;
    return keyboard;
}

WindowActivator &Platform::windows()
{
    static NoWindows windows;
    return windows;
}

InstalledApplications &Platform::applications()
{
    static NoApplications applications;
    return applications;
}

Clock &Platform::clock()
{
    static SystemClock clock;
    return clock;
}

} // namespace korvane
