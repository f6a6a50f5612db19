// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Qt backend: wave files played through Qt Multimedia, and the desktop's bell.

#include "desktopbell.h"
#include "platform.h"

#include <memory>

class QSoundEffect;

namespace korvane {

// One shared player, so that a new prompt cuts off the one still playing.
class QtSoundPlayer : public SoundPlayer
{
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;

    void playWave(const QString &path) override;
    void beep() override { m_bell.ring(); }
    DesktopBell &bell() { return m_bell; }

    // The file handed to the player by the last playWave(); empty when it was missing.
    QString currentFile() const { return m_currentFile; }

private:
    QString m_currentFile;
    std::unique_ptr<QSoundEffect> m_effect; // created on the first sound
    DesktopBell m_bell;
};

} // namespace korvane
