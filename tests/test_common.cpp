#include "common/ErrorReport.h"
#include "common/NumberText.h"
#include "common/modGlobals.h"
#include "support/Fakes.h"

#include <QTest>

class TestCommon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void rightJustifiedText() {
        QCOMPARE(rightJustify(5, 6), QStringLiteral("     5"));
        QCOMPARE(rightJustify(123456, 6), QStringLiteral("123456"));
        QCOMPARE(rightJustify(1234567, 6), QStringLiteral("1234567"));
        QCOMPARE(rightJustify(-12, 6), QStringLiteral("   -12"));
        QCOMPARE(rightJustify(QString(), 6), QStringLiteral("      "));
        // Right-justified numbers of the same width order by value when compared as text.
        QVERIFY(rightJustify(99, 6) < rightJustify(100, 6));
    }

    void currentDate() {
        FakeClock clock(QDateTime(QDate(2000, 7, 15), QTime(23, 59, 59)));
        QCOMPARE(GetCurrentDate(clock), QStringLiteral("07/15/00"));
        clock.current = QDateTime(QDate(2026, 1, 2), QTime(0, 0));
        QCOMPARE(GetCurrentDate(clock), QStringLiteral("01/02/26"));
    }

    void errorTextAndPassing() {
        const RunTimeError overflow(ErrorNumber::Overflow, QStringLiteral("Overflow"));
        const auto passed = [&](PlaceSeparator separator) {
            try {
                passErrors(QStringLiteral("frmMain:IncrementClient"), separator,
                           [&] { throw overflow; });
            } catch (const RunTimeError& error) {
                return error;
            }
            return RunTimeError(0, QString());
        };
        const RunTimeError withBreak = passed(PlaceSeparator::LineBreak);
        QCOMPARE(withBreak.number(), ErrorNumber::Overflow);
        QCOMPARE(withBreak.source(), overflow.source());
        QCOMPARE(withBreak.description(), QStringLiteral("frmMain:IncrementClient\r\nOverflow"));
        QCOMPARE(passed(PlaceSeparator::None).description(),
                 QStringLiteral("frmMain:IncrementClientOverflow"));
        QCOMPARE(errorReportText(withBreak, QStringLiteral("frmMain:Process")),
                 QStringLiteral(
                     "Error: 0x6\r\n\r\nfrmMain:Process\r\nfrmMain:IncrementClient\r\nOverflow"));
        QCOMPARE(errorReportText(RunTimeError(ErrorNumber::BadFileFormat, QStringLiteral("x")),
                                 QStringLiteral("p")),
                 QStringLiteral("Error: 0x141\r\n\r\np\r\nx"));
        QCOMPARE(
            errorReportText(RunTimeError(0xabc, QStringLiteral("x")), QStringLiteral("p")).left(12),
            QStringLiteral("Error: 0xABC"));
    }

    void reportingHandlerAnswers() {
        ScriptedErrorReport script;
        ErrorReporter reporter(script);
        const RunTimeError failure(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));

        int attempts = 0;
        script.answers = {ErrorAnswer::Retry, ErrorAnswer::Retry, ErrorAnswer::Ignore};
        QVERIFY(reporter.runStep(QStringLiteral("frmMain:Form_Load"), [&] {
            ++attempts;
            throw failure;
        }));
        QCOMPARE(attempts, 3);
        QCOMPARE(script.places.size(), 3);
        QCOMPARE(script.places.first(), QStringLiteral("frmMain:Form_Load"));

        // Retry that then succeeds goes on normally.
        attempts = 0;
        script.answers = {ErrorAnswer::Retry};
        QVERIFY(reporter.runStep(QStringLiteral("p"), [&] {
            if (++attempts == 1)
                throw failure;
        }));
        QCOMPARE(attempts, 2);

        script.answers = {ErrorAnswer::Abort};
        QVERIFY(!reporter.runStep(QStringLiteral("p"), [&] { throw failure; }));
        QVERIFY(!reporter.isOpen());
    }

    void noSecondReportOverAnOpenOne() {
        ScriptedErrorReport script;
        ErrorReporter reporter(script);
        const RunTimeError failure(ErrorNumber::Overflow, QStringLiteral("Overflow"));
        bool innerCompleted = true;
        bool openSeen = false;
        // A timer tick that fails while the first box is still open is left without a box.
        bool ticked = false;
        script.whileOpen = [&] {
            if (std::exchange(ticked, true))
                return;
            openSeen = reporter.isOpen();
            innerCompleted =
                reporter.runStep(QStringLiteral("frmMain:Timer1_Timer"), [&] { throw failure; });
        };
        script.answers = {ErrorAnswer::Ignore};
        QVERIFY(reporter.runStep(QStringLiteral("frmMain:Process"), [&] { throw failure; }));
        QVERIFY(openSeen);
        QVERIFY(!innerCompleted);
        QCOMPARE(script.places, QStringList{QStringLiteral("frmMain:Process")});
        QVERIFY(!reporter.isOpen());
    }

    void textToNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("error");
        QTest::addRow("plain") << "12"
                               << "C" << 12 << 0;
        QTest::addRow("blanks") << "  -7 "
                                << "C" << -7 << 0;
        QTest::addRow("half to even down") << "2.5"
                                           << "C" << 2 << 0;
        QTest::addRow("half to even up") << "3.5"
                                         << "C" << 4 << 0;
        QTest::addRow("fraction") << "3.7"
                                  << "C" << 4 << 0;
        QTest::addRow("comma locale") << "1,5"
                                      << "de_DE" << 2 << 0;
        QTest::addRow("word") << "abc"
                              << "C" << 0 << ErrorNumber::TypeMismatch;
        QTest::addRow("empty") << ""
                               << "C" << 0 << ErrorNumber::TypeMismatch;
        QTest::addRow("infinity") << "inf"
                                  << "C" << 0 << ErrorNumber::TypeMismatch;
        QTest::addRow("too big") << "3000000000"
                                 << "C" << 0 << ErrorNumber::Overflow;
        QTest::addRow("largest") << "2147483647"
                                 << "C" << 2147483647 << 0;
    }
    void textToNumber() {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(int, expected);
        QFETCH(int, error);
        try {
            const qint32 value = NumberText::toLong(text, QLocale(locale));
            QCOMPARE(error, 0);
            QCOMPARE(value, expected);
        } catch (const RunTimeError& e) {
            QCOMPARE(e.number(), error);
        }
    }

    void otherTargets() {
        QCOMPARE(NumberText::toInteger(QStringLiteral("32767")), qint16(32767));
        QVERIFY_THROWS_EXCEPTION(RunTimeError, NumberText::toInteger(QStringLiteral("32768")));
        QVERIFY(NumberText::toFlag(QStringLiteral("1")));
        QVERIFY(NumberText::toFlag(QStringLiteral(" 1.0 ")));
        QVERIFY(!NumberText::toFlag(QStringLiteral("2")));
        QVERIFY(!NumberText::toFlag(QStringLiteral("-1")));
        QVERIFY(!NumberText::toFlag(QStringLiteral("0")));
        QVERIFY_THROWS_EXCEPTION(RunTimeError, NumberText::toFlag(QStringLiteral("yes")));

        const QLocale german(QStringLiteral("de_DE"));
        QCOMPARE(NumberText::fromSingle(1.5f, german), QStringLiteral("1,5"));
        QCOMPARE(NumberText::toSingle(QStringLiteral("1,5"), german), 1.5f);
        QCOMPARE(NumberText::fromSingle(14400.f, german), QStringLiteral("14400"));
        QCOMPARE(NumberText::fromSingle(0.1f, QLocale::c()), QStringLiteral("0.1"));
        QCOMPARE(NumberText::fromSingle(1234.567f, QLocale::c()), QStringLiteral("1234.567"));

        QCOMPARE(NumberText::addChecked(2147483646, 1), 2147483647);
        QVERIFY_THROWS_EXCEPTION(RunTimeError, NumberText::addChecked(2147483647, 1));
        QVERIFY_THROWS_EXCEPTION(RunTimeError, NumberText::addChecked(-2147483647 - 1, -1));
    }
};

QTEST_GUILESS_MAIN(TestCommon)
#include "test_common.moc"
