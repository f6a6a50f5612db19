// SPDX-License-Identifier: GPL-3.0-or-later
// The SendKeys notation parser and the choice of a window by title: pure logic,
// checked against tables of notations and of window lists.

#include "sendkeys.h"
#include "windowtitles.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace korvane;

class TestSendKeys : public QObject
{
    Q_OBJECT

private slots:
    void parsesNotation()
    {
        // Each notation and the actions it gives, in the canonical notation of
        // describeKeyActions.
        const QString names = "{BREAK}{CAPSLOCK}{DELETE}{DOWN}{END}{ENTER}{ESC}{HELP}{HOME}{INSERT}"
                              "{LEFT}{NUMLOCK}{PGDN}{PGUP}{PRTSC}{RIGHT}{SCROLLLOCK}{TAB}{UP}";
        const QList<std::array<QString, 3>> rows = {
            {"plain text, bare brackets", "Hello World 123 [a]", "Hello World 123 {[}a{]}"},
            {"modifiers on one key, tilde is enter", "+ab+^%x~", "+ab+^%x{ENTER}"},
            {"groups, nested and empty", "+(abc)d^(+(ab)c)+()x", "+a+b+cd+^a+^b^cx"},
            {"modifier on brace key", "%{F4}+{INSERT}^{ins}+{DEL}",
             "%{F4}+{INSERT}^{INSERT}+{DELETE}"},
            {"names ignore case", "{enter}{eNtEr}{pgdn}{f9}{F16}", "{ENTER}{ENTER}{PGDN}{F9}{F16}"},
            {"aliases", "{BACKSPACE}{BS}{bksp}", "{BACKSPACE}{BACKSPACE}{BACKSPACE}"},
            {"every key name", names, names},
            {"braced literals", "{+}{^}{%}{~}{(}{)}{[}{]}{{}{}}{a}{ }",
             "{+}{^}{%}{~}{(}{)}{[}{]}{{}{}}a "},
            // A repeated tilde is a tilde, not Enter; 1 types once, 0 not at all.
            {"repeats", "{TAB 3}{left 12}{a 5}{} 2}{~ 2}{  2}x{a 1}{b 0}",
             "{TAB 3}{LEFT 12}{a 5}{} 2}{~ 2}{  2}xa"},
            {"modified repeat", "+{a 3}^{LEFT 2}", "+{a 3}^{LEFT 2}"},
            {"huge repeats capped, one action each", "{a 1000000}{ENTER 99999999999999999999999}",
             "{a 10000}{ENTER 10000}"},
            {"unicode", u"éÀ€ŁŻ→漢a😀b{😀 2}"_s, u"éÀ€ŁŻ→漢a😀b{😀 2}"_s},
        };
        for (const auto &[name, notation, actions] : rows) {
            const SendKeysParse parsed = parseSendKeys(notation);
            QVERIFY2(parsed.ok(), qPrintable(name + u": "_s + parsed.error));
            QCOMPARE(describeKeyActions(parsed.actions), actions);
        }
    }

    void rejectsMalformedNotation()
    {
        // Unbalanced braces or parentheses, a modifier with nothing to act on, unknown
        // names, bad repeat counts: nothing of such a line may be typed.
        const QStringList malformed = {"abc{",     "ab{ENTER", "{}",      "a}b",
                                       "((a)",     "abc)",     "abc^",    "(a+)",
                                       "{ENTERX}", "{ab}",     "{F0}",    "{F17}",
                                       "{F01}",    "{a x}",    "{a -1}",  "{TAB 1.5}",
                                       "{ENTER }", "{a  5}",   "{FOO 3}", "hello{ENTER}world{"};
        for (const QString &notation : malformed) {
            const SendKeysParse parsed = parseSendKeys(notation);
            QVERIFY2(!parsed.ok() && !parsed.error.isEmpty() && parsed.actions.isEmpty(),
                     qPrintable(notation));
        }
    }

    void choosesWindowByTitle()
    {
        const QStringList windows{"Notepad - a.txt", "Calculator", "notepad", u"Ärger"_s};
        // An exact match beats an earlier prefix; case is ignored, also beyond ASCII; an
        // inner text, a longer text and no text match no window.
        const QList<std::pair<QString, int>> rows{
            {"NOTEPAD", 2}, {"note", 0}, {u"äRG"_s, 3}, {"pad", -1}, {"Calculators", -1}, {"", -1}};
        for (const auto &[wanted, chosen] : rows)
            QCOMPARE(findWindowTitle(windows, wanted), chosen);
    }
};

QTEST_GUILESS_MAIN(TestSendKeys)
#include "test_sendkeys.moc"
