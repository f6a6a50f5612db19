// The SendKeys notation parser and the choice of a window by title: pure logic,
// checked against tables of notations and of window lists.

#include "sendkeys.h"
#include "windowtitles.h"

#include <QTemporaryDir>
#include <QTest>

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
    void actionsCarryKeysModifiersAndCounts();
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

    QTest::newRow("empty line") << ""
                                << "";
    QTest::newRow("plain text") << "Hello World 123"
                                << "Hello World 123";
    QTest::newRow("backquote is plain") << " `M hello"
                                        << " `M hello";
    QTest::newRow("bare brackets") << "[a]"
                                   << "{[}a{]}";
    QTest::newRow("shift one key") << "+ab"
                                   << "+ab";
    QTest::newRow("ctrl and alt") << "^a%b"
                                  << "^a%b";
    QTest::newRow("three modifiers") << "+^%x"
                                     << "+^%x";
    QTest::newRow("shift group") << "+(abc)d"
                                 << "+a+b+cd";
    QTest::newRow("nested groups") << "^(+(ab)c)d"
                                   << "+^a+^b^cd";
    QTest::newRow("plain group") << "(ab)c"
                                 << "abc";
    QTest::newRow("empty group") << "+()x"
                                 << "x";
    QTest::newRow("modifier on brace key") << "%{F4}+{INSERT}^{ins}+{DEL}"
                                           << "%{F4}+{INSERT}^{INSERT}+{DELETE}";
    QTest::newRow("tilde is enter") << "a~b"
                                    << "a{ENTER}b";
    QTest::newRow("shift enter") << "+~"
                                 << "+{ENTER}";
    QTest::newRow("names ignore case") << "{enter}{Enter}{eNtEr}{pgdn}"
                                       << "{ENTER}{ENTER}{ENTER}{PGDN}";
    QTest::newRow("backspace aliases") << "{BACKSPACE}{BS}{bksp}"
                                       << "{BACKSPACE}{BACKSPACE}{BACKSPACE}";
    QTest::newRow("every key name")
        << "{BREAK}{CAPSLOCK}{DELETE}{DOWN}{END}{ENTER}{ESC}{HELP}{HOME}{INSERT}{LEFT}"
           "{NUMLOCK}{PGDN}{PGUP}{PRTSC}{RIGHT}{SCROLLLOCK}{TAB}{UP}"
        << "{BREAK}{CAPSLOCK}{DELETE}{DOWN}{END}{ENTER}{ESC}{HELP}{HOME}{INSERT}{LEFT}"
           "{NUMLOCK}{PGDN}{PGUP}{PRTSC}{RIGHT}{SCROLLLOCK}{TAB}{UP}";
    QTest::newRow("function keys") << "{F1}{f9}{F10}{f16}"
                                   << "{F1}{F9}{F10}{F16}";
    QTest::newRow("braced literals") << "{+}{^}{%}{~}{(}{)}{[}{]}{{}{}}"
                                     << "{+}{^}{%}{~}{(}{)}{[}{]}{{}{}}";
    QTest::newRow("braced letter") << "{a}{Z}"
                                   << "aZ";
    QTest::newRow("braced space") << "{ }"
                                  << " ";
    QTest::newRow("repeat key") << "{TAB 3}{left 12}"
                                << "{TAB 3}{LEFT 12}";
    QTest::newRow("repeat letter") << "{a 5}"
                                   << "{a 5}";
    QTest::newRow("repeat plus") << "{+ 3}"
                                 << "{+ 3}";
    QTest::newRow("repeat closing brace") << "{} 2}"
                                          << "{} 2}";
    QTest::newRow("repeat tilde is a tilde") << "{~ 2}"
                                             << "{~ 2}";
    QTest::newRow("repeat space") << "{  2}"
                                  << "{  2}";
    QTest::newRow("repeat once") << "{a 1}"
                                 << "a";
    QTest::newRow("repeat zero sends nothing") << "x{a 0}y"
                                               << "xy";
    QTest::newRow("modified repeat") << "+{a 3}^{LEFT 2}"
                                     << "+{a 3}^{LEFT 2}";
    QTest::newRow("repeat capped") << "{a 1000000}"
                                   << "{a 10000}";
    QTest::newRow("repeat overflow capped") << "{ENTER 99999999999999999999999}"
                                            << "{ENTER 10000}";
    QTest::newRow("unicode text") << u"éÀ€ŁŻ→漢"_qs << u"éÀ€ŁŻ→漢"_qs;
    QTest::newRow("astral character") << u"a😀b"_qs << u"a😀b"_qs;
    QTest::newRow("braced astral repeat") << u"{😀 2}"_qs << u"{😀 2}"_qs;
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
    QTest::newRow("lone closing brace") << "ENTER}";
    QTest::newRow("closing brace mid-line") << "a}b";
    QTest::newRow("unclosed group") << "+(abc";
    QTest::newRow("unclosed nested group") << "((a)";
    QTest::newRow("lone closing parenthesis") << "abc)";
    QTest::newRow("modifier at end") << "abc^";
    QTest::newRow("modifier alone") << "+";
    QTest::newRow("modifier before closing parenthesis") << "(a+)";
    QTest::newRow("unknown name") << "{FOO}";
    QTest::newRow("misspelt name") << "{ENTERX}";
    QTest::newRow("two letters") << "{ab}";
    QTest::newRow("no F0") << "{F0}";
    QTest::newRow("no F17") << "{F17}";
    QTest::newRow("no F01") << "{F01}";
    QTest::newRow("count not a number") << "{a x}";
    QTest::newRow("negative count") << "{a -1}";
    QTest::newRow("fractional count") << "{TAB 1.5}";
    QTest::newRow("missing count") << "{ENTER }";
    QTest::newRow("count with letters") << "{ENTER 2x}";
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

