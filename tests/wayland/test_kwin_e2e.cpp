// SPDX-License-Identifier: GPL-3.0-or-later
// KDE Plasma's compositor, KWin 5.27, headless (scripts/with-kwin, once per
// keyboard layout): keys through the RemoteDesktop portal (xdg-desktop-portal with
// its KDE back end, as the session picks it) into real Wayland windows (key_target
// on Qt's wayland platform), and activation by title through KWin scripts.
// Headless, the KDE back end's consent dialog cannot be shown (its QML is not
// installed) and it grants at once without a restore token: the consent and token
// sequence is tested against the stand-in portal instead.

#include "desktopdriver.h"
#include "keyboardbackend.h"
#include "kwinwindowactivator.h"
#include "remotedesktopkeyboard.h"
#include "waylandconnection.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace korvane;
using korvane::e2e::KeyTarget;

namespace {

constexpr int kDeliveryTimeoutMs = 10000;

QString literalNotation(const QString &text)
{
    QString notation;
    for (const QChar c : text)
        notation += u"+^%~(){}[]"_s.contains(c) ? u'{' + QString(c) + u'}' : QString(c);
    return notation;
}

} // namespace

class TestKWinE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void typesWhatTheLayoutHolds_data();
    void typesWhatTheLayoutHolds();
    void refusesWhatTheLayoutLacks_data();
    void refusesWhatTheLayoutLacks();
    void firstKeyOfEachSession();
    void activatesByTitleAndPrefix();

private:
    std::unique_ptr<RemoteDesktopKeyboard> makeKeyboard();

    QTemporaryDir m_home;
    QString m_layout = qEnvironmentVariable("KORVANE_TEST_LAYOUT", u"us"_s);
    std::shared_ptr<WaylandConnection> m_connection;
    BackendChoice m_choice;
    std::unique_ptr<RemoteDesktopKeyboard> m_keyboard;
    std::unique_ptr<KeyTarget> m_target;
};

std::unique_ptr<RemoteDesktopKeyboard> TestKWinE2E::makeKeyboard()
{
    return std::make_unique<RemoteDesktopKeyboard>(
        makeRemoteDesktopSession(m_choice, m_home.filePath(u"config/korvane/token"_s)),
        m_connection);
}

void TestKWinE2E::initTestCase()
{
    QVERIFY(m_home.isValid());
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        QSKIP("no Wayland compositor: run through scripts/with-kwin");
    qputenv("QT_QPA_PLATFORM", "wayland");
    qunsetenv("DISPLAY");
    m_connection = std::make_shared<WaylandConnection>();
    // The session itself picks the portal (KDE's rules) and KWin scripts.
    const SessionFacts facts = probeSession(m_connection.get());
    if (!facts.portalRemoteDesktop) {
        QSKIP("no RemoteDesktop portal: xdg-desktop-portal, xdg-desktop-portal-kde and "
              "qtwayland5 are needed");
    }
    m_choice = chooseBackends(facts);
    QCOMPARE(m_choice.keys, KeystrokeBackend::PortalRemoteDesktop);
    QCOMPARE(m_choice.windows, ActivationBackend::KWinScript);
    QCOMPARE(m_choice.translations, QList<KeysymTranslation>{KeysymTranslation::KdePortal});
    m_keyboard = makeKeyboard();
    QVERIFY2(m_keyboard->unavailableReason().isEmpty(), qPrintable(m_keyboard->unavailableReason()));
    m_target = std::make_unique<KeyTarget>(QStringLiteral(KEY_TARGET), u"Korvane Key Target"_s,
                                           m_home.filePath(u"target.txt"_s));
    QVERIFY(m_target->waitReady());
}

void TestKWinE2E::typesWhatTheLayoutHolds_data()
{
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QString>("expected");
    QString ascii;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        ascii += QChar(c);
    // What each layout holds on its first three levels besides (most of) ASCII;
    // de makes ^ and ` only as dead keys.
    QString own = ascii;
    if (m_layout == u"de"_s)
        own = ascii.remove(u'^').remove(u'`') + u"äöüßÄÖÜ€µ²³§"_s;
    else if (m_layout == u"fr"_s)
        own = ascii.remove(u'$').remove(u'<').remove(u'>') + u"éèàçù€²µ§¤"_s;
    QTest::newRow("the layout's characters") << literalNotation(own) << own;
    QTest::newRow("select all, shift on a group") << u"hello^a+(abc)x"_s << u"ABCx"_s;
    QTest::newRow("editing keys and repeats") << u"abcdef{BS 3}{LEFT}x{HOME}{DEL}0{END}{a 3}~z"_s
                                              << u"0bxcaaa\nz"_s;
}

void TestKWinE2E::typesWhatTheLayoutHolds()
{
    QFETCH(QString, notation);
    QFETCH(QString, expected);
    QVERIFY(m_target->clear());
    QVERIFY2(m_keyboard->sendKeys(notation, true), qPrintable(m_keyboard->lastFailure()));
    QTRY_COMPARE_WITH_TIMEOUT(m_target->text(), expected, kDeliveryTimeoutMs);
}

