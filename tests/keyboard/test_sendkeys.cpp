// The SendKeys notation parser and the choice of a window by title: pure logic,
// checked against tables of notations and of window lists.

#include "sendkeys.h"
#include "windowtitles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace korvane;

class TestSendKeys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void parsesNotation_data();
    void parsesNotation();
    void rejectsMalformedNotation_data();
    void rejectsMalformedNotation();
    void hugeRepeatsStayCompact();
    void choosesWindowByTitle_data();
    void choosesWindowByTitle();

private:
    QTemporaryDir m_home;
};

void TestSendKeys::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("KORVANE_HOME", m_home.path().toUtf8());
    QVERIFY(QDir::setCurrent(m_home.path()));
}

void TestSendKeys::parsesNotation_data()
{
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QString>("actions"); // in the canonical notation of describeKeyActions
    const auto row = [](const char *name, const QString &notation, const QString &actions) {
        QTest::newRow(name) << notation << actions;
    };
    row("plain text", "Hello World 123", "Hello World 123");
    row("bare brackets", "[a]", "{[}a{]}");
    row("shift one key", "+ab", "+ab");
    row("three modifiers", "+^%x", "+^%x");
    row("shift group", "+(abc)d", "+a+b+cd");
    row("nested groups", "^(+(ab)c)d", "+^a+^b^cd");
    row("empty group", "+()x", "x");
    row("modifier on brace key", "%{F4}+{INSERT}^{ins}+{DEL}", "%{F4}+{INSERT}^{INSERT}+{DELETE}");
    row("tilde is enter", "a~b", "a{ENTER}b");
    row("names ignore case", "{enter}{Enter}{eNtEr}{pgdn}", "{ENTER}{ENTER}{ENTER}{PGDN}");
    row("backspace aliases", "{BACKSPACE}{BS}{bksp}", "{BACKSPACE}{BACKSPACE}{BACKSPACE}");
    const QString names = "{BREAK}{CAPSLOCK}{DELETE}{DOWN}{END}{ENTER}{ESC}{HELP}{HOME}{INSERT}"
                          "{LEFT}{NUMLOCK}{PGDN}{PGUP}{PRTSC}{RIGHT}{SCROLLLOCK}{TAB}{UP}";
    row("every key name", names, names);
    row("function keys", "{F1}{f9}{F10}{f16}", "{F1}{F9}{F10}{F16}");
    row("braced literals", "{+}{^}{%}{~}{(}{)}{[}{]}{{}{}}", "{+}{^}{%}{~}{(}{)}{[}{]}{{}{}}");
    row("braced characters", "{a}{Z}{ }", "aZ ");
    row("repeat key", "{TAB 3}{left 12}", "{TAB 3}{LEFT 12}");
    // A repeated tilde is a tilde, not Enter.
    row("repeat characters", "{a 5}{+ 3}{} 2}{~ 2}{  2}", "{a 5}{+ 3}{} 2}{~ 2}{  2}");
    row("repeat once or not at all", "x{a 1}{b 0}y", "xay");
    row("modified repeat", "+{a 3}^{LEFT 2}", "+{a 3}^{LEFT 2}");
    row("unicode", u"éÀ€ŁŻ→漢a😀b{😀 2}"_qs, u"éÀ€ŁŻ→漢a😀b{😀 2}"_qs);
}

void TestSendKeys::parsesNotation()
{
    QFETCH(QString, notation);
    QFETCH(QString, actions);
    const SendKeysParse parsed = parseSendKeys(notation);
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    QCOMPARE(describeKeyActions(parsed.actions), actions);
}

void TestSendKeys::rejectsMalformedNotation_data()
{
    QTest::addColumn<QString>("notation");

    QTest::newRow("open brace at end") << "abc{";
    QTest::newRow("unclosed key name") << "ab{ENTER";
    QTest::newRow("empty braces") << "{}";
    QTest::newRow("lone closing brace") << "a}b";
    QTest::newRow("unclosed group") << "((a)";
    QTest::newRow("lone closing parenthesis") << "abc)";
    QTest::newRow("modifier at end") << "abc^";
    QTest::newRow("modifier before closing parenthesis") << "(a+)";
    QTest::newRow("unknown name") << "{ENTERX}";
    QTest::newRow("two letters") << "{ab}";
    QTest::newRow("no F0") << "{F0}";
    QTest::newRow("no F17") << "{F17}";
    QTest::newRow("no F01") << "{F01}";
    QTest::newRow("count not a number") << "{a x}";
    QTest::newRow("negative count") << "{a -1}";
    QTest::newRow("fractional count") << "{TAB 1.5}";
    QTest::newRow("missing count") << "{ENTER }";
    QTest::newRow("double blank") << "{a  5}";
    QTest::newRow("unknown name repeated") << "{FOO 3}";
    QTest::newRow("valid text then error") << "hello{ENTER}world{";
}

void TestSendKeys::rejectsMalformedNotation()
{
    QFETCH(QString, notation);
    const SendKeysParse parsed = parseSendKeys(notation);
    QVERIFY(!parsed.ok());
    QVERIFY(!parsed.error.isEmpty());
    QVERIFY(parsed.actions.isEmpty()); // nothing of a malformed line may be typed
}

void TestSendKeys::hugeRepeatsStayCompact()
{
    // A repeat is one action however large its count, so a typo cannot exhaust memory.
    const SendKeysParse parsed = parseSendKeys(u"{a 1000000}{ENTER 99999999999999999999999}"_s);
    QVERIFY(parsed.ok());
    QCOMPARE(parsed.actions.size(), 2);
    QCOMPARE(describeKeyActions(parsed.actions), u"{a 10000}{ENTER 10000}"_s);
}

void TestSendKeys::choosesWindowByTitle_data()
{
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<int>("chosen");

    const QStringList windows{"Notepad - a.txt", "Calculator", "notepad", "Ärger"};
    QTest::newRow("exact match beats an earlier prefix") << windows << "NOTEPAD" << 2;
    QTest::newRow("prefix ignoring case") << windows << "note" << 0;
    QTest::newRow("non-ASCII case") << windows << u"äRG"_qs << 3;
    QTest::newRow("longer than any title") << windows << "Calculator - more" << -1;
    QTest::newRow("inner text is no prefix") << windows << "pad" << -1;
    QTest::newRow("empty title matches nothing") << windows << "" << -1;
}

void TestSendKeys::choosesWindowByTitle()
{
    QFETCH(QStringList, titles);
    QFETCH(QString, wanted);
    QFETCH(int, chosen);
    QCOMPARE(findWindowTitle(titles, wanted), chosen);
}

QTEST_GUILESS_MAIN(TestSendKeys)
#include "test_sendkeys.moc"
