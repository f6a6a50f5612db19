// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Activate by title" on KDE Plasma: KWin lets no other client activate a window,
// but it runs scripts handed to it over D-Bus (org.kde.KWin /Scripting). Each
// activation loads a small script that finds the window by caption (exact, then
// prefix, ignoring case), activates it and reports back to this object over D-Bus.

#include "keyboard.h"

#include <QObject>
#include <QString>

namespace korvane {

class KWinWindowActivator : public QObject, public WindowActivator
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.korvane.KWinActivation")

public:
    explicit KWinWindowActivator(QObject *parent = nullptr);
    ~KWinWindowActivator() override;

    bool activate(const QString &title) override;
    bool bringForward(const QString &title) override;

    // Why no window can be activated (KWin is not on the session bus), empty when
    // windows can be.
    QString unavailableReason() const;
    // The caption of the window the last activation picked; empty when none matched.
    QString lastCaption() const { return m_lastCaption; }

    // The script text an activation of `title` loads, reporting to `service` with
    // `token`.
    static QString scriptFor(const QString &title, const QString &service, const QString &token);

public slots:
    // Called by the script over D-Bus.
    Q_SCRIPTABLE void report(const QString &token, bool found, const QString &caption);

signals:
    void reported();

private:
    bool run(const QString &title);

    bool m_registered = false;
    QString m_expectedToken;
    bool m_answered = false;
    bool m_found = false;
    QString m_lastCaption;
    quint64 m_runs = 0;
};

} // namespace korvane
