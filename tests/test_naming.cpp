// Client names: address resolution over a scripted lookup (and once over the real resolver, on
// 127.0.0.1 only), the names file as the program reads it, and saving it from the editor.
#include "support/Fakes.h"

#include "naming/ClientNames.h"
#include "naming/NameTable.h"
#include "naming/NamesFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

/** Names over a scripted lookup, resolving on. */
struct Names {
    FakeHostLookup* lookup = new FakeHostLookup;
    ClientNames names{std::unique_ptr<IHostLookup>(lookup)};
    Names() { names.setResolveClients(true); }
};

QString mappings(const NameTable& table, const QStringList& addresses) {
    QStringList found;
    for (const QString& address : addresses)
        if (table.contains(address))
            found << address + u'=' + table.value(address);
    return found.join(u' ') + u" (%1)"_s.arg(table.size());
}

} // namespace

class TestNaming : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        emptyFolder(m_dir.path());
        m_path = m_dir.filePath(u"names.nam"_s);
    }

    void resolveRule() {
        // A client name (with "off": the option off) => the address looked up, "-" for none
        table(uR"(
10.1.2.3 => 10.1.2.3
10.1.2.3 off => -
pc.lan.net => -
pc.lan.example.net => 0.0.0.0
<All-clients> => -
10.0.0.300 => 10.0.0.0
1.2.4.256 => 1.2.4.0
010.002.0003.0255 => 10.2.3.255
+1.-2.99999999999999999999.4 => 0.0.0.4
1..3.4.5 => 1.0.3.4)"_s,
              [](const QStringList& w) {
                  Names n;
                  n.names.setResolveClients(w.size() == 1);
                  if (n.names.Resolve(w[0]) != w[0] || n.names.Resolve(w[0]) != w[0] ||
                      n.lookup->requests.size() > 1)
                      return u"not at once, or looked up twice"_s;
                  if (n.lookup->requests.isEmpty())
                      return u"-"_s;
                  n.lookup->answer(0, u"host.example"_s);
                  const bool found =
                      n.names.Resolve(w[0].toUpper()) == u"host.example"_s; // any letter case
                  return found && n.names.pendingLookupCount() == 0 ? n.lookup->requests[0].first
                                                                    : u"no name"_s;
              });
    }

    void answers() {
        // What the lookup answers => what shows; answers come in any order.
        const QString h64 = QString(60, u'h') + u".net"_s;
        table(u"%1 => %1\n%1x => %1\npc.lan%2rest => pc.lan\n => 10.0.0.7"_s.arg(h64, QChar(0)),
              [](const QStringList& w) {
                  Names n;
                  n.names.Resolve(u"10.0.0.7"_s);
                  n.names.Resolve(u"10.0.0.8"_s);
                  n.lookup->answer(1, u"other"_s);
                  n.lookup->answer(0, w[0]);
                  return n.names.Resolve(u"10.0.0.8"_s) == u"other"_s
                             ? n.names.Resolve(u"10.0.0.7"_s)
                             : u"mixed up"_s;
              });
        Names n; // a lookup that does not start leaves the address, and is not retried
        n.lookup->failToStart = true;
        QCOMPARE(n.names.Resolve(u"10.0.0.9"_s), u"10.0.0.9"_s);
        n.lookup->failToStart = false;
        QCOMPARE(n.names.Resolve(u"10.0.0.9"_s), u"10.0.0.9"_s);
        QVERIFY(n.lookup->requests.isEmpty());
    }

    void mappedNamesWin() {
        Names n;
        n.names.Resolve(u"10.0.0.1"_s);
        n.names.Resolve(u"10.0.0.2"_s);
        QVERIFY(writeFile(m_path, "10.0.0.1 KITCHEN\r\nPrinter.Lan.X.Y LASER"));
        QVERIFY(n.names.LoadNames(m_path)); // while both lookups are under way
        n.lookup->answer(0, u"dns-1"_s);
        n.lookup->answer(1, u"dns-2"_s);
        QCOMPARE(n.names.Resolve(u"10.0.0.1"_s), u"KITCHEN"_s);
        QCOMPARE(n.names.Resolve(u"printer.lan.x.y"_s), u"LASER"_s);
        QCOMPARE(n.names.Resolve(u"10.0.0.2"_s), u"dns-2"_s);
        QCOMPARE(n.lookup->requests.size(), 2); // mapped names are never looked up
        QVERIFY(n.names.LoadNames(m_path));     // earlier results are dropped with the old table
        QCOMPARE(n.names.Resolve(u"10.0.0.2"_s), u"10.0.0.2"_s);
        QCOMPARE(n.lookup->requests.size(), 3);
        n.names.setResolveClients(false); // the option off bypasses the mapping too
        QCOMPARE(n.names.Resolve(u"10.0.0.1"_s), u"10.0.0.1"_s);
    }

    void parsingNames() {
        // Names-file text, "/" for CR LF, "~" a lone LF, "^" a lone CR, "`" a tab => the mappings
        // of 10.0.0.1 to 10.0.0.5, the size of the table, and whether a repeated address cut it.
        table(uR"(
   10.0.0.1     PC1   extra words  / => 10.0.0.1=PC1 (1)
note//     /10.0.0.1 PC1/solo  /10.0.0.2 PC2 => 10.0.0.1=PC1 10.0.0.2=PC2 (2)
10.0.0.1`PC1/10.0.0.2 PC`2 x => 10.0.0.2=PC`2 (1)
10.0.0.1 A~10.0.0.2 B^10.0.0.3 C => 10.0.0.1=A 10.0.0.2=B^10.0.0.3 (2)
10.0.0.1 PC/10.0.0.2 PC => 10.0.0.1=PC 10.0.0.2=PC (2)
10.0.0.1 A/10.0.0.2 B/10.0.0.3 C/10.0.0.4 D/10.0.0.2 E/10.0.0.5 F => 10.0.0.1=A 10.0.0.2=B 10.0.0.3=C 10.0.0.4=D (4) cut
Pc.Lan.X.Y A/pc.lan.x.y B/10.0.0.3 C =>  (1) cut)"_s,
              [](const QStringList& w) {
                  QString text = w.join(u' ');
                  text.replace(u'/', u"\r\n"_s)
                      .replace(u'~', u'\n')
                      .replace(u'^', u'\r')
                      .replace(u'`', u'\t');
                  NameTable table;
                  const bool complete = parseNames(text, table);
                  QString found = mappings(table, {u"10.0.0.1"_s, u"10.0.0.2"_s, u"10.0.0.3"_s,
                                                   u"10.0.0.4"_s, u"10.0.0.5"_s});
                  found.replace(u'\r', u'^').replace(u'\t', u'`');
                  return found + (complete ? u""_s : u" cut"_s);
              });
    }

    void namesFile_data() {
        QTest::addColumn<QByteArray>("bytes"); // in the file, or <folder>, <zero>, <no folder>
        QTest::addColumn<QString>("name");     // what 10.0.0.1 maps to
        QTest::addRow("UTF-8") << "10.0.0.1 K\xC3\xB6nig\r\n"_ba << u"K\u00F6nig"_s;
        QTest::addRow("Latin-1") << "10.0.0.1 K\xF6nig\r\n"_ba << u"K\u00F6nig"_s;
        QTest::addRow("byte-order mark") << "\xEF\xBB\xBF"
                                            "10.0.0.1 PC1"_ba
                                         << u"PC1"_s;
        QTest::addRow("zero byte") << "10.0.0.1 A\0B\r\n"_ba << u"A"_s + QChar(0) + u"B"_s;
        QTest::addRow("a folder") << "<folder>"_ba << u"unreadable"_s;
        QTest::addRow("endless") << "<zero>"_ba << u"unreadable"_s;
        QTest::addRow("in a missing folder") << "<no folder>"_ba << u"unreadable"_s;
    }
    void namesFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        const QString path = bytes == "<no folder>" ? m_dir.filePath(u"no/names.nam"_s) : m_path;
        if (bytes == "<folder>")
            QVERIFY(QDir().mkdir(m_path));
        else if (bytes == "<zero>") // would fill memory
            QVERIFY(QFile::link(u"/dev/zero"_s, m_path));
        else if (!bytes.startsWith('<')) // read, never written
            QVERIFY(writeFile(m_path, bytes) &&
                    QFile::setPermissions(m_path, QFileDevice::ReadOwner));
        const QString old = m_dir.filePath(u"old.nam"_s);
        Names n;
        QVERIFY(writeFile(old, "10.0.0.1 OLD") && n.names.LoadNames(old));
        QString text;
        const bool loaded = n.names.LoadNames(path);
        if (!loaded) // the editor does not overwrite it either; nothing is made
            QVERIFY(n.names.nameTable().isEmpty() &&
                    !readNamesText(path, &text) == (path == m_path) &&
                    !QFileInfo::exists(m_dir.filePath(u"no"_s)));
        QCOMPARE(loaded ? n.names.nameTable().value(u"10.0.0.1"_s) : u"unreadable"_s, name);
        if (loaded)
            QCOMPARE(readFile(m_path), bytes);
    }

    void missingNamesFiles() {
        Names n; // the first start makes it, empty
        QVERIFY(n.names.LoadNames(m_path) && readFile(m_path).isEmpty());
        QString text = u"x"_s; // the editor reads a missing file as empty and makes none
        QVERIFY(readNamesText(m_dir.filePath(u"absent.nam"_s), &text) && text.isEmpty());
        QVERIFY(!QFileInfo::exists(m_dir.filePath(u"absent.nam"_s)));
    }

    void savingTheEditorsText() {
        const QByteArray odd =
            "\xEF\xBB\xBF  10.0.0.1\tPC1 \r\n\r\n10.0.0.2   K\xC3\xB6nig  x\n\r\n   \r\nsolo";
        QVERIFY(writeFile(m_path, odd));
        QString text;
        QVERIFY(readNamesText(m_path, &text) && saveNamesText(m_path, text));
        QCOMPARE(readFile(m_path), odd);                 // byte for byte, the mark included
        QVERIFY(saveNamesText(m_path, u"10.0.0.9 X"_s)); // shorter: no trace of the longer
        QCOMPARE(readFile(m_path), QByteArray("10.0.0.9 X"));
        QVERIFY(writeFile(m_path, "10.0.0.1 K\xF6nig\r\n")); // Latin-1, saved back as UTF-8
        QVERIFY(readNamesText(m_path, &text) && saveNamesText(m_path, text));
        QCOMPARE(readFile(m_path), QByteArray("10.0.0.1 K\xC3\xB6nig\r\n"));

        QVERIFY(!saveNamesText(m_path + u"/names.nam"_s, u"x"_s)); // its folder is a file
        bool saved = true;
        {
            const ScopedFileSizeLimit full(64); // the disk fills half-way
            QVERIFY(full.isActive());
            saved = saveNamesText(m_path, QString(4096, u'n'));
        }
        QVERIFY(!saved);
        QCOMPARE(readFile(m_path), QByteArray("10.0.0.1 K\xC3\xB6nig\r\n"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"names.nam"_s});
    }

    void realLookupOfLoopback() {
        // Only 127.0.0.1, which /etc/hosts answers: no name lookup leaves the machine.
        QStringList expected;
        for (const QByteArray& line : readFile(u"/etc/hosts"_s).split('\n'))
            if (const QStringList words =
                    QString::fromUtf8(line.split('#').first()).simplified().split(u' ');
                words.first() == u"127.0.0.1"_s)
                for (const QString& word : words.mid(1))
                    expected << word.left(64);
        if (expected.isEmpty())
            QSKIP("/etc/hosts names nothing for 127.0.0.1");
        ClientNames names;
        names.setResolveClients(true);
        QCOMPARE(names.Resolve(u"127.0.0.1"_s), u"127.0.0.1"_s); // answered at once
        QTRY_VERIFY_WITH_TIMEOUT(expected.contains(names.Resolve(u"127.0.0.1"_s)), 10000);
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestNaming)
#include "test_naming.moc"
