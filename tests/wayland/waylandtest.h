// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the Wayland tests share: layouts compiled as compositors compile them, and
// the real korvane binary run as a user runs it.

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

namespace korvane::e2e {

// The keymap of an XKB layout (with options), as XKB text; empty when unknown.
inline QByteArray keymapText(const char *layout, const char *options = nullptr)
{
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names = {"evdev", "pc105", layout, nullptr, options};
    xkb_keymap *keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char *text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    const QByteArray result(text);
    std::free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return result;
}

#ifdef KORVANE_BINARY
struct KorvaneRun
{
    int status = -1; // -1: it did not end in time
    QString errors;  // its standard error
};

// The test's own environment with the Application folder `home` and `extra`
// ("NAME=value") added, Korvane left to pick its windows' platform.
inline QProcessEnvironment korvaneEnvironment(const QString &home, const QStringList &extra = {})
{
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.remove(QStringLiteral("QT_QPA_PLATFORM"));
    variables.insert(QStringLiteral("KORVANE_HOME"), home);
    for (const QString &variable : extra)
        variables.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    return variables;
}

// Runs korvane in `home` and waits for its end: on a script of `scriptLines`
// (written as korvane reads them, UTF-8 with CR LF) when there are any.
inline KorvaneRun runKorvane(const QString &home, const QStringList &scriptLines = {},
                             const QStringList &environment = {})
{
    QProcess korvane;
    QFile script(home + QStringLiteral("/job.vlm"));
    const QByteArray text = (scriptLines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
    if (!scriptLines.isEmpty() &&
        !(script.open(QIODevice::WriteOnly | QIODevice::Truncate) && script.write(text) == text.size()))
        return {};
    script.close();
    korvane.setProcessEnvironment(korvaneEnvironment(home, environment));
    korvane.setWorkingDirectory(home);
    korvane.start(QStringLiteral(KORVANE_BINARY),
                  scriptLines.isEmpty() ? QStringList() : QStringList{script.fileName()});
    if (!korvane.waitForFinished(30000)) {
        korvane.kill();
        korvane.waitForFinished();
        return {};
    }
    return {korvane.exitCode(), QString::fromLocal8Bit(korvane.readAllStandardError())};
}
#endif

} // namespace korvane::e2e
