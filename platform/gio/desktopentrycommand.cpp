// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopentrycommand.h"

#include <QFile>

#include <glib.h>

namespace korvane {

namespace {

// Blanks and quotes are what splitCommandLine() reads as structure.
bool needsQuotes(const QString &argument)
{
    if (argument.isEmpty())
        return true;
    for (const QChar c : argument) {
        if (c == u' ' || c == u'\t' || c == u'"')
            return true;
    }
    return false;
}

// A quoted word: backslashes are literal except in front of a quote, so a run of
// them before a quote (or before the closing quote) is doubled.
QString quoted(const QString &argument)
{
    QString result = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"')
            result += QString(backslashes * 2 + 1, u'\\');
        else
            result += QString(backslashes, u'\\');
        backslashes = 0;
        result += c;
    }
    result += QString(backslashes * 2, u'\\');
    result += u'"';
    return result;
}

} // namespace

QStringList withoutFieldCodes(const QStringList &arguments)
{
    QStringList result;
    for (const QString &argument : arguments) {
        QString kept;
        bool hadCode = false;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            if (argument.at(i) != u'%' || i + 1 == argument.size()) {
                kept += argument.at(i);
                continue;
            }
            ++i;
            if (argument.at(i) == u'%') {
                kept += u'%';
            } else {
                hadCode = true; // %f, %U, %i... expand to nothing without files
            }
        }
        if (!(hadCode && kept.isEmpty()))
            result.append(kept);
    }
    return result;
}

QString joinCommandLine(const QStringList &arguments)
{
    QStringList words;
    words.reserve(arguments.size());
    for (const QString &argument : arguments)
        words.append(needsQuotes(argument) ? quoted(argument) : argument);
    return words.join(u' ');
}

std::optional<EntryCommand> commandFromExec(const QString &exec)
{
    gint argc = 0;
    gchar **argv = nullptr;
    if (!g_shell_parse_argv(exec.toUtf8().constData(), &argc, &argv, nullptr))
        return std::nullopt;
    QStringList arguments;
    for (gint i = 0; i < argc; ++i)
        arguments.append(QString::fromUtf8(argv[i]));
    g_strfreev(argv);

    arguments = withoutFieldCodes(arguments);
    if (arguments.isEmpty())
        return std::nullopt;
    gchar *found = g_find_program_in_path(QFile::encodeName(arguments.first()).constData());
    if (!found)
        return std::nullopt;
    arguments.first() = QFile::decodeName(found);
    g_free(found);
    return EntryCommand{arguments.first(), joinCommandLine(arguments)};
}

} // namespace korvane
