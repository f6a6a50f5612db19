// The pieces of a script line the engine tests cannot reach one by one: prefixes
// that resemble others, argument edges, date and time forms, and line ends.

#include "scriptfile.h"
#include "scriptline.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane::script;

Q_DECLARE_METATYPE(korvane::script::LineKind)

class TestScriptLines : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("KORVANE_HOME", m_home.path().toUtf8());
        QVERIFY(QDir::setCurrent(m_home.path()));
    }

    void classification_data()
    {
        // Fixed positions, not words: the character after a command is skipped.
        QTest::addColumn<QString>("line");
        QTest::addColumn<LineKind>("kind");
        QTest::addColumn<QString>("argument");
        QTest::newRow("comment") << "`* note" << LineKind::Comment << "";
        QTest::newRow("exit") << "`exit" << LineKind::Exit << "";
        QTest::newRow("exit and more is execute") << "`EXIT " << LineKind::Execute << "IT ";
        QTest::newRow("message") << "`Mxhello " << LineKind::Message << "hello ";
        QTest::newRow("st is save") << "`ST x" << LineKind::Save << " x";
        QTest::newRow("save append") << "`SA log" << LineKind::SaveAppend << "log";
        QTest::newRow("set, short") << "`SET" << LineKind::Set << "";
        QTest::newRow("set") << "`SET  two" << LineKind::Set << " two";
        QTest::newRow("stap") << "`STAP x" << LineKind::SetTime12 << "";
        QTest::newRow("serial") << "`COM1 ATZ" << LineKind::SerialPort << " ATZ";
        QTest::newRow("copy") << "`cp a b" << LineKind::Copy << "a b";
        QTest::newRow("remove dir") << "`RD gone" << LineKind::RemoveDir << "gone";
        QTest::newRow("keystrokes") << " `M x{ENTER}" << LineKind::Keystrokes << " `M x{ENTER}";
        QTest::newRow("unknown backquote types") << "`X" << LineKind::Keystrokes << "`X";
        QTest::newRow("lone backquote types") << "`" << LineKind::Keystrokes << "`";
    }
    void classification()
    {
        QFETCH(QString, line);
        QFETCH(LineKind, kind);
        QFETCH(QString, argument);
        const ClassifiedLine classified = classifyLine(line);
        QCOMPARE(classified.kind, kind);
        QCOMPARE(classified.argument, argument);
    }

    void argumentReaders()
    {
        const CopyArguments noDestination = copyArguments(u"a.txt");
        QCOMPARE(noDestination.source, "a.txt");
        QVERIFY(noDestination.destination.isEmpty());
        QCOMPARE(serialPortName(u"`com2x"), "COM2X");
        QCOMPARE(serialDevice("COM1"), "/dev/ttyS0");
        QCOMPARE(serialDevice("COM0"), "COM0");
        QCOMPARE(waitSeconds(u"0.5 seconds"), 0.5);
    }

    void datesAndTimesInUsForms()
    {
        QCOMPARE(parseUsDate(u"12/05/2026"), std::optional(QDate(2026, 12, 5)));
        QCOMPARE(parseUsDate(u"1/2/27 10:00"), std::optional(QDate(2027, 1, 2)));
        QVERIFY(!parseUsDate(u"13/01/2026"));
        QVERIFY(!parseUsDate(u"MM/DD/YYYY"));
        QCOMPARE(parseTimeOfDay(u"10:30:15 PM"), std::optional(QTime(22, 30, 15)));
        QCOMPARE(parseTimeOfDay(u"12:00 AM"), std::optional(QTime(0, 0)));
        QCOMPARE(parseTimeOfDay(u"12:01 pm"), std::optional(QTime(12, 1)));
        QVERIFY(!parseTimeOfDay(u"HH:MM:SS AM/PM"));
        QVERIFY(!parseTimeOfDay(u"25:00"));
        QCOMPARE(time12(QTime(0, 5)), "12:05 AM");
        QCOMPARE(time12(QTime(13, 9)), "01:09 PM");
        QCOMPARE(time24(QTime(7, 3)), "07:03");
    }

    void lineEnds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("cr") << QByteArray("a\rb") << QStringList{"a", "b"};
        QTest::newRow("lf") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("empty lines kept") << QByteArray("a\r\n\r\nb") << QStringList{"a", "", "b"};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("single line end") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("windows-1252") << QByteArray("caf\xe9\r\n\x80") << QStringList{"café", "€"};
        QTest::newRow("utf-8 with bom") << QByteArray("\xef\xbb\xbf"
                                                      "caf\xc3\xa9")
                                        << QStringList{"café"};
    }
    void lineEnds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QFile file(QStringLiteral("s.vlm"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();

        ScriptFileReader reader(file.fileName());
        QStringList read;
        while (const std::optional<QString> line = reader.readLine())
            read.append(*line);
        QCOMPARE(read, lines);
    }
};

QTEST_GUILESS_MAIN(TestScriptLines)
#include "test_script_lines.moc"
