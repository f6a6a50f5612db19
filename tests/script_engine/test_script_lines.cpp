#include "scriptfile.h"
#include "scriptline.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane::script;

Q_DECLARE_METATYPE(korvane::script::LineKind)

class TestScriptLines : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void classification_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<LineKind>("kind");
        QTest::newRow("comment") << "`* note" << LineKind::Comment;
        QTest::newRow("exit") << "`EXIT" << LineKind::Exit;
        QTest::newRow("exit lower case") << "`exit" << LineKind::Exit;
        QTest::newRow("exit with trailing blank starts a program") << "`EXIT " << LineKind::Execute;
        QTest::newRow("execute") << "`E xterm" << LineKind::Execute;
        QTest::newRow("rd") << "`RD /tmp/x" << LineKind::RemoveDir;
        QTest::newRow("md before m") << "`MD /tmp/x" << LineKind::MakeDir;
        QTest::newRow("com") << "`COM1 ATZ" << LineKind::SerialPort;
        QTest::newRow("cp") << "`CP a b" << LineKind::Copy;
        QTest::newRow("kill") << "`K *.tmp" << LineKind::Kill;
        QTest::newRow("input") << "`I Name?" << LineKind::Input;
        QTest::newRow("sd before s") << "`SD" << LineKind::SetDate;
        QTest::newRow("stap") << "`STAP" << LineKind::SetTime12;
        QTest::newRow("stm with trailing text") << "`STM " << LineKind::SetTime24;
        QTest::newRow("set") << "`SET hello" << LineKind::Set;
        QTest::newRow("read file") << "`F in.txt" << LineKind::ReadFile;
        QTest::newRow("beep") << "`B" << LineKind::Beep;
        QTest::newRow("sa before s") << "`SA out.txt" << LineKind::SaveAppend;
        QTest::newRow("save") << "`S out.txt" << LineKind::Save;
        QTest::newRow("st is save") << "`ST x" << LineKind::Save;
        QTest::newRow("message lower case") << "`m hello" << LineKind::Message;
        QTest::newRow("date") << "`D 12/31/2026" << LineKind::WaitDate;
        QTest::newRow("time") << "`T 10:00 PM" << LineKind::WaitTime;
        QTest::newRow("use") << "`U" << LineKind::UseKeys;
        QTest::newRow("activate") << "`A Editor" << LineKind::Activate;
        QTest::newRow("wait") << "`W 5" << LineKind::Wait;
        QTest::newRow("unknown backquote types") << "`X" << LineKind::Keystrokes;
        QTest::newRow("lone backquote types") << "`" << LineKind::Keystrokes;
        QTest::newRow("leading blank is keystrokes") << " `M hello" << LineKind::Keystrokes;
        QTest::newRow("empty line") << "" << LineKind::Keystrokes;
        QTest::newRow("keys") << "hello{ENTER}" << LineKind::Keystrokes;
    }
    void classification()
    {
        QFETCH(QString, line);
        QFETCH(LineKind, kind);
        QCOMPARE(classifyLine(line), kind);
    }

    void argumentsComeFromFixedPositions()
    {
        QCOMPARE(argumentFrom(u"`SET  two blanks", argumentPosition(LineKind::Set)),
                 QStringLiteral(" two blanks"));
        QCOMPARE(argumentFrom(u"`SET", argumentPosition(LineKind::Set)), QString());
        QCOMPARE(argumentFrom(u"`Mxhello ", argumentPosition(LineKind::Message)),
                 QStringLiteral("hello "));
        QCOMPARE(argumentFrom(u"`RD dir", argumentPosition(LineKind::RemoveDir)),
                 QStringLiteral("dir"));
    }

    void copyDropsBlanksFromTheDestination()
    {
        const CopyArguments simple = copyArguments(u"`CP a.txt b.txt");
        QCOMPARE(simple.source, QStringLiteral("a.txt"));
        QCOMPARE(simple.destination, QStringLiteral("b.txt"));
        const CopyArguments blanks = copyArguments(u"`CP a.txt  my new file.txt ");
        QCOMPARE(blanks.source, QStringLiteral("a.txt"));
        QCOMPARE(blanks.destination, QStringLiteral("mynewfile.txt"));
        const CopyArguments noDestination = copyArguments(u"`CP a.txt");
        QCOMPARE(noDestination.source, QStringLiteral("a.txt"));
        QVERIFY(noDestination.destination.isEmpty());
    }

    void serialPortNameAndData()
    {
        const SerialArguments args = serialArguments(u"`com1 ATZ");
        QCOMPARE(args.port, QStringLiteral("COM1"));
        QCOMPARE(args.data, QStringLiteral(" ATZ"));
        QCOMPARE(serialDevice(args.port), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(serialDevice(QStringLiteral("COM4")), QStringLiteral("/dev/ttyS3"));
        QCOMPARE(serialDevice(QStringLiteral("COM0")), QStringLiteral("COM0"));
    }

    void waitSecondsAreLenient()
    {
        QCOMPARE(waitSeconds(u"5"), 5.0);
        QCOMPARE(waitSeconds(u"0.5 seconds"), 0.5);
        QCOMPARE(waitSeconds(u""), 0.0);
        QCOMPARE(waitSeconds(u"soon"), 0.0);
        QCOMPARE(waitSeconds(u"-3"), 0.0);
        QCOMPARE(waitSeconds(u"1e30"), 1e30);
    }

    void datesAndTimesInUsForms()
    {
        QCOMPARE(parseUsDate(u"12/05/2026"), std::optional(QDate(2026, 12, 5)));
        QCOMPARE(parseUsDate(u"1/2/27 10:00"), std::optional(QDate(2027, 1, 2)));
        QVERIFY(!parseUsDate(u"13/01/2026"));
        QVERIFY(!parseUsDate(u"MM/DD/YYYY"));
        QCOMPARE(parseTimeOfDay(u"10:30"), std::optional(QTime(10, 30)));
        QCOMPARE(parseTimeOfDay(u"10:30:15 PM"), std::optional(QTime(22, 30, 15)));
        QCOMPARE(parseTimeOfDay(u"12:00 AM"), std::optional(QTime(0, 0)));
        QCOMPARE(parseTimeOfDay(u"12:01 pm"), std::optional(QTime(12, 1)));
        QVERIFY(!parseTimeOfDay(u"HH:MM:SS AM/PM"));
        QVERIFY(!parseTimeOfDay(u"25:00"));
        QCOMPARE(usDate(QDate(2026, 3, 7)), QStringLiteral("03/07/2026"));
        QCOMPARE(time12(QTime(0, 5)), QStringLiteral("12:05 AM"));
        QCOMPARE(time12(QTime(13, 9)), QStringLiteral("01:09 PM"));
        QCOMPARE(time24(QTime(7, 3)), QStringLiteral("07:03"));
    }

    void lineEnds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
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
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.vlm"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        ScriptFileReader reader(path);
        QVERIFY(reader.isOpen());
        QStringList read;
        while (const std::optional<QString> line = reader.readLine())
            read.append(*line);
        QCOMPARE(read, lines);
    }

    void unopenableFiles()
    {
        QTemporaryDir dir;
        QVERIFY(!ScriptFileReader(QString()).isOpen());
        QVERIFY(!ScriptFileReader(dir.filePath(QStringLiteral("missing.vlm"))).isOpen());
        QVERIFY(!ScriptFileReader(dir.path()).isOpen());
    }
};

QTEST_GUILESS_MAIN(TestScriptLines)
#include "test_script_lines.moc"
