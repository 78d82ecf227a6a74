// The list as CSV and as tab-separated rows: hostile client names go out inert, numbers
// without their padding, and a failed export leaves the earlier file as it was.
#include "support/Fakes.h"

#include "report/ListExport.h"

#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

class TestExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cellsGoOutInert_data() {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("tabbed");
        QTest::newRow("plain") << u"10.0.0.1"_s << u"10.0.0.1"_s << u"10.0.0.1"_s;
        QTest::newRow("padded number") << u"    42"_s << u"42"_s << u"42"_s;
        QTest::newRow("no count today") << u"      "_s << QString() << QString();
        QTest::newRow("quotes") << u"say\"hi\""_s << u"\"say\"\"hi\"\"\""_s << u"say\"hi\""_s;
        QTest::newRow("comma") << u"a,b"_s << u"\"a,b\""_s << u"a,b"_s;
        QTest::newRow("line feed") << u"a\nb"_s << u"\"a\nb\""_s << u"a b"_s;
        QTest::newRow("carriage return") << u"a\rb"_s << u"\"a\rb\""_s << u"a b"_s;
        QTest::newRow("tab") << u"a\tb"_s << u"a\tb"_s << u"a b"_s;
        QTest::newRow("formula") << u"=1+2"_s << u"'=1+2"_s << u"'=1+2"_s;
        QTest::newRow("plus") << u"+1"_s << u"'+1"_s << u"'+1"_s;
        QTest::newRow("minus") << u"-2+3"_s << u"'-2+3"_s << u"'-2+3"_s;
        QTest::newRow("at") << u"@SUM(A1)"_s << u"'@SUM(A1)"_s << u"'@SUM(A1)"_s;
        QTest::newRow("formula, comma") << u"=a,b"_s << u"\"'=a,b\""_s << u"'=a,b"_s;
        QTest::newRow("leading tab") << u"\t=1"_s << u"'\t=1"_s << u"' =1"_s;
        QTest::newRow("markup") << u"<b>x</b>"_s << u"<b>x</b>"_s << u"<b>x</b>"_s;
        QTest::newRow("non-ASCII") << u"Jürgen"_s << u"Jürgen"_s << u"Jürgen"_s;
    }
    void cellsGoOutInert() {
        QFETCH(QString, cell);
        QFETCH(QString, csv);
        QFETCH(QString, tabbed);
        const HtmlReport::ReportTable table{{u"Client"_s, u"Total blocks"_s},
                                            {{cell, u"     7"_s}}};
        const QByteArray bytes =
            ListExport::csvBytes(table, u"OGR"_s, QDateTime(QDate(2026, 12, 6), QTime(10, 0, 5)));
        QCOMPARE(QString::fromUtf8(bytes), u"Client,Total blocks,Project,Exported\r\n"_s + csv +
                                               u",7,OGR,2026-12-06 10:00:05\r\n"_s);
        QCOMPARE(ListExport::tabSeparatedRows({{cell, u"     7"_s}, {u"b"_s, u"12"_s}}),
                 tabbed + u"\t7\nb\t12\n"_s);
    }

    void failedExportKeepsEarlierFile_data() {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("folder is a file") << false;
        QTest::newRow("full disk") << true;
    }
    void failedExportKeepsEarlierFile() {
        QFETCH(bool, fullDisk);
        QTemporaryDir dir;
        const QString earlier = dir.filePath(u"list.csv"_s);
        QVERIFY(writeFile(earlier, "earlier\r\n"));
        const QString path = fullDisk ? earlier : earlier + u"/list.csv"_s;
        const QByteArray csv(1 << 16, 'x');
        QString reason;
        bool written = true;
        {
            std::optional<ScopedFileSizeLimit> limit;
            if (fullDisk)
                QVERIFY(limit.emplace(4096).isActive());
            written = ListExport::writeCsvFile(path, csv, &reason);
        }
        QVERIFY(!written);
        QVERIFY(!reason.isEmpty());
        QCOMPARE(readFile(earlier), QByteArray("earlier\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestExport)
#include "test_export.moc"
