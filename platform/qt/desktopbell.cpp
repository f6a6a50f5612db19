// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopbell.h"

#include <QApplication>
#include <QMetaObject>

#include <canberra.h>

namespace korvane {

// Owns the libcanberra context, on the bell's own thread.
class BellThread : public QObject
{
    Q_OBJECT
public:
    ~BellThread() override
    {
        if (m_context)
            ca_context_destroy(m_context);
    }

    // Plays the theme's bell; false when no sound server or no theme sound played.
    bool playThemeBell()
    {
        if (!m_context && ca_context_create(&m_context) != CA_SUCCESS) {
            m_context = nullptr;
            return false;
        }
        return ca_context_play(m_context, 0, CA_PROP_EVENT_ID, "bell", CA_PROP_EVENT_DESCRIPTION,
                               "Korvane script beep", nullptr) == CA_SUCCESS;
    }

private:
    ca_context *m_context = nullptr;
};

DesktopBell::DesktopBell(QObject *parent)
    : QObject(parent)
    , m_worker(new BellThread)
{
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("korvane bell"));
    m_thread.start();
}

DesktopBell::~DesktopBell()
{
    m_thread.quit();
    m_thread.wait();
}

void DesktopBell::ring()
{
    QMetaObject::invokeMethod(m_worker, [this] {
        if (m_worker->playThemeBell())
            return;
        // The display is the user interface thread's to use.
        QMetaObject::invokeMethod(this, [this] {
            QApplication::beep();
            emit fellBackToDisplayBell();
        });
    });
}

} // namespace korvane

#include "desktopbell.moc"
