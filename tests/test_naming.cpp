// Client names: address resolution over a scripted lookup (and once over the real resolver on
// 127.0.0.1 only), the names file as the program reads it, and saving it from the editor.

#include "naming/ClientNames.h"
#include "naming/NameTable.h"
#include "naming/NamesFile.h"
#include "support/Fakes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

/** Pairs "address=name" expected in a table. */
using Mappings = QList<QPair<QString, QString>>;

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

/** Checks that table holds exactly the expected mappings. */
void compareTable(const NameTable& table, const Mappings& expected) {
    for (const auto& [address, name] : expected) {
        QVERIFY2(table.contains(address), qPrintable(address));
        QCOMPARE(table.value(address), name);
    }
    QCOMPARE(table.size(), expected.size());
}

/** The host names that /etc/hosts gives for 127.0.0.1. */
QStringList hostsFileNamesOfLoopback() {
    QFile file(u"/etc/hosts"_s);
    QStringList names;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return names;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).section(u'#', 0, 0);
        const QStringList words = line.split(QRegularExpression(u"\\s+"_s), Qt::SkipEmptyParts);
        if (words.size() >= 2 && words.first() == "127.0.0.1"_L1)
            names += words.mid(1);
    }
    return names;
}

/** Limits the size of files this process writes, so a write fails as on a full disk. */
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

} // namespace

class TestNaming : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resolveLooksUpEachAddressOnce();
    void resolveRule_data();
    void resolveRule();
    void lookedUpBytes_data();
    void lookedUpBytes();
    void hostNameCut_data();
    void hostNameCut();
    void failedLookupKeepsAddress();
    void mappedNameWinsOverLateAnswer();
    void optionOffShowsAddresses();
    void keysIgnoreLetterCase();
    void parsingNames_data();
    void parsingNames();
    void loadNamesFile();
    void loadNamesEncoding_data();
    void loadNamesEncoding();
    void loadNamesMissingOrUnreadable();
    void savingNamesText();
    void failedSaveKeepsPreviousFile();
    void realLookupOfLoopback();
};

// --- Resolve ---------------------------------------------------------------------------------

void TestNaming::resolveLooksUpEachAddressOnce() {
    auto lookup = std::make_unique<FakeHostLookup>();
    FakeHostLookup& fake = *lookup;
    ClientNames names(std::move(lookup));
    names.setResolveClients(true);

    const QString address = u"192.168.1.20"_s;
    QCOMPARE(names.Resolve(address), address);
    QCOMPARE(names.Resolve(address), address);
    QCOMPARE(fake.requests.size(), 1);
    QCOMPARE(fake.requests[0].address, address);
    QCOMPARE(names.pendingLookupCount(), 1);

    // A second address gets its own lookup; answers may come in any order.
    QCOMPARE(names.Resolve(u"192.168.1.21"_s), u"192.168.1.21"_s);
    QCOMPARE(fake.requests.size(), 2);
    fake.answer(1, u"beta.lan"_s);
    fake.answer(0, u"alpha.lan"_s);
    QCOMPARE(names.Resolve(address), u"alpha.lan"_s);
    QCOMPARE(names.Resolve(u"192.168.1.21"_s), u"beta.lan"_s);
    QCOMPARE(names.pendingLookupCount(), 0);
    QCOMPARE(fake.requests.size(), 2);

    // A repeated answer for a finished request changes nothing.
    fake.answer(0, u"other.lan"_s);
    QCOMPARE(names.Resolve(address), u"alpha.lan"_s);
}

void TestNaming::resolveRule_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("resolveClients");
    QTest::addColumn<bool>("lookedUp");

    QTest::addRow("address") << u"10.0.0.1"_s << true << true;
    QTest::addRow("address, option off") << u"10.0.0.1"_s << false << false;
    QTest::addRow("plain name") << u"workstation"_s << true << false;
    QTest::addRow("two dots") << u"pc.lan.net"_s << true << false;
    QTest::addRow("three dots, not numeric") << u"pc.lan.example.net"_s << true << true;
    QTest::addRow("only dots") << u"..."_s << true << true;
    QTest::addRow("all clients") << u"<All-clients>"_s << true << false;
    QTest::addRow("empty") << QString() << true << false;
}

