// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Qt backend: starting programs (planned by launchplan.h) through QProcess.

#include "platform.h"

namespace korvane {

// Starts the planned program detached, in a session of its own, so that it
// outlives Korvane and is never a child Korvane has to reap.
class QtProcessLauncher : public ProcessLauncher
{
public:
    bool start(const QString &commandLine) override;
    QString lastFailure() const override { return m_lastFailure; }

private:
    QString m_lastFailure;
};

} // namespace korvane
