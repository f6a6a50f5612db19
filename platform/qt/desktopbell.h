// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Qt backend: the desktop's bell. The freedesktop sound theme's "bell" event
// through libcanberra where a sound server plays it; otherwise the display's own
// bell. Sounding happens on a thread of its own, so a sound server that is slow
// or missing never holds up the caller.

#include <QObject>
#include <QThread>

namespace korvane {

class BellThread;

class DesktopBell : public QObject
{
    Q_OBJECT
public:
    explicit DesktopBell(QObject *parent = nullptr);
    ~DesktopBell() override;

    // Returns at once; the bell sounds shortly after.
    void ring();

signals:
    // The sound theme's bell could not be played: the display's bell rang instead.
    void fellBackToDisplayBell();

private:
    QThread m_thread;
    BellThread *m_worker = nullptr; // lives on m_thread
};

} // namespace korvane