void TestNaming::resolveRule() {
    QFETCH(QString, name);
    QFETCH(bool, resolveClients);
    QFETCH(bool, lookedUp);

    auto lookup = std::make_unique<FakeHostLookup>();
    FakeHostLookup& fake = *lookup;
    ClientNames names(std::move(lookup));
    names.setResolveClients(resolveClients);

    QCOMPARE(names.Resolve(name), name);
    QCOMPARE(fake.requests.size(), lookedUp ? 1 : 0);
    QCOMPARE(names.nameTable().contains(name), lookedUp);
    if (lookedUp) {
        fake.answer(0, u"host.example"_s);
        QCOMPARE(names.Resolve(name), u"host.example"_s);
    }
}

void TestNaming::lookedUpBytes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("lookedUp");

    QTest::addRow("plain") << u"10.1.2.3"_s << u"10.1.2.3"_s;
    QTest::addRow("fourth part 300") << u"10.0.0.300"_s << u"10.0.0.0"_s;
    QTest::addRow("first part 256") << u"256.1.2.3"_s << u"0.1.2.3"_s;
    QTest::addRow("255 kept") << u"255.255.255.255"_s << u"255.255.255.255"_s;
    QTest::addRow("leading zeros") << u"010.002.0003.0255"_s << u"10.2.3.255"_s;
    QTest::addRow("huge part") << u"99999999999999999999.1.2.3"_s << u"0.1.2.3"_s;
    QTest::addRow("negative part") << u"-1.2.3.4"_s << u"0.2.3.4"_s;
    QTest::addRow("words") << u"pc.lan.example.net"_s << u"0.0.0.0"_s;
    QTest::addRow("empty parts") << u"1..3."_s << u"1.0.3.0"_s;
    QTest::addRow("fifth part ignored") << u"1.2.3.4.5"_s << u"1.2.3.4"_s;
    QTest::addRow("sign") << u"+1.2.3.4"_s << u"0.2.3.4"_s;
}

void TestNaming::lookedUpBytes() {
    QFETCH(QString, name);
    QFETCH(QString, lookedUp);

    auto lookup = std::make_unique<FakeHostLookup>();
    FakeHostLookup& fake = *lookup;
    ClientNames names(std::move(lookup));
    names.setResolveClients(true);

    QCOMPARE(names.Resolve(name), name);
    QCOMPARE(fake.requests.size(), 1);
    QCOMPARE(fake.requests[0].address, lookedUp);
    QCOMPARE(QHostAddress(addressBytes(name)).toString(), lookedUp);
    // The table keeps the client under its own text, not the address looked up.
    QCOMPARE(names.nameTable().value(name), name);
    fake.answer(0, u"found"_s);
    QCOMPARE(names.Resolve(name), u"found"_s);
}

void TestNaming::hostNameCut_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("shown");

    const QString sixtyFour = QString(60, u'h') + u".net"_s;
    QTest::addRow("64 characters") << sixtyFour << sixtyFour;
    QTest::addRow("65 characters") << sixtyFour + u'x' << sixtyFour;
    QTest::addRow("200 characters") << QString(200, u'a') << QString(64, u'a');
    QTest::addRow("zero character") << u"pc.lan"_s + QChar(0) + u"rest"_s << u"pc.lan"_s;
}

void TestNaming::hostNameCut() {
    QFETCH(QString, answer);
    QFETCH(QString, shown);

    auto lookup = std::make_unique<FakeHostLookup>();
    FakeHostLookup& fake = *lookup;
    ClientNames names(std::move(lookup));
    names.setResolveClients(true);
    names.Resolve(u"10.0.0.7"_s);
    fake.answer(0, answer);
    QCOMPARE(names.Resolve(u"10.0.0.7"_s), shown);
}

void TestNaming::failedLookupKeepsAddress() {
    auto lookup = std::make_unique<FakeHostLookup>();
    FakeHostLookup& fake = *lookup;
    ClientNames names(std::move(lookup));
    names.setResolveClients(true);

    // No name found: the address stays, and is not looked up again.
    names.Resolve(u"10.0.0.8"_s);
    fake.answer(0, QString());
    QCOMPARE(names.pendingLookupCount(), 0);
    QCOMPARE(names.Resolve(u"10.0.0.8"_s), u"10.0.0.8"_s);
    QCOMPARE(fake.requests.size(), 1);

    // A lookup that cannot be started: the address stays and is not retried.
    fake.failToStart = true;
    QCOMPARE(names.Resolve(u"10.0.0.9"_s), u"10.0.0.9"_s);
    QCOMPARE(names.Resolve(u"10.0.0.9"_s), u"10.0.0.9"_s);
    QCOMPARE(fake.refused, 1);
    QCOMPARE(names.pendingLookupCount(), 0);
}

