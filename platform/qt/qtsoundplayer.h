#pragma once

// Qt backend: wave files played through Qt Multimedia.

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

    // The file handed to the player by the last playWave(); empty when it was missing.
    QString currentFile() const { return m_currentFile; }

private:
    QString m_currentFile;
    std::unique_ptr<QSoundEffect> m_effect; // created on the first sound
};

} // namespace korvane
