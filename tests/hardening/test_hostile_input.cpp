// Inputs a user or a broken file can produce, each with its expected, harmless
// outcome, against the real database, engine and settings code with the fake
// platform: nothing crashes, every wait can be stopped, nothing on disk is lost.

#include "commands.h"
#include "fakeplatform.h"
#include "fakescripthost.h"
#include "keyworddatabase.h"
#include "lookup.h"
#include "maintenance.h"
#include "scriptengine.h"
#include "scripttext.h"
#include "sendkeys.h"
#include "settings.h"
#include "twips.h"
#include "windowsettings.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <functional>

using namespace korvane;
using namespace korvane::db;
using namespace korvane::script;
using namespace Qt::StringLiterals;

namespace {

// A wait still going after this many polling passes is stopped, as a user would.
constexpr int kYieldsBeforeStop = 200;

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Files may grow to `bytes` at most while alive; writes past that fail with EFBIG
// (SIGXFSZ is ignored), as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

struct Env
{
    QString dir;
    FakePlatform platform;
    FakeScriptHost host;
    ScriptEngine engine{host, platform};
    int yields = 0;
    bool stopped = false;

    explicit Env(const QString &path)
        : dir(path)
    {
        platform.loop.advancing = &platform.time;
        platform.loop.onYield = [this] {
            if (++yields == kYieldsBeforeStop) {
                stopped = true;
                engine.requestStop();
            }
        };
    }

    QString path(const QString &name) const { return dir + u'/' + name; }
    KeywordDatabase database() const { return KeywordDatabase(dir); }
    QByteArray out() const { return readBytes(path(u"out.txt"_s)); }

    AddResult add(const QString &keyWord, const QString &program)
    {
        KeywordDatabase db = database();
        return addKeyWord(db, keyWord, program);
    }

    // Runs a script (lines ended by CR LF), with file sizes limited while it runs.
    void runScript(const QByteArray &text, rlim_t maxFileSize = RLIM_INFINITY)
    {
        writeBytes(path(u"hostile.vlm"_s), text);
        QString name = path(u"hostile.vlm"_s);
        {
            const FileSizeLimit limit(maxFileSize);
            engine.runOrStop(name);
        }
        QCOMPARE(engine.state(), RunState::Idle); // the run is over
    }

    // Runs `text` and expects the run to go on past it at once.
    void runsOn(const QByteArray &text)
    {
        runScript(text + "`SET after\r\n`S out.txt\r\n");
        QVERIFY(!stopped);
        QCOMPARE(out(), QByteArray("after\r\n"));
    }

    // Three records on disk before anything hostile happens.
    QByteArray seedDatabase()
    {
        for (const QString &word : {u"NOTEPAD"_s, u"EDIT"_s, u"WEB"_s})
            add(word, u"/usr/bin/"_s + word.toLower());
        return readBytes(database().recordFilePath());
    }

    bool findable(const QString &keyWord, qint32 recordNumber) const
    {
        const QList<IndexHit> hits = database().findKeyword(KeyWord(keyWord));
        return std::any_of(hits.cbegin(), hits.cend(), [recordNumber](const IndexHit &hit) {
            return hit.recordNumber == recordNumber;
        });
    }

