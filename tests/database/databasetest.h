#pragma once

// Shared by the database tests: a private Application folder per test, and raw
// file helpers for checking bytes on disk.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace korvane::test {

// A fresh temporary folder that is both KORVANE_HOME and the current directory.
class TempHome
{
public:
    TempHome()
        : m_previous(QDir::currentPath())
    {
        QVERIFY(m_dir.isValid());
        qputenv("KORVANE_HOME", m_dir.path().toLocal8Bit());
        QDir::setCurrent(m_dir.path());
    }
    ~TempHome()
    {
        QDir::setCurrent(m_previous);
        qunsetenv("KORVANE_HOME");
    }
    TempHome(const TempHome &) = delete;
    TempHome &operator=(const TempHome &) = delete;

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.path() + u'/' + name; }

    // Every entry of the folder, dot-files included, sorted.
    QStringList entries() const
    {
        return QDir(m_dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    }

    QByteArray read(const QString &name) const
    {
        QFile file(this->file(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(this->file(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }

private:
    QString m_previous;
    QTemporaryDir m_dir;
};

inline QByteArray spaces(int count)
{
    return QByteArray(count, ' ');
}

} // namespace korvane::test