void TestNaming::mappedNameWinsOverLateAnswer() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"names.nam"_s);
    auto lookup = std::make_unique<FakeHostLookup>();
    FakeHostLookup& fake = *lookup;
    ClientNames names(std::move(lookup));
    names.setResolveClients(true);

    names.Resolve(u"10.0.0.1"_s);
    names.Resolve(u"10.0.0.2"_s);
    QCOMPARE(fake.requests.size(), 2);

    // The names file maps 10.0.0.1 while both lookups are under way.
    QVERIFY(writeBytes(path, "10.0.0.1 KITCHEN\r\n"));
    QVERIFY(names.LoadNames(path));
    QCOMPARE(names.Resolve(u"10.0.0.1"_s), u"KITCHEN"_s);

    fake.answer(0, u"dns-name-1.lan"_s);
    fake.answer(1, u"dns-name-2.lan"_s);
    QCOMPARE(names.Resolve(u"10.0.0.1"_s), u"KITCHEN"_s);
    // The unmapped address, forgotten by the new table, takes its late answer.
    QCOMPARE(names.Resolve(u"10.0.0.2"_s), u"dns-name-2.lan"_s);
    QCOMPARE(fake.requests.size(), 2);

    // A mapped address is shown at once and never looked up.
    QVERIFY(writeBytes(path, "10.0.0.3 OFFICE\r\n"));
    QVERIFY(names.LoadNames(path));
    QCOMPARE(names.Resolve(u"10.0.0.3"_s), u"OFFICE"_s);
    QCOMPARE(fake.requests.size(), 2);
    // Earlier results were dropped with the old table: looked up again.
    QCOMPARE(names.Resolve(u"10.0.0.2"_s), u"10.0.0.2"_s);
    QCOMPARE(fake.requests.size(), 3);
}

void TestNaming::optionOffShowsAddresses() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"names.nam"_s);
    QVERIFY(writeBytes(path, "10.0.0.1 KITCHEN\r\n"));
    auto lookup = std::make_unique<FakeHostLookup>();
    FakeHostLookup& fake = *lookup;
    ClientNames names(std::move(lookup));
    QVERIFY(names.LoadNames(path));

    QVERIFY(!names.resolveClients());
    QCOMPARE(names.Resolve(u"10.0.0.1"_s), u"10.0.0.1"_s);
    QCOMPARE(names.Resolve(u"10.0.0.5"_s), u"10.0.0.5"_s);
    QCOMPARE(fake.requests.size(), 0);

    names.setResolveClients(true);
    QCOMPARE(names.Resolve(u"10.0.0.1"_s), u"KITCHEN"_s);
    names.setResolveClients(false);
    QCOMPARE(names.Resolve(u"10.0.0.1"_s), u"10.0.0.1"_s);
    QCOMPARE(fake.requests.size(), 0);
}

void TestNaming::keysIgnoreLetterCase() {
    NameTable table;
    QVERIFY(table.add(u"PC.Lan.Example.Net"_s, u"one"_s));
    QVERIFY(!table.add(u"pc.lan.example.net"_s, u"two"_s));
    QVERIFY(table.contains(u"PC.LAN.EXAMPLE.NET"_s));
    QCOMPARE(table.value(u"pc.LAN.example.NET"_s), u"one"_s);
    table.set(u"pc.lan.example.net"_s, u"three"_s);
    QCOMPARE(table.size(), 1);
    QCOMPARE(table.value(u"PC.Lan.Example.Net"_s), u"three"_s);
    table.remove(u"PC.LAN.example.net"_s);
    QVERIFY(table.isEmpty());
    QVERIFY(table.value(u"x"_s).isNull());

    // Through Resolve: one lookup for both spellings, and a mapping in another case applies.
    auto lookup = std::make_unique<FakeHostLookup>();
    FakeHostLookup& fake = *lookup;
    ClientNames names(std::move(lookup));
    names.setResolveClients(true);
    QCOMPARE(names.Resolve(u"Host.A.B.C"_s), u"Host.A.B.C"_s);
    QCOMPARE(names.Resolve(u"host.a.b.c"_s), u"Host.A.B.C"_s);
    QCOMPARE(fake.requests.size(), 1);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"names.nam"_s);
    QVERIFY(writeBytes(path, "Printer.Lan.Example.Net LASER\r\n"));
    QVERIFY(names.LoadNames(path));
    QCOMPARE(names.Resolve(u"printer.lan.example.net"_s), u"LASER"_s);
}

