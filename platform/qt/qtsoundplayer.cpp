// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtsoundplayer.h"
#include "appfolder.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace korvane {

QtSoundPlayer::QtSoundPlayer() = default;
QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::playWave(const QString &path)
{
    if (m_effect)
        m_effect->stop();

    // Wave file names are written in mixed case; the file on disk may differ.
    const QFileInfo info(path);
    const QString file = findEntryIgnoringCase(info.path(), info.fileName());
    // A missing file stays silent, without a message or a default sound.
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        m_currentFile.clear();
        return;
    }
    m_currentFile = file;

    if (!m_effect)
        m_effect = std::make_unique<QSoundEffect>();
    // Without a sound device the effect reports an error on its own and stays silent.
    m_effect->setSource(QUrl::fromLocalFile(file));
    m_effect->play();
}

} // namespace korvane