void TestKWinE2E::refusesWhatTheLayoutLacks_data()
{
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QStringList>("named");
    QTest::newRow("outside Windows-1252") << u"abc日本Ω"_s << QStringList{u"日"_s, u"本"_s, u"Ω"_s};
    // On de, Æ is on the fourth level: KDE's portal would type "a".
    QTest::newRow("Windows-1252 beyond the first three levels") << u"x Æ ñ y"_s
                                                                << QStringList{u"Æ"_s, u"ñ"_s};
    // Characters the layout has on a low level, but whose first key in keycode
    // order has them on the fourth: KDE's portal (like mutter) picks that key and
    // types its first level (on de "0" for °, on fr "'" for $).
    if (m_layout == u"de"_s)
        QTest::newRow("found first on a fourth level") << u"90°"_s << QStringList{u"°"_s};
    if (m_layout == u"fr"_s) {
        QTest::newRow("found first on a fourth level")
            << u"a$b<c>£°"_s << QStringList{u"$"_s, u"<"_s, u">"_s, u"£"_s, u"°"_s};
    }
}

void TestKWinE2E::refusesWhatTheLayoutLacks()
{
    QFETCH(QString, notation);
    QFETCH(QStringList, named);
    QVERIFY(m_target->clear());
    QVERIFY(!m_keyboard->sendKeys(notation, true));
    for (const QString &character : std::as_const(named))
        QVERIFY2(m_keyboard->lastFailure().contains(character), qPrintable(m_keyboard->lastFailure()));
    // Nothing of the line arrives, not even its first characters.
    QVERIFY(m_keyboard->sendKeys(u"ok"_s, true));
    QTRY_COMPARE_WITH_TIMEOUT(m_target->text(), u"ok"_s, kDeliveryTimeoutMs);
}

void TestKWinE2E::firstKeyOfEachSession()
{
    // Each keyboard starts a portal session of its own: its very first key must
    // arrive, and be the layout's (z and y trade places on de).
    QVERIFY(m_target->clear());
    QString expected;
    for (int i = 0; i < 5; ++i) {
        m_keyboard = makeKeyboard();
        const QString line = u"zy%1"_s.arg(i);
        QVERIFY2(m_keyboard->sendKeys(line, true), qPrintable(m_keyboard->lastFailure()));
        expected += line;
        QTRY_COMPARE_WITH_TIMEOUT(m_target->text(), expected, kDeliveryTimeoutMs);
    }
}

void TestKWinE2E::activatesByTitleAndPrefix()
{
    KWinWindowActivator activator;
    QVERIFY2(activator.unavailableReason().isEmpty(), qPrintable(activator.unavailableReason()));
    // A title the script must carry exactly: quotes, a backslash, an apostrophe.
    const QString oddTitle = u"Notes \"quoted\" \\ Korvane's"_s;
    KeyTarget alpha(QStringLiteral(KEY_TARGET), u"Alpha Notes"_s, m_home.filePath(u"alpha.txt"_s));
    KeyTarget odd(QStringLiteral(KEY_TARGET), oddTitle, m_home.filePath(u"odd.txt"_s));
    QVERIFY(alpha.waitReady());
    QVERIFY(odd.waitReady());
    QVERIFY(m_target->clear());

    struct Step
    {
        QString title;
        KeyTarget *expected; // where the next keys land; null: activation fails
        QString caption;
    };
    const QList<Step> steps = {
        {u"alpha notes"_s, &alpha, u"Alpha Notes"_s},         // exact, ignoring case
        {u"KORVANE KEY"_s, m_target.get(), u"Korvane Key Target"_s}, // prefix
        {oddTitle, &odd, oddTitle},
        {u"otes"_s, nullptr, QString()}, // only inside titles: no match, nothing changes
        {QString(), nullptr, QString()},
    };
    KeyTarget *focused = nullptr;
    QHash<KeyTarget *, QString> typed;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const Step &step = steps.at(i);
        QCOMPARE(activator.activate(step.title), step.expected != nullptr);
        QCOMPARE(activator.lastCaption(), step.caption);
        if (step.expected)
            focused = step.expected;
        const QString line = u"k%1"_s.arg(i);
        QVERIFY2(m_keyboard->sendKeys(line, true), qPrintable(m_keyboard->lastFailure()));
        typed[focused] += line;
        QTRY_COMPARE_WITH_TIMEOUT(focused->text(), typed.value(focused), kDeliveryTimeoutMs);
    }
    QCOMPARE(alpha.text(), typed.value(&alpha));
    QCOMPARE(odd.text(), typed.value(&odd));
}

QTEST_GUILESS_MAIN(TestKWinE2E)
#include "test_kwin_e2e.moc"