// --- The names file --------------------------------------------------------------------------

void TestNaming::parsingNames_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Mappings>("expected");
    QTest::addColumn<bool>("complete");

    QTest::addRow("empty") << QString() << Mappings{} << true;
    QTest::addRow("third word ignored") << u"10.0.0.1     PC1   extra words here\r\n"_s
                                        << Mappings{{u"10.0.0.1"_s, u"PC1"_s}} << true;
    QTest::addRow("blanks around")
        << u"   10.0.0.1 PC1   \r\n"_s << Mappings{{u"10.0.0.1"_s, u"PC1"_s}} << true;
    QTest::addRow("tab joins words")
        << u"10.0.0.1\tPC1\r\n10.0.0.2 PC2"_s << Mappings{{u"10.0.0.2"_s, u"PC2"_s}} << true;
    QTest::addRow("tab inside name")
        << u"10.0.0.1 PC\t1 x"_s << Mappings{{u"10.0.0.1"_s, u"PC\t1"_s}} << true;
    QTest::addRow("short lines skipped")
        << u"note\r\n\r\n     \r\n10.0.0.1 PC1\r\nsolo   \r\n10.0.0.2 PC2\r\n"_s
        << Mappings{{u"10.0.0.1"_s, u"PC1"_s}, {u"10.0.0.2"_s, u"PC2"_s}} << true;
    QTest::addRow("no final CR LF")
        << u"10.0.0.1 PC1\r\n10.0.0.2 PC2"_s
        << Mappings{{u"10.0.0.1"_s, u"PC1"_s}, {u"10.0.0.2"_s, u"PC2"_s}} << true;
    // LF ends a line, with or without a CR before it; a CR alone does not.
    QTest::addRow("LF only") << u"10.0.0.1 PC1\n10.0.0.2 PC2\n"_s
                             << Mappings{{u"10.0.0.1"_s, u"PC1"_s}, {u"10.0.0.2"_s, u"PC2"_s}}
                             << true;
    QTest::addRow("CR only") << u"10.0.0.1 PC1\r10.0.0.2 PC2\r"_s
                             << Mappings{{u"10.0.0.1"_s, u"PC1\r10.0.0.2"_s}} << true;
    QTest::addRow("LF CR: the CR starts the next line")
        << u"10.0.0.1 A\n\r10.0.0.2 B"_s
        << Mappings{{u"10.0.0.1"_s, u"A"_s}, {u"\r10.0.0.2"_s, u"B"_s}} << true;
    QTest::addRow("one name, two addresses")
        << u"10.0.0.1 PC\r\n10.0.0.2 PC"_s
        << Mappings{{u"10.0.0.1"_s, u"PC"_s}, {u"10.0.0.2"_s, u"PC"_s}} << true;

    // The same address on lines 2 and 5 of ten: lines 1 to 4 map, 5 to 10 do not.
    QStringList lines;
    for (int i = 1; i <= 10; ++i)
        lines << u"10.0.1.%1 PC%1"_s.arg(i);
    lines[4] = u"10.0.1.2 AGAIN"_s;
    QTest::addRow("repeated address") << lines.join(u"\r\n"_s)
                                      << Mappings{{u"10.0.1.1"_s, u"PC1"_s},
                                                  {u"10.0.1.2"_s, u"PC2"_s},
                                                  {u"10.0.1.3"_s, u"PC3"_s},
                                                  {u"10.0.1.4"_s, u"PC4"_s}}
                                      << false;
    QTest::addRow("repeated in other case")
        << u"Pc.Lan.X.Y ONE\r\npc.lan.x.y TWO\r\n10.0.0.3 THREE"_s
        << Mappings{{u"Pc.Lan.X.Y"_s, u"ONE"_s}} << false;
}

void TestNaming::parsingNames() {
    QFETCH(QString, text);
    QFETCH(Mappings, expected);
    QFETCH(bool, complete);

    NameTable table;
    QCOMPARE(parseNames(text, table), complete);
    compareTable(table, expected);
}

