// Every data file the program names ships in data/ under exactly that name, is
// copied beside the built executable, and is a usable text or a small wave file.

#include "maintenance.h"
#include "tutorialsteps.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace korvane;

namespace {

QStringList namedDataFiles()
{
    QStringList names = tutorialDataFiles();
    names << db::kNoAppWave << db::kNoKeyWordWave << db::kDeleteWave;
    return names;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 le32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 le16(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

} // namespace

class TestShippedData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyNamedFileShipsUnderItsExactName();
    void textsAreShortFriendlyAndNotEmpty();
    void wavesArePlayablePcmOfModestSize();

private:
    QTemporaryDir m_home;
};

void TestShippedData::initTestCase()
{
    qputenv("KORVANE_HOME", m_home.path().toLocal8Bit());
    QDir::setCurrent(m_home.path());
}

void TestShippedData::everyNamedFileShipsUnderItsExactName()
{
    const QStringList names = namedDataFiles();
    QCOMPARE(names.size(), 8 + 11);
    const QStringList source = QDir(QStringLiteral(KORVANE_SOURCE_DATA)).entryList(QDir::Files);
    const QStringList built = QDir(QStringLiteral(KORVANE_BUILT_APP_DIR)).entryList(QDir::Files);
    for (const QString &name : names) {
        QVERIFY2(source.contains(name), qPrintable(name + QStringLiteral(" is not in data/")));
        QVERIFY2(built.contains(name),
                 qPrintable(name + QStringLiteral(" was not copied beside the executable")));
        QCOMPARE(readAll(QStringLiteral(KORVANE_BUILT_APP_DIR "/") + name),
                 readAll(QStringLiteral(KORVANE_SOURCE_DATA "/") + name));
    }
}

void TestShippedData::textsAreShortFriendlyAndNotEmpty()
{
    for (const TutorialStep &step : tutorialSteps()) {
        const QByteArray bytes = readAll(QStringLiteral(KORVANE_SOURCE_DATA "/") + step.textFile);
        QVERIFY2(!bytes.trimmed().isEmpty(), qPrintable(step.textFile));
        QVERIFY2(bytes.size() < 1200, qPrintable(step.textFile + QStringLiteral(" is too long")));
        QVERIFY2(!QString::fromUtf8(bytes).contains(QLatin1Char('\\')),
                 qPrintable(step.textFile + QStringLiteral(" shows a Windows path")));
    }
}

void TestShippedData::wavesArePlayablePcmOfModestSize()
{
    const QStringList names = namedDataFiles();
    for (const QString &name : names) {
        if (!name.endsWith(QLatin1String(".Wav")))
            continue;
        const QByteArray wave = readAll(QStringLiteral(KORVANE_SOURCE_DATA "/") + name);
        QVERIFY2(wave.size() > 44 && wave.size() <= 400 * 1024, qPrintable(name));
        QCOMPARE(wave.left(4), QByteArray("RIFF"));
        QCOMPARE(wave.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(le16(wave, 20), quint16(1));     // PCM
        QCOMPARE(le16(wave, 22), quint16(1));     // mono
        QCOMPARE(le32(wave, 24), quint32(16000)); // 16 kHz
        QCOMPARE(le16(wave, 34), quint16(16));    // 16-bit
        // At least a second of sound, and not silence.
        QVERIFY2(wave.size() > 32000, qPrintable(name));
        const int data = wave.indexOf("data");
        QVERIFY(data > 0);
        int loud = 0;
        for (int at = data + 8; at + 1 < wave.size(); at += 2)
            loud += std::abs(qint16(le16(wave, at))) > 2000;
        QVERIFY2(loud > 1000, qPrintable(name + QStringLiteral(" is silent")));
    }
}

QTEST_GUILESS_MAIN(TestShippedData)
#include "test_shipped_data.moc"