void TestSendKeys::actionsCarryKeysModifiersAndCounts()
{
    const SendKeysParse parsed = parseSendKeys(u"+(a{F12})%{😀 2}~"_qs);
    QVERIFY(parsed.ok());
    QCOMPARE(parsed.actions.size(), 4);

    QCOMPARE(parsed.actions[0].kind, KeyAction::Kind::Character);
    QCOMPARE(parsed.actions[0].character, U'a');
    QCOMPARE(parsed.actions[0].modifiers, KeyModifiers(KeyModifier::Shift));

    QCOMPARE(parsed.actions[1].kind, KeyAction::Kind::Special);
    QCOMPARE(parsed.actions[1].key, SpecialKey::F12);
    QCOMPARE(parsed.actions[1].modifiers, KeyModifiers(KeyModifier::Shift));

    QCOMPARE(parsed.actions[2].character, char32_t(0x1F600));
    QCOMPARE(parsed.actions[2].count, 2);
    QCOMPARE(parsed.actions[2].modifiers, KeyModifiers(KeyModifier::Alt));

    QCOMPARE(parsed.actions[3].key, SpecialKey::Enter);
    QCOMPARE(parsed.actions[3].modifiers, KeyModifiers());
}

void TestSendKeys::hugeRepeatsStayCompact()
{
    // A repeat is one action however large its count, so a typo cannot exhaust memory.
    const SendKeysParse parsed = parseSendKeys(QStringLiteral("{a 1000000}{TAB 999999}"));
    QVERIFY(parsed.ok());
    QCOMPARE(parsed.actions.size(), 2);
    QCOMPARE(parsed.actions[0].count, kMaxKeyRepeat);
    QCOMPARE(parsed.actions[1].count, kMaxKeyRepeat);
}

void TestSendKeys::choosesWindowByTitle_data()
{
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<int>("chosen");

    const QStringList windows{"Notepad - a.txt", "Calculator", "notepad", "Ärger"};
    QTest::newRow("exact match beats an earlier prefix") << windows << "NOTEPAD" << 2;
    QTest::newRow("prefix ignoring case") << windows << "note" << 0;
    QTest::newRow("exact ignoring case") << windows << "calculator" << 1;
    QTest::newRow("non-ASCII case") << windows << u"äRG"_qs << 3;
    QTest::newRow("longer than any title") << windows << "Calculator - more" << -1;
    QTest::newRow("no match") << windows << "Terminal" << -1;
    QTest::newRow("inner text is no prefix") << windows << "pad" << -1;
    QTest::newRow("empty title matches nothing") << windows << "" << -1;
    QTest::newRow("no windows") << QStringList() << "Notepad" << -1;
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