void TestNaming::loadNamesFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"names.nam"_s);
    const QByteArray content =
        "# my machines\r\n10.0.0.1 \tKITCHEN\r\n  10.0.0.2    OFFICE  desk\r\n"
        "10.0.0.3 \r\n10.0.0.4 ATTIC\r\n10.0.0.2 AGAIN\r\n10.0.0.5 LATE";
    QVERIFY(writeBytes(path, content));
    // Opened for reading only: a read-only file maps as well, and is left as it was.
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                            QFileDevice::ReadOther));
    const QDateTime modified = QFileInfo(path).lastModified();

    auto lookup = std::make_unique<FakeHostLookup>();
    FakeHostLookup& fake = *lookup;
    ClientNames names(std::move(lookup));
    names.setResolveClients(true);
    QVERIFY(!names.LoadNames(path)); // cut short at the repeated address
    compareTable(names.nameTable(), Mappings{{u"#"_s, u"my"_s},
                                             {u"10.0.0.1"_s, u"\tKITCHEN"_s},
                                             {u"10.0.0.2"_s, u"OFFICE"_s},
                                             {u"10.0.0.4"_s, u"ATTIC"_s}});
    QCOMPARE(names.Resolve(u"10.0.0.4"_s), u"ATTIC"_s);
    QCOMPARE(names.Resolve(u"10.0.0.5"_s), u"10.0.0.5"_s);
    QCOMPARE(fake.requests.size(), 1);
    QCOMPARE(readBytes(path), content);
    QCOMPARE(QFileInfo(path).lastModified(), modified);

    // Loading again replaces the table whole: the lookup result is gone.
    QVERIFY(writeBytes(dir.filePath(u"other.nam"_s), "10.0.0.9 NINE"));
    QVERIFY(names.LoadNames(dir.filePath(u"other.nam"_s)));
    compareTable(names.nameTable(), Mappings{{u"10.0.0.9"_s, u"NINE"_s}});
}

void TestNaming::loadNamesEncoding_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");

    QTest::addRow("ASCII") << QByteArray("10.0.0.1 KOENIG\r\n") << u"KOENIG"_s;
    QTest::addRow("UTF-8") << QByteArray("10.0.0.1 K\xC3\xB6nig\r\n") << u"K\u00F6nig"_s;
    QTest::addRow("Latin-1") << QByteArray("10.0.0.1 K\xF6nig\r\n") << u"K\u00F6nig"_s;
    QTest::addRow("cut UTF-8 sequence at the end")
        << QByteArray("10.0.0.1 PC\xC3") << u"PC\u00C3"_s;
    QTest::addRow("byte-order mark") << QByteArray("\xEF\xBB\xBF"
                                                   "10.0.0.1 PC1")
                                     << u"PC1"_s;
    QTest::addRow("zero byte") << QByteArray("10.0.0.1 A\0B\r\n", 14) << u"A"_s + QChar(0) + u"B"_s;
    QTest::addRow("binary junk") << QByteArray("\xFF\xFE\x80\r\n10.0.0.1 \xFF\xFF")
                                 << u"\u00FF\u00FF"_s;
}

void TestNaming::loadNamesEncoding() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"names.nam"_s);
    QVERIFY(writeBytes(path, bytes));
    ClientNames names(std::make_unique<FakeHostLookup>());
    QVERIFY(names.LoadNames(path));
    QCOMPARE(names.nameTable().value(u"10.0.0.1"_s), name);
}

void TestNaming::loadNamesMissingOrUnreadable() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ClientNames names(std::make_unique<FakeHostLookup>());

    // First start: the file is created empty.
    const QString path = dir.filePath(u"names.nam"_s);
    QVERIFY(writeBytes(dir.filePath(u"seed.nam"_s), "10.0.0.1 OLD"));
    QVERIFY(names.LoadNames(dir.filePath(u"seed.nam"_s)));
    QVERIFY(names.LoadNames(path));
    QVERIFY(QFileInfo(path).isFile());
    QCOMPARE(QFileInfo(path).size(), 0);
    QVERIFY(names.nameTable().isEmpty());

    // A folder that does not exist: nothing created, empty table.
    QVERIFY(names.LoadNames(dir.filePath(u"seed.nam"_s)));
    QVERIFY(!names.LoadNames(dir.filePath(u"missing/names.nam"_s)));
    QVERIFY(names.nameTable().isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath(u"missing"_s)));

    // A folder where the file should be cannot be read.
    QVERIFY(QDir(dir.path()).mkdir(u"folder.nam"_s));
    QVERIFY(names.LoadNames(dir.filePath(u"seed.nam"_s)));
    QVERIFY(!names.LoadNames(dir.filePath(u"folder.nam"_s)));
    QVERIFY(names.nameTable().isEmpty());
    QString text = u"left over"_s;
    QVERIFY(!readNamesText(dir.filePath(u"folder.nam"_s), &text));

    // A link to /dev/zero would fill the memory (and a FIFO block for ever): unreadable.
    const QString zero = dir.filePath(u"zero.nam"_s);
    QVERIFY(QFile::link(u"/dev/zero"_s, zero));
    QVERIFY(!names.LoadNames(zero) && !readNamesText(zero, &text));

    // The editor reads a missing file as empty and does not create it.
    const QString absent = dir.filePath(u"absent.nam"_s);
    QVERIFY(readNamesText(absent, &text));
    QVERIFY(text.isEmpty());
    QVERIFY(!QFileInfo::exists(absent));
}

