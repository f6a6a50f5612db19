// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A private folder per test that is both KORVANE_HOME and the current directory,
// with raw file access for checking bytes on disk.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace korvane::test {

class TempHome
{
public:
    TempHome()
        : m_previous(QDir::currentPath())
    {
        QVERIFY(m_dir.isValid());
        qputenv("KORVANE_HOME", QFile::encodeName(m_dir.path()));
        QDir::setCurrent(m_dir.path());
    }
    ~TempHome()
    {
        QDir::setCurrent(m_previous);
        qunsetenv("KORVANE_HOME");
    }

    QString path() const { return m_dir.path(); }
    // `name` in the folder; an absolute path stays as it is.
    // (Joined by hand: QDir takes a name such as ":.KWX" for a Qt resource.)
    QString file(const QString &name) const
    {
        return name.startsWith(u'/') ? name : m_dir.path() + u'/' + name;
    }

    // Every entry of the folder, dot-files included, sorted.
    QStringList entries() const
    {
        return QDir(path()).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    // "<missing>" for a file that does not exist.
    QByteArray read(const QString &name) const
    {
        QFile in(file(name));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("<missing>");
    }

    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile out(file(name));
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(out.write(bytes), bytes.size());
    }

private:
    QString m_previous;
    QTemporaryDir m_dir;
};

} // namespace korvane::test