    // Adds `keyWord`, expects it added and found, before and after a reindex.
    void addAndFind(const QString &keyWord, const QString &indexFileName)
    {
        const AddResult result = add(keyWord, u"/bin/true"_s);
        QCOMPARE(result.outcome, AddOutcome::Added);
        QVERIFY(QFile::exists(path(indexFileName)));
        QVERIFY(findable(keyWord, result.recordNumber));
        database().rebuildIndexes();
        QVERIFY(findable(keyWord, result.recordNumber));
    }
};

using Case = std::function<void(Env &)>;

const QString kLong = QString(10000, u'x');

// One kind of hostile input each, with its expected outcome.
const QList<std::pair<const char *, Case>> &cases()
{
    static const QList<std::pair<const char *, Case>> table = {
        // --- key words and paths --------------------------------------------
        {"key word of 10,000 characters is cut to 50",
         [](Env &e) {
             const AddResult r = e.add(kLong, u"/bin/true"_s);
             QCOMPARE(r.outcome, AddOutcome::Added);
             QCOMPARE(e.database().record(r.recordNumber)->keyWord, QString(50, u'X'));
         }},
        {"path of 10,000 characters is cut to 256",
         [](Env &e) {
             const AddResult r = e.add(u"LONG"_s, kLong);
             QCOMPARE(r.outcome, AddOutcome::Added);
             QCOMPARE(e.database().record(r.recordNumber)->program, QString(256, u'X'));
             QCOMPARE(e.database().findApplication(QString(256, u'X')).size(), 1);
         }},
        {"NUL as first character: the record is kept, no index file with a NUL name",
         [](Env &e) {
             // Qt complains of file names holding a NUL: none must be tried.
             QTest::failOnWarning(
                 QRegularExpression(u"file ?name"_s, QRegularExpression::CaseInsensitiveOption));
             const AddResult r = e.add(QString::fromUtf16(u"\0X", 2), u"/bin/true"_s);
             QCOMPARE(r.outcome, AddOutcome::Added);
             QVERIFY(e.database().record(r.recordNumber));
             QVERIFY(QDir(e.dir).entryList({u"*.KWX"_s}, QDir::Files).isEmpty());
             QVERIFY(e.database().findKeyword(KeyWord(QString::fromUtf16(u"\0X", 2))).isEmpty());
         }},
        {"character outside Windows-1252 in a key word is refused",
         [](Env &e) {
             const QByteArray before = e.seedDatabase();
             const AddResult r = e.add(u"OHM Ω"_s, u"/bin/true"_s);
             QCOMPARE(r.outcome, AddOutcome::NotRepresentable);
             QCOMPARE(r.unstorable, u"Ω"_s);
             QCOMPARE(readBytes(e.database().recordFilePath()), before);
         }},
        // --- broken database files -------------------------------------------
        {"records with unknown status are neither listed nor found",
         [](Env &e) {
             QByteArray records = e.seedDatabase();
             records[0] = 7; // NOTEPAD
             writeBytes(e.database().recordFilePath(), records);
             QVERIFY(!e.findable(u"NOTEPAD"_s, 1));
             QCOMPARE(buildAvailableLists(e.database()).keyWords.size(), 2);
         }},
        {"empty record file: the first add is record 1",
         [](Env &e) {
             writeBytes(e.database().recordFilePath(), {});
             QCOMPARE(e.add(u"ONE"_s, u"/1"_s).recordNumber, 1);
         }},
        {"full disk on add: the record file is left as it was, no index entry",
         [](Env &e) {
             const QByteArray before = e.seedDatabase();
             AddResult r;
             {
                 const FileSizeLimit limit(before.size() + 100);
                 r = e.add(u"NOSPACE"_s, u"/x"_s);
             }
             QCOMPARE(r.outcome, AddOutcome::WriteFailed);
             QCOMPARE(readBytes(e.database().recordFilePath()), before);
             QVERIFY(!QFile::exists(e.path(u"N.KWX"_s)) ||
                     readBytes(e.path(u"N.KWX"_s)).size() == kIndexEntrySize);
             QVERIFY(e.database().findKeyword(KeyWord(u"NOSPACE"_s)).isEmpty());
         }},
        // --- keystroke lines ---------------------------------------------------
        {"keystroke line of 10,000 characters parses whole",
         [](Env &) { QCOMPARE(parseSendKeys(kLong).actions.size(), 10000); }},
        {"byte order mark keeps its readable form",
         [](Env &) {
             const QString bom(QChar(0xFEFF));
             QCOMPARE(describeKeyActions(parseSendKeys(bom).actions), bom);
         }},
        // --- devices and files ---------------------------------------------------
        {"absent serial port: its failure is shown, the run goes on",
         [](Env &e) {
             e.runsOn("`COM99 hello\r\n");
             QCOMPARE(e.platform.dialog.boxes.size(), 3);
             QVERIFY(e.platform.dialog.boxes[2].text.contains(QLatin1String("COM99")));
             QVERIFY(!QFile::exists(u"/dev/ttyS98"_s));
         }},
        {"`F on a directory, a FIFO with no writer or /dev/zero ends the run, no hang",
         [](Env &e) {
             QVERIFY(QDir(e.dir).mkdir(u"folder"_s));
             QCOMPARE(mkfifo(QFile::encodeName(e.path(u"fifo"_s)).constData(), 0600), 0);
             int shown = 0;
             for (const char *name : {"folder", "fifo", "/dev/zero"}) {
                 e.runScript("`F " + QByteArray(name) + "\r\n`SET after\r\n`S out.txt\r\n");
                 QCOMPARE(e.platform.dialog.boxes.size(), ++shown);
                 QCOMPARE(e.platform.dialog.boxes.last().text, kCannotOpenReadFile);
             }
             QVERIFY(!QFile::exists(e.path(u"out.txt"_s)));
         }},
        {"`F on a file of a gigabyte takes a bounded part",
         [](Env &e) {
             QFile big(e.path(u"big.bin"_s));
             QVERIFY(big.open(QIODevice::WriteOnly));
             QVERIFY(big.resize(qint64(1) << 30)); // sparse: no disk used
             big.close();
             e.runScript("`F big.bin\r\n`S out.txt\r\n");
             QCOMPARE(QFileInfo(e.path(u"out.txt"_s)).size(), (qint64(16) << 20) + 2);
         }},
        {"wildcard delete leaves directories and what is below them",
         [](Env &e) {
             QVERIFY(QDir(e.dir).mkpath(u"sub/deeper"_s));
             writeBytes(e.path(u"sub/keep.txt"_s), "keep");
             writeBytes(e.path(u"sub/deeper/keep.txt"_s), "keep");
             writeBytes(e.path(u"gone.txt"_s), "gone");
             e.runScript("`K *\r\n`K sub\r\n`K */keep.txt\r\n`K *?*\r\n");
             QVERIFY(!QFile::exists(e.path(u"gone.txt"_s)));
             QCOMPARE(readBytes(e.path(u"sub/keep.txt"_s)), QByteArray("keep"));
             QCOMPARE(readBytes(e.path(u"sub/deeper/keep.txt"_s)), QByteArray("keep"));
         }},
        {"wildcard delete through a symbolic link to a folder removes nothing in it",
         [](Env &e) {
             QVERIFY(QDir(e.dir).mkpath(u"other"_s));
             writeBytes(e.path(u"other/keep.txt"_s), "keep");
             QVERIFY(QFile::link(e.path(u"other"_s), e.path(u"link"_s)));
             e.runScript("`K link\r\n`K *.txt\r\n");
             QCOMPARE(readBytes(e.path(u"other/keep.txt"_s)), QByteArray("keep"));
         }},
        {"folder name of 10,000 characters is refused quietly",
         [](Env &e) {
             e.runsOn("`MD " + kLong.toUtf8() + "\r\n");
             QCOMPARE(QDir(e.dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 0);
         }},
        {"program line of 10,000 characters reaches the launcher whole",
         [](Env &e) {
             e.runScript("`E " + kLong.toUtf8() + "\r\n");
             QCOMPARE(e.platform.launcher.started, QStringList{kLong});
         }},
        {"script with NUL bytes and invalid UTF-8 runs, decoded as Windows-1252",
         [](Env &e) {
             static const char script[] = "`SET a\0b\xE9\r\n`S out.txt\r\n";
             e.runScript(QByteArray(script, sizeof script - 1));
             QCOMPARE(e.out(), QString(u"a"_s + QChar(0) + u"bé\r\n"_s).toUtf8());
         }},
        {"full disk on `S keeps the old file",
         [](Env &e) {
             writeBytes(e.path(u"out.txt"_s), "old");
             e.runScript("`SET " + QByteArray(500, 'n') + "\r\n`S out.txt\r\n", 64);
             QCOMPARE(e.out(), QByteArray("old"));
             // Room enough: the same line replaces it.
             e.runScript("`SET " + QByteArray(500, 'n') + "\r\n`S out.txt\r\n", 1000);
             QCOMPARE(e.out(), QByteArray(500, 'n') + "\r\n");
         }},
        {"full disk on `SA keeps what was there",
         [](Env &e) {
             writeBytes(e.path(u"out.txt"_s), "old\r\n");
             e.runScript("`SET " + QByteArray(500, 'n') + "\r\n`SA out.txt\r\n", 64);
             QCOMPARE(e.out(), "old\r\n" + QByteArray(64 - 5, 'n'));
         }},
        {"full disk on the editor's Save keeps the old script",
         [](Env &e) {
             const QString script = e.path(u"s.vlm"_s);
             writeBytes(script, "old\r\n");
             editor::WriteResult result;
             {
                 const FileSizeLimit limit(64);
                 result = editor::writeScriptFile(script, QString(1000, u'n'));
             }
             QVERIFY(!result.ok);
             QVERIFY(!result.error.isEmpty());
             QCOMPARE(readBytes(script), QByteArray("old\r\n"));
         }},
        // --- settings files ------------------------------------------------------
        {"PD.ini with absurd numbers gives a position that fits",
         [](Env &e) {
             writeBytes(e.path(kWindowSettingsFileName),
                        "1e400\r\n-99999999999999999999999\r\n" + kLong.toUtf8() + "\r\n");
             const WindowSettings s = readWindowSettings(e.path(kWindowSettingsFileName));
             QCOMPARE(s.topTwips, 0);
             QCOMPARE(s.leftTwips, qint64(-1e9));
             QCOMPARE(twipsToPixels(s.leftTwips), -66666667);
             QCOMPARE(s.titleBar, TitleBarState::Unset);
         }},
        {"Scripter.ini with junk keeps the design values; white survives a round trip",
         [](Env &e) {
             const QString ini = e.path(editor::kEditorSettingsFile);
             writeBytes(ini, "\r\n-3\r\nred\r\n1e400\r\n" + kLong.toUtf8() + "\r\n");
             const editor::EditorSettings junk = editor::readEditorSettings(ini);
             QVERIFY(!junk.fontName && !junk.fontSize && !junk.colour);
             QCOMPARE(junk.position, QPoint(0, 0));
             QVERIFY(
                 editor::writeEditorSettings(u"Mono"_s, 9.75, 0xFFFFFF, QPoint(-15, 1200), ini));
             const editor::EditorSettings back = editor::readEditorSettings(ini);
             QCOMPARE(back.colour, std::optional<quint32>(0xFFFFFF));
             QCOMPARE(back.fontSize, std::optional<double>(9.75));
             QCOMPARE(back.position, QPoint(-15, 1200));
         }},
        {"toolbox.ini with absurd numbers is clamped",
         [](Env &e) {
             writeBytes(e.path(editor::kToolBoxSettingsFile), "1e400\r\n-1e300\r\n");
             QCOMPARE(editor::readToolBoxPosition(e.path(editor::kToolBoxSettingsFile)),
                      QPoint(0, -10000000));
         }},
    };
    return table;
}

} // namespace

class TestHostileInput : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Env> m_env;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        qputenv("KORVANE_HOME", m_dir->path().toUtf8());
        QVERIFY(QDir::setCurrent(m_dir->path()));
        m_env = std::make_unique<Env>(m_dir->path());
    }
    void cleanup()
    {
        m_env.reset();
        m_dir.reset();
    }

    // Key words whose characters mean something in a file name.
    void awkwardKeyWordsAreStoredAndFound_data()
    {
        QTest::addColumn<QString>("keyWord");
        QTest::addColumn<QString>("indexFile");
        QTest::newRow("NUL inside") << QString::fromUtf16(u"A\0B", 3) << u"A.KWX"_s;
        QTest::newRow("Windows-1252 beyond ASCII") << u"€URO ÆØÅ"_s << u"€.KWX"_s;
        QTest::newRow("first character /") << u"/SLASH"_s << u".KWX"_s;
        QTest::newRow("first character .") << u".DOT"_s << u"..KWX"_s;
        QTest::newRow("first character *") << u"*STAR"_s << u"*.KWX"_s;
    }
    void awkwardKeyWordsAreStoredAndFound()
    {
        QFETCH(QString, keyWord);
        QFETCH(QString, indexFile);
        m_env->addAndFind(keyWord, indexFile);
    }

    // Lines that do not parse type nothing; the engine hands them on whole.
    void malformedKeystrokesTypeNothing_data()
    {
        QTest::addColumn<QString>("notation");
        QTest::addColumn<QString>("inError");
        QTest::newRow("unbalanced brace") << u"abc{ENTER"_s << QString();
        QTest::newRow("closing brace alone") << u"a}b"_s << QString();
        QTest::newRow("unbalanced opening parenthesis") << u"+(abc"_s << QString();
        QTest::newRow("unbalanced closing parenthesis") << u"abc)"_s << QString();
        QTest::newRow("unknown key name") << u"x{NOSUCHKEY}"_s << u"NOSUCHKEY"_s;
        QTest::newRow("modifier with nothing to act on") << u"abc^"_s << QString();
        QTest::newRow("negative repeat count") << u"{TAB -3}"_s << QString();
    }
    void malformedKeystrokesTypeNothing()
    {
        QFETCH(QString, notation);
        QFETCH(QString, inError);
        const SendKeysParse p = parseSendKeys(notation);
        QVERIFY(!p.ok() && p.actions.isEmpty());
        QVERIFY(p.error.contains(inError));
        m_env->runScript(notation.toUtf8() + "\r\n");
        QCOMPARE(m_env->platform.keys.sent.size(), 1);
        QCOMPARE(m_env->platform.keys.sent[0].notation, notation);
    }

    // Absurd waits end at once or can be stopped; neither runs what follows early.
    void waits_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<bool>("stops");
        QTest::newRow("1e30 seconds") << QByteArray("`W 1e30\r\n") << true;
        QTest::newRow("1e308 seconds") << QByteArray("`W 1e308\r\n") << true;
        QTest::newRow("negative or not a number")
            << QByteArray("`W -5\r\n`W nan\r\n`W inf\r\n`W abc\r\n") << false;
        QTest::newRow("date that does not parse")
            << QByteArray("`D 13/45/2026\r\n`D 02/30/2026\r\n`D tomorrow\r\n") << false;
        QTest::newRow("date far in the future") << QByteArray("`D 12/31/9999\r\n") << true;
        QTest::newRow("time that does not parse")
            << QByteArray("`T 25:99\r\n`T 13:00 PM\r\n`T noon\r\n") << false;
        QTest::newRow("time later today") << QByteArray("`T 23:59:59\r\n") << true;
    }
    void waits()
    {
        QFETCH(QByteArray, lines);
        QFETCH(bool, stops);
        m_env->runScript(lines + "`SET after\r\n`S out.txt\r\n");
        QCOMPARE(m_env->stopped, stops);
        QCOMPARE(m_env->out(), stops ? QByteArray("<missing>") : QByteArray("after\r\n"));
        if (stops && lines.startsWith("`W"))
            QVERIFY(m_env->host.progress.first().endsWith(QLatin1String(" Seconds Remaining")));
    }

    void hostile_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < cases().size(); ++i)
            QTest::newRow(cases().at(i).first) << i;
    }
    void hostile()
    {
        QFETCH(int, index);
        cases().at(index).second(*m_env);
    }
};

QTEST_GUILESS_MAIN(TestHostileInput)
#include "test_hostile_input.moc"
