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
#include "scripterfiles.h"
#include "sendkeys.h"
#include "settings.h"
#include "windowsettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTest>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <functional>

using namespace korvane;
using namespace korvane::db;
using namespace korvane::script;

namespace {

// A wait still going after this many polling passes is stopped, as a user would.
constexpr int kYieldsBeforeStop = 200;

using Host = FakeScriptHost;

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
    Host host;
    int yields = 0;
    bool stopped = false;

    Env(const QString &path)
        : dir(path)
    {
        platform.loop.advancing = &platform.time;
        platform.loop.onYield = [this] {
            if (++yields == kYieldsBeforeStop) {
                stopped = true;
                host.caption = kRunCaption;
            }
        };
    }

    QString path(const QString &name) const { return dir + u'/' + name; }
    KeywordDatabase database() const { return KeywordDatabase(dir); }

    // Runs a script (lines ended by CR LF); "`S out.txt" lines leave out().
    // `maxFileSize` (when set) limits file sizes while the script runs.
    void runScript(const QByteArray &text, rlim_t maxFileSize = RLIM_INFINITY)
    {
        writeBytes(path(QStringLiteral("hostile.vlm")), text);
        QString name = path(QStringLiteral("hostile.vlm"));
        ScriptEngine engine(host, platform);
        {
            const FileSizeLimit limit(maxFileSize);
            engine.Execute_Script(name);
        }
        QCOMPARE(host.caption, kRunCaption); // the run is over
    }

    QByteArray out() const { return readBytes(path(QStringLiteral("out.txt"))); }

    // Three records on disk before anything hostile happens.
    QByteArray seedDatabase()
    {
        KeywordDatabase db = database();
        for (const char *word : {"NOTEPAD", "EDIT", "WEB"})
            addKeyWord(db, platform, QString::fromLatin1(word),
                       QStringLiteral("/usr/bin/") + QString::fromLatin1(word).toLower());
        return readBytes(db.recordFilePath());
    }

    bool findable(const QString &keyWord, qint32 recordNumber) const
    {
        const QList<IndexHit> hits = database().findKeyword(keyWord);
        return std::any_of(hits.cbegin(), hits.cend(), [recordNumber](const IndexHit &hit) {
            return hit.recordNumber == recordNumber;
        });
    }

    // Adds `keyWord`, expects it added and found, before and after a reindex.
    void addAndFind(const QString &keyWord, const QString &indexFileName)
    {
        KeywordDatabase db = database();
        const AddResult result = addKeyWord(db, platform, keyWord, QStringLiteral("/bin/true"));
        QCOMPARE(result.outcome, AddOutcome::Added);
        QVERIFY(QFile::exists(path(indexFileName)));
        QVERIFY(findable(keyWord, result.recordNumber));
        db.ReIndex_Database();
        QVERIFY(findable(keyWord, result.recordNumber));
    }

