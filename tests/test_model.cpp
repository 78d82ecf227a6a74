#include "common/RunTimeError.h"
#include "stats/ClientTable.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const ClientRecord& record(const Statistics& s, const QString& key) {
    const ClientRecord* r = s.clients.find(key);
    if (!r)
        qFatal("no record %s", qPrintable(key));
    return *r;
}

QStringList keys(const ClientTable& table) {
    QStringList result;
    for (const auto& entry : table)
        result << entry.key;
    return result;
}

/** Checks the model's invariants for both projects. */
void checkInvariants(const Statistics& s) {
    for (const QString& project : {Project::RC5, Project::OGR}) {
        qint64 clientsSum = 0;
        for (const auto& entry : s.clients) {
            const ClientRecord& r = entry.value;
            QCOMPARE(entry.key, r.Name);
            qint64 days = 0;
            for (const auto& day : r.Data) {
                QCOMPARE(day.key, day.value.Date);
                days += day.value.Blocks;
            }
            QCOMPARE(days, qint64(r.Blocks));
            if (r.Name.startsWith(project) && r.Name.mid(3) != AllClients)
                clientsSum += r.Blocks;
        }
        const qint32 total =
            project == Project::RC5 ? s.totals.ClientsTotalRC5 : s.totals.ClientsTotalOGR;
        QCOMPARE(clientsSum, qint64(total));
        if (const ClientRecord* all = s.clients.find(project + AllClients))
            QCOMPARE(all->Blocks, total);
    }
}

} // namespace

class TestModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstCountCreatesAllClientsFirst() {
        Statistics s;
        s.IncrementClient("10.0.0.1"_L1, "12/06/26"_L1, "08:00:00"_L1, 16, "RC5"_L1);
        QCOMPARE(keys(s.clients), (QStringList{u"RC5<All-clients>"_s, u"RC510.0.0.1"_s}));
        const ClientRecord& client = record(s, u"RC510.0.0.1"_s);
        QCOMPARE(client.Blocks, 16);
        QCOMPARE(client.Time, u"12/06/26 08:00:00"_s);
        QCOMPARE(client.Data.size(), 1);
        QCOMPARE(client.Data.find(u"12/06/26"_s)->Blocks, 16);
        QCOMPARE(s.totals.ClientsTotalRC5, 16);
        QCOMPARE(s.totals.ClientsTotalOGR, 0);
        checkInvariants(s);
    }

    void countingRules() {
        Statistics s;
        // Zero blocks still creates the record and the day and moves the time.
        s.IncrementClient("a"_L1, "12/05/26"_L1, "23:00:00"_L1, 0, "OGR"_L1);
        QCOMPARE(record(s, u"OGRa"_s).Blocks, 0);
        QCOMPARE(record(s, u"OGRa"_s).Data.find(u"12/05/26"_s)->Blocks, 0);
        QCOMPARE(record(s, u"OGRa"_s).Time, u"12/05/26 23:00:00"_s);

        // The same client in both projects: independent records. Letter case matters.
        s.IncrementClient("a"_L1, "12/05/26"_L1, "23:10:00"_L1, 3, "RC5"_L1);
        s.IncrementClient("A"_L1, "12/06/26"_L1, "00:10:00"_L1, 1, "OGR"_L1);
        s.IncrementClient("a"_L1, "12/06/26"_L1, "00:20:00"_L1, 1, "OGR"_L1);
        // An earlier day again: found by key, days keep their first-seen order.
        s.IncrementClient("a"_L1, "12/05/26"_L1, "23:59:00"_L1, 2, "OGR"_L1);
        QCOMPARE(keys(s.clients), (QStringList{u"OGR<All-clients>"_s, u"OGRa"_s,
                                               u"RC5<All-clients>"_s, u"RC5a"_s, u"OGRA"_s}));
        const ClientRecord& a = record(s, u"OGRa"_s);
        QCOMPARE(a.Blocks, 3);
        QCOMPARE(a.Data.entryAt(0).key, u"12/05/26"_s);
        QCOMPARE(a.Data.entryAt(0).value.Blocks, 2);
        QCOMPARE(a.Data.entryAt(1).value.Blocks, 1);
        QCOMPARE(a.Time, u"12/05/26 23:59:00"_s); // the last count, not the latest time
        QCOMPARE(record(s, u"RC5a"_s).Blocks, 3);
        QCOMPARE(record(s, u"OGR<All-clients>"_s).Blocks, 4);
        QCOMPARE(s.totals.ClientsTotalOGR, 4);
        QCOMPARE(s.totals.ClientsTotalRC5, 3);
        checkInvariants(s);

        // Counting for the pseudo-client itself touches only its record.
        s.IncrementClient(AllClientsLatin1, "12/06/26"_L1, "01:00:00"_L1, 5, "RC5"_L1);
        QCOMPARE(record(s, u"RC5<All-clients>"_s).Blocks, 8);
        QCOMPARE(s.totals.ClientsTotalRC5, 3);

        // An unknown project code makes records but changes no total.
        s.IncrementClient("x"_L1, "12/06/26"_L1, "01:00:00"_L1, 5, "DES"_L1);
        QVERIFY(s.clients.contains(u"DESx"_s));
        QCOMPARE(s.totals.ClientsTotalRC5, 3);
        QCOMPARE(s.totals.ClientsTotalOGR, 4);
    }

    void overflowIsPassedOnWithoutRollback() {
        Statistics s;
        s.IncrementClient("big"_L1, "12/06/26"_L1, "08:00:00"_L1, 2147483647, "RC5"_L1);
        try {
            s.IncrementClient("big"_L1, "12/06/26"_L1, "08:00:01"_L1, 1, "RC5"_L1);
            QFAIL("no overflow");
        } catch (const RunTimeError& error) {
            QCOMPARE(error.number(), ErrorNumber::Overflow);
            // Passed through the nested call for "<All-clients>" and then the outer one.
            QCOMPARE(error.description(),
                     u"frmMain:IncrementClient\r\nfrmMain:IncrementClient\r\nOverflow"_s);
        }
        // The pseudo-client overflowed first: nothing else changed.
        QCOMPARE(record(s, u"RC5big"_s).Blocks, 2147483647);
        QCOMPARE(record(s, u"RC5big"_s).Time, u"12/06/26 08:00:00"_s);

        // A client that overflows after its pseudo-client and the total were counted keeps those.
        Statistics t;
        t.IncrementClient("c"_L1, "12/06/26"_L1, "08:00:00"_L1, 2147483647, "OGR"_L1);
        t.IncrementClient(AllClientsLatin1, "12/06/26"_L1, "08:00:00"_L1, -2147483647, "OGR"_L1);
        t.totals.ClientsTotalOGR = 0;
        QVERIFY_THROWS_EXCEPTION(
            RunTimeError, t.IncrementClient("c"_L1, "12/06/26"_L1, "09:00:00"_L1, 1, "OGR"_L1));
        QCOMPARE(record(t, u"OGR<All-clients>"_s).Blocks, 1);
        QCOMPARE(t.totals.ClientsTotalOGR, 1);
        QCOMPARE(record(t, u"OGRc"_s).Blocks, 2147483647);
    }

    void recordsMadeElsewhereAreFoundByTheLog() {
        // A table as the stats file rebuilds it: counting from the log must find its records.
        Statistics s;
        ClientRecord loaded;
        loaded.Name = u"RC5a"_s;
        loaded.Blocks = 7;
        loaded.Data.insertOrAssign(u"12/05/26"_s, DayEntry{u"12/05/26"_s, 7});
        s.clients.insertOrAssign(loaded.Name, loaded);
        s.IncrementClient("a"_L1, "12/06/26"_L1, "08:00:00"_L1, 1, "RC5"_L1);
        QCOMPARE(keys(s.clients), (QStringList{u"RC5a"_s, u"RC5<All-clients>"_s}));
        QCOMPARE(record(s, u"RC5a"_s).Blocks, 8);

        // Many clients, each counted twice, in a copy and the original: each keeps its own.
        Statistics many;
        for (int round = 0; round < 2; ++round)
            for (int i = 0; i < 3000; ++i)
                many.IncrementClient(QLatin1StringView(QByteArray::number(i)), "12/06/26"_L1,
                                     "08:00:00"_L1, i, "OGR"_L1);
        QCOMPARE(many.clients.size(), 3001);
        QCOMPARE(record(many, u"OGR2999"_s).Blocks, 2 * 2999);
        Statistics copy = many;
        copy.IncrementClient("17"_L1, "12/06/26"_L1, "09:00:00"_L1, 1, "OGR"_L1);
        QCOMPARE(record(copy, u"OGR17"_s).Blocks, 35);
        QCOMPARE(record(many, u"OGR17"_s).Blocks, 34);
        checkInvariants(many);
    }

    void reset() {
        Statistics s;
        s.IncrementClient("a"_L1, "12/06/26"_L1, "08:00:00"_L1, 1, "RC5"_L1);
        s.totals.UplinkTotalOGR = 4;
        s.reset();
        QVERIFY(s.clients.isEmpty());
        QCOMPARE(s.totals.ClientsTotalRC5, 0);
        QCOMPARE(s.totals.UplinkTotalOGR, 0);
        QCOMPARE(s.totals.LabInBufRC5, u"0"_s);
        QCOMPARE(s.totals.LabOutBufOGR, u"0"_s);
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "test_model.moc"
