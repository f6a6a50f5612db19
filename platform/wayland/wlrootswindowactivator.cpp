// SPDX-License-Identifier: GPL-3.0-or-later
#include "wlrootswindowactivator.h"
#include "waylandconnection.h"
#include "windowtitles.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <QDeadlineTimer>
#include <QThread>

#include <wayland-client.h>

#include <algorithm>

#include <poll.h>

namespace korvane {

namespace {

constexpr int kActivationWaitMs = 1000;
constexpr int kPollMs = 10;

WlrootsWindowActivator *activatorOf(void *data)
{
    return static_cast<WlrootsWindowActivator *>(data);
}

void onTitle(void *data, zwlr_foreign_toplevel_handle_v1 *handle, const char *title)
{
    activatorOf(data)->toplevels()[handle].pendingTitle = QString::fromUtf8(title);
}

void onAppId(void *, zwlr_foreign_toplevel_handle_v1 *, const char *) {}
void onOutputEnter(void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {}
void onOutputLeave(void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {}

void onState(void *data, zwlr_foreign_toplevel_handle_v1 *handle, wl_array *states)
{
    bool active = false;
    const auto *state = static_cast<const uint32_t *>(states->data);
    for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i)
        active = active || state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
    activatorOf(data)->toplevels()[handle].pendingActive = active;
}

void onDone(void *data, zwlr_foreign_toplevel_handle_v1 *handle)
{
    auto &toplevel = activatorOf(data)->toplevels()[handle];
    toplevel.title = toplevel.pendingTitle;
    toplevel.active = toplevel.pendingActive;
}

void onClosed(void *data, zwlr_foreign_toplevel_handle_v1 *handle)
{
    activatorOf(data)->toplevels().remove(handle);
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
}

void onParent(void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *) {}

const zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
    onTitle, onAppId, onOutputEnter, onOutputLeave, onState, onDone, onClosed, onParent,
};

void onToplevel(void *data, zwlr_foreign_toplevel_manager_v1 *, zwlr_foreign_toplevel_handle_v1 *handle)
{
    auto *activator = activatorOf(data);
    activator->toplevels()[handle].order = activator->nextOrder();
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, data);
}

void onFinished(void *, zwlr_foreign_toplevel_manager_v1 *) {}

const zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {onToplevel, onFinished};

} // namespace

WlrootsWindowActivator::WlrootsWindowActivator(std::shared_ptr<WaylandConnection> connection,
                                               QObject *parent)
    : QObject(parent)
    , m_connection(connection ? std::move(connection) : std::make_shared<WaylandConnection>())
{
    if (auto *manager = m_connection->toplevelManager()) {
        zwlr_foreign_toplevel_manager_v1_add_listener(manager, &kManagerListener, this);
        // The compositor lists the windows open now in answer to the binding.
        m_connection->roundtrip();
    }
}

WlrootsWindowActivator::~WlrootsWindowActivator()
{
    if (!m_connection->display())
        return;
    for (auto it = m_toplevels.cbegin(); it != m_toplevels.cend(); ++it)
        zwlr_foreign_toplevel_handle_v1_destroy(it.key());
    m_toplevels.clear();
    m_connection->flush();
}

QString WlrootsWindowActivator::unavailableReason() const
{
    if (!m_connection->display())
        return m_connection->unavailableReason();
    if (!m_connection->toplevelManager())
        return tr("the Wayland compositor does not list its windows "
                  "(zwlr_foreign_toplevel_manager_v1)");
    if (!m_connection->seat())
        return tr("the Wayland compositor has no seat");
    return {};
}

QStringList WlrootsWindowActivator::windowTitles()
{
    if (!unavailableReason().isEmpty() || !m_connection->roundtrip())
        return {};
    QList<const Toplevel *> ordered;
    for (const Toplevel &toplevel : std::as_const(m_toplevels))
        ordered.append(&toplevel);
    std::sort(ordered.begin(), ordered.end(),
              [](const Toplevel *a, const Toplevel *b) { return a->order < b->order; });
    QStringList titles;
    for (const Toplevel *toplevel : std::as_const(ordered))
        titles.append(toplevel->title);
    return titles;
}

QString WlrootsWindowActivator::activeTitle()
{
    if (!unavailableReason().isEmpty() || !m_connection->roundtrip())
        return {};
    for (const Toplevel &toplevel : std::as_const(m_toplevels)) {
        if (toplevel.active)
            return toplevel.title;
    }
    return {};
}

zwlr_foreign_toplevel_handle_v1 *WlrootsWindowActivator::find(const QString &title)
{
    const QStringList titles = windowTitles();
    const qsizetype index = findWindowTitle(titles, title);
    if (index < 0)
        return nullptr;
    QList<zwlr_foreign_toplevel_handle_v1 *> ordered = m_toplevels.keys();
    std::sort(ordered.begin(), ordered.end(), [this](auto *a, auto *b) {
        return m_toplevels.value(a).order < m_toplevels.value(b).order;
    });
    return ordered.at(index);
}

bool WlrootsWindowActivator::request(const QString &title, bool wait)
{
    zwlr_foreign_toplevel_handle_v1 *handle = find(title);
    if (!handle)
        return false;
    if (m_toplevels.value(handle).active)
        return true;
    zwlr_foreign_toplevel_handle_v1_activate(handle, m_connection->seat());
    if (!wait)
        return m_connection->flush();
    // The compositor reports the new state once the window has the focus, the
    // moment from which typed keys go to it.
    const QDeadlineTimer deadline(kActivationWaitMs);
    while (!deadline.hasExpired()) {
        if (!m_connection->roundtrip())
            return false;
        if (!m_toplevels.contains(handle))
            return false;
        if (m_toplevels.value(handle).active)
            return true;
        QThread::msleep(kPollMs);
    }
    return true;
}

bool WlrootsWindowActivator::activate(const QString &title)
{
    return request(title, true);
}

bool WlrootsWindowActivator::bringForward(const QString &title)
{
    return request(title, false);
}

} // namespace korvane