    // Mounts a small tmpfs on `sub` and makes it read-only after `fill` has run;
    // false (and nothing mounted) when mounting is not allowed here.
    bool readOnlyMount(const QString &sub, const std::function<void(const QString &)> &fill)
    {
        const QString where = path(sub);
        QDir().mkpath(where);
        const QByteArray native = QFile::encodeName(where);
        if (mount("tmpfs", native.constData(), "tmpfs", 0, "size=1m") != 0)
            return false;
        fill(where);
        if (mount(nullptr, native.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            umount2(native.constData(), MNT_DETACH);
            return false;
        }
        m_mounts.append(native);
        return true;
    }

    ~Env()
    {
        for (const QByteArray &where : m_mounts)
            umount2(where.constData(), MNT_DETACH);
    }

private:
    QList<QByteArray> m_mounts;
};

using Case = std::function<void(Env &)>;

const QString kLong = QString(10000, u'x');

// Every case states its input and asserts its outcome.
const QList<std::pair<const char *, Case>> &cases()
{
    static const QList<std::pair<const char *, Case>> table = {
        // --- key words and paths --------------------------------------------
        {"key word of 10,000 characters is cut to 50",
         [](Env &e) {
             KeywordDatabase db = e.database();
             const AddResult r = addKeyWord(db, e.platform, kLong, QStringLiteral("/bin/true"));
             QCOMPARE(r.outcome, AddOutcome::Added);
             QCOMPARE(db.Get_Keyword_Record(r.recordNumber)->keyWord, QString(50, u'X'));
         }},
        {"path of 10,000 characters is cut to 256",
         [](Env &e) {
             KeywordDatabase db = e.database();
             const AddResult r = addKeyWord(db, e.platform, QStringLiteral("LONG"), kLong);
             QCOMPARE(r.outcome, AddOutcome::Added);
             QCOMPARE(db.Get_Keyword_Record(r.recordNumber)->program, QString(256, u'X'));
             QCOMPARE(db.findApplication(QString(256, u'X')).size(), 1);
         }},
        {"NUL inside a key word is stored and found",
         [](Env &e) { e.addAndFind(QString::fromUtf16(u"A\0B", 3), QStringLiteral("A.KWX")); }},
        {"NUL as first character: the record is kept, no index file with a NUL name",
         [](Env &e) {
             // Qt complains of file names holding a NUL: none must be tried.
             QTest::failOnWarning(QRegularExpression(QStringLiteral("filename")));
             KeywordDatabase db = e.database();
             const AddResult r = addKeyWord(db, e.platform, QString::fromUtf16(u"\0X", 2),
                                            QStringLiteral("/bin/true"));
             QCOMPARE(r.outcome, AddOutcome::Added);
             QVERIFY(db.Get_Keyword_Record(r.recordNumber));
             QVERIFY(QDir(e.dir).entryList({QStringLiteral("*.KWX")}, QDir::Files).isEmpty());
             QVERIFY(db.findKeyword(QString::fromUtf16(u"\0X", 2)).isEmpty());
         }},
        {"character outside Windows-1252 in a key word is refused",
         [](Env &e) {
             const QByteArray before = e.seedDatabase();
             KeywordDatabase db = e.database();
             const AddResult r =
                 addKeyWord(db, e.platform, QStringLiteral("OHM Ω"), QStringLiteral("/bin/true"));
             QCOMPARE(r.outcome, AddOutcome::NotRepresentable);
             QVERIFY(e.platform.dialog.boxes.last().text.endsWith(u'Ω'));
             QCOMPARE(readBytes(db.recordFilePath()), before);
         }},
        {"emoji in a path is refused",
         [](Env &e) {
             KeywordDatabase db = e.database();
             const AddResult r = addKeyWord(db, e.platform, QStringLiteral("SMILE"),
                                            QStringLiteral("/home/u/\U0001F600.sh"));
             QCOMPARE(r.outcome, AddOutcome::NotRepresentable);
             QVERIFY(!QFile::exists(db.recordFilePath()));
         }},
        {"Windows-1252 characters beyond ASCII are stored and found",
         [](Env &e) { e.addAndFind(QStringLiteral("€URO ÆØÅ"), QStringLiteral("€.KWX")); }},
        {"first character / is indexed in .KWX",
         [](Env &e) { e.addAndFind(QStringLiteral("/SLASH"), QStringLiteral(".KWX")); }},
        {"first character \\ is indexed in \\.KWX",
         [](Env &e) { e.addAndFind(QStringLiteral("\\BACK"), QStringLiteral("\\.KWX")); }},
        {"first character . is indexed in ..KWX",
         [](Env &e) { e.addAndFind(QStringLiteral(".DOT"), QStringLiteral("..KWX")); }},
        {"first character : is indexed in :.KWX",
         [](Env &e) { e.addAndFind(QStringLiteral(":COLON"), QStringLiteral(":.KWX")); }},
        {"first character ? is indexed in ?.KWX",
         [](Env &e) { e.addAndFind(QStringLiteral("?ASK"), QStringLiteral("?.KWX")); }},
        {"first character * is indexed in *.KWX",
         [](Env &e) { e.addAndFind(QStringLiteral("*STAR"), QStringLiteral("*.KWX")); }},
        {"reindex removes every odd index file and keeps the records",
         [](Env &e) {
             const QByteArray records = e.seedDatabase();
             for (const char *name : {".KWX", "*.kwx", "?.Apx", "\\.APX"})
                 writeBytes(e.path(QString::fromLatin1(name)), "junk");
             e.database().ReIndex_Database();
             for (const char *name : {".KWX", "*.kwx", "?.Apx", "\\.APX"})
                 QVERIFY(!QFile::exists(e.path(QString::fromLatin1(name))));
             QCOMPARE(readBytes(e.database().recordFilePath()), records);
             QVERIFY(e.findable(QStringLiteral("EDIT"), 2));
         }},
        {"blank key word adds nothing",
         [](Env &e) {
             KeywordDatabase db = e.database();
             QCOMPARE(
                 addKeyWord(db, e.platform, QStringLiteral("    "), QStringLiteral("/x")).outcome,
                 AddOutcome::MissingKeyWord);
             QVERIFY(!QFile::exists(db.recordFilePath()));
         }},
        // --- broken database files -------------------------------------------
        {"record file with a short partial record: the next add replaces it",
         [](Env &e) {
             const QByteArray before = e.seedDatabase();
             KeywordDatabase db = e.database();
             writeBytes(db.recordFilePath(), before + QByteArray(100, 'Z'));
             QCOMPARE(db.recordCount(), 3);
             const AddResult r =
                 addKeyWord(db, e.platform, QStringLiteral("NEW"), QStringLiteral("/n"));
             QCOMPARE(r.recordNumber, 4);
             QCOMPARE(readBytes(db.recordFilePath()).size(), 4 * kRecordSize);
             QVERIFY(readBytes(db.recordFilePath()).startsWith(before));
             QVERIFY(e.findable(QStringLiteral("NEW"), 4));
         }},
        {"record file with a long partial record: counted, never read",
         [](Env &e) {
             const QByteArray before = e.seedDatabase();
             KeywordDatabase db = e.database();
             writeBytes(db.recordFilePath(), before + QByteArray(200, 'Z'));
             QCOMPARE(db.recordCount(), 4);
             QVERIFY(!db.Get_Keyword_Record(4));
             QCOMPARE(buildAvailableLists(db).keywordsAlreadyUsed.size(), 3);
         }},
        {"index file with a partial entry: earlier entries found, next entry replaces it",
         [](Env &e) {
             e.seedDatabase();
             const QString index = e.path(QStringLiteral("E.KWX"));
             writeBytes(index, readBytes(index) + QByteArray(17, 'E'));
             QVERIFY(e.findable(QStringLiteral("EDIT"), 2));
             KeywordDatabase db = e.database();
             const AddResult r =
                 addKeyWord(db, e.platform, QStringLiteral("EXTRA"), QStringLiteral("/x"));
             QCOMPARE(readBytes(index).size(), 2 * kIndexEntrySize);
             QVERIFY(e.findable(QStringLiteral("EXTRA"), r.recordNumber));
         }},
        {"index entries pointing past the records or below 1 are ignored",
         [](Env &e) {
             e.seedDatabase();
             QByteArray entries;
             for (const qint32 number : {999999, 0, -5, std::numeric_limits<qint32>::min()})
                 entries += encodeIndexEntry({kStatusActive, number, QStringLiteral("EDIT")});
             const QString index = e.path(QStringLiteral("E.KWX"));
             writeBytes(index, entries + readBytes(index));
             const QList<IndexHit> hits = e.database().findKeyword(QStringLiteral("EDIT"));
             QCOMPARE(hits.size(), 1);
             QCOMPARE(hits.first().recordNumber, 2);
         }},
        {"records with unknown status are neither listed nor found",
         [](Env &e) {
             QByteArray records = e.seedDatabase();
             records[0] = 7; // NOTEPAD
             writeBytes(e.database().recordFilePath(), records);
             QVERIFY(!e.findable(QStringLiteral("NOTEPAD"), 1));
             QCOMPARE(buildAvailableLists(e.database()).keywordsAlreadyUsed.size(), 2);
         }},
        {"empty record file: the first add is record 1",
         [](Env &e) {
             KeywordDatabase db = e.database();
             writeBytes(db.recordFilePath(), {});
             QCOMPARE(addKeyWord(db, e.platform, QStringLiteral("ONE"), QStringLiteral("/1"))
                          .recordNumber,
                      1);
         }},
        {"full disk on add: the record file is left as it was, no index entry",
         [](Env &e) {
             const QByteArray before = e.seedDatabase();
             KeywordDatabase db = e.database();
             AddResult r;
             {
                 const FileSizeLimit limit(before.size() + 100);
                 r = addKeyWord(db, e.platform, QStringLiteral("NOSPACE"), QStringLiteral("/x"));
             }
             QCOMPARE(r.outcome, AddOutcome::WriteFailed);
             QCOMPARE(readBytes(db.recordFilePath()), before);
             QVERIFY(!QFile::exists(e.path(QStringLiteral("N.KWX"))) ||
                     readBytes(e.path(QStringLiteral("N.KWX"))).size() == kIndexEntrySize);
             QVERIFY(db.findKeyword(QStringLiteral("NOSPACE")).isEmpty());
         }},
        {"read-only disk on add: nothing written, the database still reads",
         [](Env &e) {
             QByteArray before;
             const bool mounted = e.readOnlyMount(QStringLiteral("ro"), [&](const QString &where) {
                 KeywordDatabase db(where);
                 addKeyWord(db, e.platform, QStringLiteral("KEEP"), QStringLiteral("/k"));
                 before = readBytes(db.recordFilePath());
             });
             if (!mounted)
                 QSKIP("cannot mount a read-only tmpfs here");
             KeywordDatabase db(e.path(QStringLiteral("ro")));
             QCOMPARE(
                 addKeyWord(db, e.platform, QStringLiteral("NEW"), QStringLiteral("/n")).outcome,
                 AddOutcome::WriteFailed);
             db.Delete_KeyWord(1);
             db.ReIndex_Database();
             QCOMPARE(readBytes(db.recordFilePath()), before);
             QCOMPARE(db.findKeyword(QStringLiteral("KEEP")).size(), 1);
         }},
        // --- keystroke lines ---------------------------------------------------
        {"unbalanced brace types nothing",
         [](Env &e) {
             const SendKeysParse p = parseSendKeys(QStringLiteral("abc{ENTER"));
             QVERIFY(!p.ok() && p.actions.isEmpty());
             e.runScript("abc{ENTER\r\n");
             QCOMPARE(e.platform.keys.sent.size(), 1); // handed on; the keyboard parses it
         }},
        {"closing brace alone types nothing",
         [](Env &) { QVERIFY(parseSendKeys(QStringLiteral("a}b")).actions.isEmpty()); }},
        {"unbalanced opening parenthesis types nothing",
         [](Env &) { QVERIFY(!parseSendKeys(QStringLiteral("+(abc")).ok()); }},
        {"unbalanced closing parenthesis types nothing",
         [](Env &) { QVERIFY(!parseSendKeys(QStringLiteral("abc)")).ok()); }},
        {"unknown key name types nothing",
         [](Env &) {
             const SendKeysParse p = parseSendKeys(QStringLiteral("x{NOSUCHKEY}"));
             QVERIFY(!p.ok() && p.actions.isEmpty());
             QVERIFY(p.error.contains(QLatin1String("NOSUCHKEY")));
         }},
        {"modifier with nothing to act on types nothing",
         [](Env &) { QVERIFY(!parseSendKeys(QStringLiteral("abc^")).ok()); }},
        {"repeat count of a million is capped",
         [](Env &) {
             const SendKeysParse p = parseSendKeys(QStringLiteral("{a 1000000}"));
             QVERIFY(p.ok());
             QCOMPARE(p.actions.size(), 1);
             QCOMPARE(p.actions.first().count, kMaxKeyRepeat);
         }},
        {"repeat count past 64 bits is capped, not wrapped",
         [](Env &) {
             const SendKeysParse p =
                 parseSendKeys(QStringLiteral("{ENTER 99999999999999999999999}"));
             QVERIFY(p.ok());
             QCOMPARE(p.actions.first().count, kMaxKeyRepeat);
         }},
        {"negative repeat count is malformed",
         [](Env &) { QVERIFY(!parseSendKeys(QStringLiteral("{TAB -3}")).ok()); }},
        {"keystroke line of 10,000 characters parses whole",
         [](Env &) { QCOMPARE(parseSendKeys(kLong).actions.size(), 10000); }},
        {"byte order mark keeps its readable form",
         [](Env &) {
             const QString bom(QChar(0xFEFF));
             const SendKeysParse p = parseSendKeys(bom);
             QCOMPARE(describeKeyActions(p.actions), bom);
         }},
        // --- waits -------------------------------------------------------------
        {"wait of 1e30 seconds can be stopped",
         [](Env &e) {
             e.runScript("`W 1e30\r\n`SET after\r\n`S out.txt\r\n");
             QVERIFY(e.stopped);
             QVERIFY(!QFile::exists(e.path(QStringLiteral("out.txt"))));
             QVERIFY(e.host.labels.first().endsWith(QLatin1String(" Seconds Remaining")));
         }},
        {"wait of 1e308 seconds can be stopped",
         [](Env &e) {
             e.runScript("`W 1e308\r\n");
             QVERIFY(e.stopped);
         }},
        {"negative wait does not wait",
         [](Env &e) {
             e.runScript("`W -5\r\n`SET after\r\n`S out.txt\r\n");
             QVERIFY(!e.stopped);
             QCOMPARE(e.out(), QByteArray("after\r\n"));
         }},
        {"wait that is not a number does not wait",
         [](Env &e) {
             e.runScript("`W nan\r\n`W inf\r\n`W abc\r\n`SET after\r\n`S out.txt\r\n");
             QVERIFY(!e.stopped);
             QCOMPARE(e.out(), QByteArray("after\r\n"));
         }},
        {"date that does not parse does not wait",
         [](Env &e) {
             e.runScript(
                 "`D 13/45/2026\r\n`D 02/30/2026\r\n`D tomorrow\r\n`SET after\r\n`S out.txt\r\n");
             QVERIFY(!e.stopped);
             QCOMPARE(e.out(), QByteArray("after\r\n"));
         }},
        {"date far in the future can be stopped",
         [](Env &e) {
             e.runScript("`D 12/31/9999\r\n");
             QVERIFY(e.stopped);
         }},
        {"time that does not parse does not wait",
         [](Env &e) {
             e.runScript("`T 25:99\r\n`T 13:00 PM\r\n`T noon\r\n`SET after\r\n`S out.txt\r\n");
             QVERIFY(!e.stopped);
             QCOMPARE(e.out(), QByteArray("after\r\n"));
         }},
        {"time later today can be stopped",
         [](Env &e) {
             e.runScript("`T 23:59:59\r\n");
             QVERIFY(e.stopped);
         }},
        // --- devices and files ---------------------------------------------------
        {"absent serial port: its failure is shown, the run goes on",
         [](Env &e) {
             e.runScript("`COM99 hello\r\n`SET after\r\n`S out.txt\r\n");
             QCOMPARE(e.platform.dialog.boxes.size(), 3);
             QVERIFY(e.platform.dialog.boxes[2].text.contains(QLatin1String("COM99")));
             QVERIFY(!QFile::exists(QStringLiteral("/dev/ttyS98")));
             QCOMPARE(e.out(), QByteArray("after\r\n"));
         }},
        {"port that refuses writes: its failure is shown",
         [](Env &e) {
             QVERIFY(QDir(e.dir).mkdir(QStringLiteral("COMZ")));
             e.runScript("`COMZ hello\r\n");
             QCOMPARE(e.platform.dialog.boxes.size(), 3);
             QVERIFY(!e.platform.dialog.boxes[2].text.isEmpty());
         }},
        {"`F on a directory ends the run with its message",
         [](Env &e) {
             QVERIFY(QDir(e.dir).mkdir(QStringLiteral("folder")));
             e.runScript("`F folder\r\n`SET after\r\n`S out.txt\r\n");
             QCOMPARE(e.platform.dialog.boxes.last().text, kCannotOpenReadFile);
             QVERIFY(!QFile::exists(e.path(QStringLiteral("out.txt"))));
         }},
        {"`F on a FIFO with no writer does not hang",
         [](Env &e) {
             QCOMPARE(mkfifo(QFile::encodeName(e.path(QStringLiteral("fifo"))).constData(), 0600),
                      0);
             e.runScript("`F fifo\r\n");
             QCOMPARE(e.platform.dialog.boxes.last().text, kCannotOpenReadFile);
         }},
        {"`F on a file of a gigabyte takes a bounded part",
         [](Env &e) {
             QFile big(e.path(QStringLiteral("big.bin")));
             QVERIFY(big.open(QIODevice::WriteOnly));
             QVERIFY(big.resize(qint64(1) << 30)); // sparse: no disk used
             big.close();
             e.runScript("`F big.bin\r\n`S out.txt\r\n");
             QCOMPARE(QFileInfo(e.path(QStringLiteral("out.txt"))).size(), (qint64(16) << 20) + 2);
         }},
        {"`F on /dev/zero takes a bounded part",
         [](Env &e) {
             e.runScript("`F /dev/zero\r\n");
             QCOMPARE(e.platform.dialog.boxes.last().text, kCannotOpenReadFile);
         }},
        {"wildcard delete leaves directories and what is below them",
         [](Env &e) {
             QVERIFY(QDir(e.dir).mkpath(QStringLiteral("sub/deeper")));
             writeBytes(e.path(QStringLiteral("sub/keep.txt")), "keep");
             writeBytes(e.path(QStringLiteral("sub/deeper/keep.txt")), "keep");
             writeBytes(e.path(QStringLiteral("gone.txt")), "gone");
             e.runScript("`K *\r\n`K sub\r\n`K */keep.txt\r\n`K *?*\r\n");
             QVERIFY(!QFile::exists(e.path(QStringLiteral("gone.txt"))));
             QCOMPARE(readBytes(e.path(QStringLiteral("sub/keep.txt"))), QByteArray("keep"));
             QCOMPARE(readBytes(e.path(QStringLiteral("sub/deeper/keep.txt"))), QByteArray("keep"));
         }},
        {"wildcard delete through a symbolic link to a folder removes nothing in it",
         [](Env &e) {
             QVERIFY(QDir(e.dir).mkpath(QStringLiteral("other")));
             writeBytes(e.path(QStringLiteral("other/keep.txt")), "keep");
             QVERIFY(QFile::link(e.path(QStringLiteral("other")), e.path(QStringLiteral("link"))));
             e.runScript("`K link\r\n`K *.txt\r\n");
             QCOMPARE(readBytes(e.path(QStringLiteral("other/keep.txt"))), QByteArray("keep"));
         }},
        {"removing a folder that holds files keeps it",
         [](Env &e) {
             QVERIFY(QDir(e.dir).mkpath(QStringLiteral("full")));
             writeBytes(e.path(QStringLiteral("full/a.txt")), "a");
             e.runScript("`RD full\r\n");
             QCOMPARE(readBytes(e.path(QStringLiteral("full/a.txt"))), QByteArray("a"));
         }},
        {"folder name of 10,000 characters is refused quietly",
         [](Env &e) {
             e.runScript("`MD " + kLong.toUtf8() + "\r\n`SET after\r\n`S out.txt\r\n");
             QCOMPARE(e.out(), QByteArray("after\r\n"));
             QCOMPARE(QDir(e.dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 0);
         }},
        {"copying a file onto itself keeps it",
         [](Env &e) {
             writeBytes(e.path(QStringLiteral("same.txt")), "same");
             e.runScript("`CP same.txt ./same.txt\r\n");
             QCOMPARE(readBytes(e.path(QStringLiteral("same.txt"))), QByteArray("same"));
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
             QCOMPARE(e.out(),
                      QString(QStringLiteral("a") + QChar(0) + QStringLiteral("bé\r\n")).toUtf8());
         }},
        {"full disk on `S keeps the old file",
         [](Env &e) {
             writeBytes(e.path(QStringLiteral("out.txt")), "old");
             e.runScript("`SET " + QByteArray(500, 'n') + "\r\n`S out.txt\r\n", 64);
             QCOMPARE(e.out(), QByteArray("old"));
             // Room enough: the same line replaces it.
             e.runScript("`SET " + QByteArray(500, 'n') + "\r\n`S out.txt\r\n", 1000);
             QCOMPARE(e.out(), QByteArray(500, 'n') + "\r\n");
         }},
        {"full disk on `SA keeps what was there",
         [](Env &e) {
             writeBytes(e.path(QStringLiteral("out.txt")), "old\r\n");
             e.runScript("`SET " + QByteArray(500, 'n') + "\r\n`SA out.txt\r\n", 64);
             QCOMPARE(e.out(), "old\r\n" + QByteArray(64 - 5, 'n'));
         }},
        {"full disk on the editor's Save keeps the old script",
         [](Env &e) {
             const QString script = e.path(QStringLiteral("s.vlm"));
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
        {"read-only disk on `S and the editor's Save keeps the old file",
         [](Env &e) {
             const bool mounted = e.readOnlyMount(QStringLiteral("rofs"), [](const QString &where) {
                 writeBytes(where + QStringLiteral("/out.txt"), "old");
             });
             if (!mounted)
                 QSKIP("cannot mount a read-only tmpfs here");
             e.runScript("`SET new\r\n`S rofs/out.txt\r\n`SA rofs/out.txt\r\n");
             QVERIFY(!editor::writeScriptFile(e.path(QStringLiteral("rofs/out.txt")), "new").ok);
             QCOMPARE(readBytes(e.path(QStringLiteral("rofs/out.txt"))), QByteArray("old"));
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
             QVERIFY(!s.titleBarRemoved());
         }},
        {"full disk on PD.ini keeps the old settings",
         [](Env &e) {
             const QString ini = e.path(kWindowSettingsFileName);
             WindowSettings wide;
             wide.topTwips = 1200;
             wide.titleBarState = QString(200, u'2');
             QVERIFY(writeWindowSettings(ini, {15, 30, QStringLiteral("1")}));
             const QByteArray before = readBytes(ini);
             {
                 const FileSizeLimit limit(64);
                 QVERIFY(!writeWindowSettings(ini, wide));
             }
             QCOMPARE(readBytes(ini), before);
         }},
        {"PD.ini that is binary junk reads as the defaults",
         [](Env &e) {
             writeBytes(e.path(kWindowSettingsFileName), QByteArray("\xFF\xFE\0\0\x80", 5));
             const WindowSettings s = readWindowSettings(e.path(kWindowSettingsFileName));
             QCOMPARE(s.topTwips, 0);
             QCOMPARE(s.leftTwips, 0);
         }},
        {"Scripter.ini with junk keeps the design values; white survives a round trip",
         [](Env &e) {
             const QString ini = e.path(editor::kEditorSettingsFile);
             writeBytes(ini, "\r\n-3\r\nred\r\n1e400\r\n" + kLong.toUtf8() + "\r\n");
             const editor::EditorSettings junk = editor::readEditorSettings(ini);
             QVERIFY(!junk.fontName && !junk.fontSize && !junk.colour);
             QCOMPARE(junk.position, QPoint(0, 0));
             QVERIFY(editor::writeEditorSettings(QStringLiteral("Mono"), 9.75, 0xFFFFFF,
                                                 QPoint(-15, 1200), ini));
             const editor::EditorSettings back = editor::readEditorSettings(ini);
             QCOMPARE(back.colour, std::optional<quint32>(0xFFFFFF));
             QCOMPARE(back.fontSize, std::optional<double>(9.75));
             QCOMPARE(back.position, QPoint(-15, 1200));
         }},
        {"toolbox.ini with absurd numbers is clamped",
         [](Env &e) {
             const QString ini = e.path(editor::kToolBoxSettingsFile);
             writeBytes(ini, "1e400\r\n-1e300\r\n");
             const QPoint p = editor::readToolBoxPosition(ini);
             QCOMPARE(p, QPoint(0, -10000000));
         }},
    };
    return table;
}

} // namespace

class TestHostileInput : public QObject
{
    Q_OBJECT

private slots:
    void hostile_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < cases().size(); ++i)
            QTest::newRow(cases().at(i).first) << i;
    }

    void hostile()
    {
        QFETCH(int, index);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        qputenv("KORVANE_HOME", dir.path().toUtf8());
        QVERIFY(QDir::setCurrent(dir.path()));
        Env env(dir.path());
        cases().at(index).second(env);
    }

    void atLeastFortyCases() { QVERIFY(cases().size() >= 40); }
};

QTEST_GUILESS_MAIN(TestHostileInput)
#include "test_hostile_input.moc"