// --- Saving from the editor ------------------------------------------------------------------

void TestNaming::savingNamesText() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"names.nam"_s);

    // An odd file, as typed: blanks, tabs, empty lines, LF-only, a byte-order mark, no final CR LF.
    const QByteArray odd =
        "\xEF\xBB\xBF  10.0.0.1\tPC1 \r\n\r\n10.0.0.2   K\xC3\xB6nig  x\n\r\n   \r\nsolo";
    QVERIFY(writeBytes(path, odd));
    QString text;
    QVERIFY(readNamesText(path, &text));
    QVERIFY(text.startsWith(QChar(0xFEFF))); // the mark is kept, so it is written back
    QVERIFY(saveNamesText(path, text));
    QCOMPARE(readBytes(path), odd);

    // A shorter text over the longer file leaves no trace of it; nothing is added.
    QVERIFY(saveNamesText(path, u"10.0.0.9 X"_s));
    QCOMPARE(readBytes(path), QByteArray("10.0.0.9 X"));
    QVERIFY(saveNamesText(path, QString()));
    QCOMPARE(QFileInfo(path).size(), 0);

    // An older Latin-1 file is shown with its letters and saved back as UTF-8.
    QVERIFY(writeBytes(path, "10.0.0.1 K\xF6nig\r\n"));
    QVERIFY(readNamesText(path, &text));
    QCOMPARE(text, u"10.0.0.1 K\u00F6nig\r\n"_s);
    QVERIFY(saveNamesText(path, text));
    QCOMPARE(readBytes(path), QByteArray("10.0.0.1 K\xC3\xB6nig\r\n"));

    // What is saved is what is loaded.
    ClientNames names(std::make_unique<FakeHostLookup>());
    QVERIFY(names.LoadNames(path));
    compareTable(names.nameTable(), Mappings{{u"10.0.0.1"_s, u"K\u00F6nig"_s}});
}

void TestNaming::failedSaveKeepsPreviousFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    // The folder of the path is a file: nothing can be written, that file stays as it was.
    const QString notAFolder = dir.filePath(u"plain"_s);
    QVERIFY(writeBytes(notAFolder, "10.0.0.1 KEEP\r\n"));
    QVERIFY(!saveNamesText(notAFolder + u"/names.nam"_s, u"10.0.0.1 NEW"_s));
    QCOMPARE(readBytes(notAFolder), QByteArray("10.0.0.1 KEEP\r\n"));

    // A write that fails half-way (as on a full disk) keeps the previous names file whole.
    const QString path = dir.filePath(u"names.nam"_s);
    const QByteArray previous = "10.0.0.1 KEEP\r\n";
    QVERIFY(writeBytes(path, previous));
    {
        FileSizeLimit limit(64);
        if (!limit.active())
            QSKIP("cannot limit the file size here");
        QVERIFY(!saveNamesText(path, QString(4096, u'n')));
    }
    QCOMPARE(readBytes(path), previous);
    // No half-written file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({u"names.nam"_s, u"plain"_s}));
}

// --- The real resolver, on the loopback address only -----------------------------------------

void TestNaming::realLookupOfLoopback() {
    const QStringList expected = hostsFileNamesOfLoopback();
    if (expected.isEmpty())
        QSKIP("/etc/hosts names nothing for 127.0.0.1; no other address may be looked up");

    ClientNames names;
    names.setResolveClients(true);
    const QString loopback = u"127.0.0.1"_s;
    QCOMPARE(names.Resolve(loopback), loopback); // answered at once, without waiting
    QCOMPARE(names.pendingLookupCount(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(names.pendingLookupCount() == 0, 10000);
    const QString shown = names.Resolve(loopback);
    QStringList cut;
    for (const QString& name : expected)
        cut << name.left(64);
    QVERIFY2(cut.contains(shown), qPrintable(shown + u" not in "_s + expected.join(u' ')));
}

QTEST_GUILESS_MAIN(TestNaming)
#include "test_naming.moc"
