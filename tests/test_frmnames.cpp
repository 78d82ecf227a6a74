// The names dialog: its look, the whole file in the box byte for byte, OK, Cancel and Escape,
// and a names file that cannot be read.

#include "naming/ClientNames.h"
#include "support/Fakes.h"
#include "support/Ink.h"
#include "ui/Twips.h"
#include "ui/frmNames.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

using namespace Qt::StringLiterals;

namespace {

QRect twips(double left, double top, double width, double height) {
    return Twips::toPixels(QRectF(left, top, width, height));
}

} // namespace

class TestFrmNames : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void looksAsDesigned();
    void isAModelessOwnedDialogCentredOnTheScreen();
    void roundTripsAFileByteForByte_data();
    void roundTripsAFileByteForByte();
    void latin1FileIsShownAndSavedAsUtf8();
    void missingFileOpensEmptyAndOkCreatesIt();
    void shorterTextLeavesNoTraceOfLongerFile();
    void okWritesThenReloadsAndCloses();
    void mappingsTakeEffectAfterOk();
    void cancelAndEscapeWriteNothing_data();
    void cancelAndEscapeWriteNothing();
    void enterMakesANewLine();
    void unreadableFileIsNotOverwritten();
    void failedWriteKeepsThePreviousFile();

private:
    /** A dialog for m_path owned by m_owner, shown; reload counts into m_reloads. */
    frmNames* openDialog();

    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<QMainWindow> m_owner;
    QPointer<frmNames> m_dialog;
    int m_reloads = 0;
};

void TestFrmNames::init() {
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(u"quillmere.nam"_s);
    m_owner = std::make_unique<QMainWindow>();
    m_owner->setGeometry(20, 20, 400, 300);
    m_owner->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_owner.get()));
    m_reloads = 0;
}

void TestFrmNames::cleanup() {
    delete m_dialog.data();
    m_owner.reset();
    QDir dir(m_dir.path());
    for (const QString& entry :
         dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        const QString path = dir.filePath(entry);
        if (QFileInfo(path).isDir())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    }
}

frmNames* TestFrmNames::openDialog() {
    m_dialog = new frmNames(
        m_path, [this] { ++m_reloads; }, m_owner.get());
    m_dialog->show();
    if (!QTest::qWaitForWindowExposed(m_dialog))
        return nullptr;
    return m_dialog;
}

void TestFrmNames::looksAsDesigned() {
    QVERIFY(writeFile(m_path, "10.0.0.1 ALPHA\r\n"));
    frmNames* dialog = openDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), u"Names"_s);
    QCOMPARE(dialog->size(), QSize(Twips::toPixelsX(5544), Twips::toPixelsY(3720)));
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
    QCOMPARE(dialog->font().family(), u"Tahoma"_s);
    QCOMPARE(dialog->font().pointSizeF(), 7.8);

    QCOMPARE(dialog->labInfo()->objectName(), u"labInfo"_s);
    QCOMPARE(dialog->labInfo()->text(),
             u"Enter computer names mappings\ne.g.\n192.168.0.10 OFFICEPC"_s);
    QCOMPARE(dialog->labInfo()->textFormat(), Qt::PlainText);
    QCOMPARE(dialog->labInfo()->geometry(), twips(168, 168, 3960, 684));
    // Its three lines apart: Wine's Tahoma declares them closer than its glyphs reach.
    QCOMPARE(inkBands(dialog->labInfo()), 3);
    QCOMPARE(dialog->cmdOK()->text(), u"OK"_s);
    QCOMPARE(dialog->cmdOK()->geometry(), twips(4284, 84, 1104, 348));
    QCOMPARE(dialog->cmdCancel()->text(), u"Cancel"_s);
    QCOMPARE(dialog->cmdCancel()->geometry(), twips(4284, 504, 1104, 348));
    QCOMPARE(dialog->txtNames()->geometry(), twips(168, 1092, 5220, 2448));
    QCOMPARE(dialog->txtNames()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(!dialog->labReadError()->isVisible());

    // Neither button is the default: Enter belongs to the box.
    QVERIFY(!dialog->cmdOK()->isDefault());
    QVERIFY(!dialog->cmdOK()->autoDefault());
    QVERIFY(!dialog->cmdCancel()->isDefault());
    QVERIFY(!dialog->cmdCancel()->autoDefault());

    // Tab order: OK, Cancel, the box, and round again.
    QCOMPARE(QApplication::focusWidget(), dialog->cmdOK());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog->cmdCancel());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog->txtNames());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog->cmdOK());
}

void TestFrmNames::isAModelessOwnedDialogCentredOnTheScreen() {
    frmNames* dialog = openDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->parentWidget(), m_owner.get());
    QCOMPARE(dialog->windowType(), Qt::Dialog);
    QVERIFY(!dialog->isModal());
    QCOMPARE(dialog->windowModality(), Qt::NonModal);
    const Qt::WindowFlags flags = dialog->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));

    // On the middle of the owner's screen, not over the owner, which lies elsewhere.
    const QPoint centre = m_owner->screen()->availableGeometry().center();
    QVERIFY((m_owner->frameGeometry().center() - centre).manhattanLength() > 50);
    const QPoint offset = dialog->frameGeometry().center() - centre; // within a window frame
    QVERIFY2(qAbs(offset.x()) <= 8 && qAbs(offset.y()) <= 8,
             qPrintable(u"%1,%2"_s.arg(offset.x()).arg(offset.y())));

    // The owner stays usable while the dialog is open.
    QVERIFY(m_owner->isEnabled());
    QVERIFY(!QApplication::activeModalWidget());
}

void TestFrmNames::roundTripsAFileByteForByte_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addRow("empty file") << QByteArray();
    QTest::addRow("plain lines, no final CR LF") << QByteArray("10.0.0.1 ALPHA\r\n10.0.0.2 BETA");
    QTest::addRow("odd file") << QByteArray(
        "  10.0.0.1    alpha   third word  \r\n"
        "\r\n"
        "note\r\n"
        "   \r\n"
        "10.0.0.2\tTABBED\r\n"
        "10.0.0.3 lone\nline feed\r\n"
        "10.0.0.4 lone\rcarriage return\r\n"
        "\r\r\n\n\r\n"
        "10.0.0.5 Zo\xC3\xAB \xC2\xA0nbsp \xE2\x80\xA8sep \xF0\x9F\x98\x80\r\n"
        "\r\n\r\n");
    QTest::addRow("byte-order mark kept") << QByteArray("\xEF\xBB\xBF"
                                                        "10.0.0.1 ALPHA\r\n");
    QTest::addRow("only line ends") << QByteArray("\r\n\r\n\r\n");
}

void TestFrmNames::roundTripsAFileByteForByte() {
    QFETCH(QByteArray, bytes);
    QVERIFY(writeFile(m_path, bytes));
    frmNames* dialog = openDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->canSave());
    QCOMPARE(dialog->namesText().toUtf8(), bytes); // the box holds the file exactly
    dialog->cmdOK_Click();
    QCOMPARE(readFile(m_path), bytes);
    QCOMPARE(m_reloads, 1);
}

void TestFrmNames::latin1FileIsShownAndSavedAsUtf8() {
    QVERIFY(writeFile(m_path, "10.0.0.1 Zo\xEB\r\n"));
    frmNames* dialog = openDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->txtNames()->document()->firstBlock().text(), u"10.0.0.1 Zo\u00EB"_s);
    dialog->cmdOK_Click();
    QCOMPARE(readFile(m_path), QByteArray("10.0.0.1 Zo\xC3\xAB\r\n"));
}

void TestFrmNames::missingFileOpensEmptyAndOkCreatesIt() {
    frmNames* dialog = openDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->canSave());
    QCOMPARE(dialog->namesText(), QString());
    QVERIFY(!QFile::exists(m_path)); // opening the dialog does not create the file
    dialog->setNamesText(u"10.0.0.9 NEW"_s);
    dialog->cmdOK_Click();
    QCOMPARE(readFile(m_path), QByteArray("10.0.0.9 NEW"));
}

void TestFrmNames::shorterTextLeavesNoTraceOfLongerFile() {
    QByteArray longer;
    for (int i = 0; i < 200; ++i)
        longer += "10.0.0." + QByteArray::number(i) + " HOST" + QByteArray::number(i) + "\r\n";
    QVERIFY(writeFile(m_path, longer));
    frmNames* dialog = openDialog();
    QVERIFY(dialog);
    dialog->txtNames()->selectAll();
    QTest::keyClicks(dialog->txtNames(), u"1.2.3.4 X"_s);
    QCOMPARE(dialog->namesText(), u"1.2.3.4 X"_s);
    QTest::mouseClick(dialog->cmdOK(), Qt::LeftButton);
    QCOMPARE(readFile(m_path), QByteArray("1.2.3.4 X"));
}

void TestFrmNames::okWritesThenReloadsAndCloses() {
    QVERIFY(writeFile(m_path, "old"));
    QByteArray seenByReload;
    // The reload sees the new file: it runs after the write.
    m_dialog = new frmNames(
        m_path,
        [&] {
            seenByReload = readFile(m_path);
            ++m_reloads;
        },
        m_owner.get());
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    m_dialog->setNamesText(u"new\r\ntext"_s);
    QTest::mouseClick(m_dialog->cmdOK(), Qt::LeftButton);
    QCOMPARE(m_reloads, 1);
    QCOMPARE(seenByReload, QByteArray("new\r\ntext"));
    QVERIFY(!m_dialog || !m_dialog->isVisible());
    QTRY_VERIFY(m_dialog.isNull()); // the dialog deletes itself once closed
}

void TestFrmNames::mappingsTakeEffectAfterOk() {
    QVERIFY(writeFile(m_path, "10.0.0.1 ALPHA\r\n"));
    ClientNames names(std::make_unique<FakeHostLookup>());
    names.setResolveClients(true);
    QVERIFY(names.LoadNames(m_path));
    QCOMPARE(names.Resolve(u"10.0.0.1"_s), u"ALPHA"_s);

    m_dialog = new frmNames(
        m_path, [&] { names.LoadNames(m_path); }, m_owner.get());
    m_dialog->show();
    m_dialog->setNamesText(u"10.0.0.1 OMEGA\r\n10.0.0.2 BETA\r\n"_s);
    QTest::mouseClick(m_dialog->cmdOK(), Qt::LeftButton);
    QCOMPARE(names.Resolve(u"10.0.0.1"_s), u"OMEGA"_s);
    QCOMPARE(names.Resolve(u"10.0.0.2"_s), u"BETA"_s);
}

void TestFrmNames::cancelAndEscapeWriteNothing_data() {
    QTest::addColumn<int>("how"); // 0 Cancel clicked, 1 Escape in the box, 2 the close box
    QTest::addRow("Cancel") << 0;
    QTest::addRow("Escape") << 1;
    QTest::addRow("close box") << 2;
}

void TestFrmNames::cancelAndEscapeWriteNothing() {
    QFETCH(int, how);
    QVERIFY(writeFile(m_path, "10.0.0.1 ALPHA\r\n"));
    frmNames* dialog = openDialog();
    QVERIFY(dialog);
    dialog->txtNames()->setFocus();
    QTest::keyClicks(dialog->txtNames(), u"changed"_s);
    QVERIFY(dialog->namesText() != u"10.0.0.1 ALPHA\r\n"_s);
    if (how == 0)
        QTest::mouseClick(dialog->cmdCancel(), Qt::LeftButton);
    else if (how == 1)
        QTest::keyClick(dialog->txtNames(), Qt::Key_Escape);
    else
        dialog->close();
    QTRY_VERIFY(m_dialog.isNull());
    QCOMPARE(readFile(m_path), QByteArray("10.0.0.1 ALPHA\r\n"));
    QCOMPARE(m_reloads, 0);
}

void TestFrmNames::enterMakesANewLine() {
    QVERIFY(writeFile(m_path, ""));
    frmNames* dialog = openDialog();
    QVERIFY(dialog);
    dialog->activateWindow();
    dialog->txtNames()->setFocus();
    QTest::keyClicks(dialog->txtNames(), u"10.0.0.1 A"_s);
    QTest::keyClick(dialog->txtNames(), Qt::Key_Return);
    QTest::keyClicks(dialog->txtNames(), u"10.0.0.2 B"_s);
    QTest::keyClick(dialog->txtNames(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(dialog->namesText(), u"10.0.0.1 A\r\n10.0.0.2 B\r\n"_s);
    QVERIFY(dialog->isVisible());
    QCOMPARE(readFile(m_path), QByteArray()); // nothing written until OK
    QCOMPARE(m_reloads, 0);
}

void TestFrmNames::unreadableFileIsNotOverwritten() {
    // A directory where the names file should be: it exists but cannot be read, even by root.
    QVERIFY(QDir().mkpath(m_path));
    QVERIFY(writeFile(m_path + u"/inside"_s, "keep"));
    frmNames* dialog = openDialog();
    QVERIFY(dialog);
    QVERIFY(!dialog->canSave());
    QVERIFY(dialog->labReadError()->isVisible());
    QVERIFY(dialog->labReadError()->text().contains(u"cannot be read"_s));
    QCOMPARE(dialog->labReadError()->textFormat(), Qt::PlainText);
    QVERIFY(!dialog->cmdOK()->isEnabled());
    QVERIFY(dialog->txtNames()->isReadOnly());
    QVERIFY(dialog->cmdCancel()->isEnabled());
    // labInfo keeps its three lines.
    QCOMPARE(dialog->labInfo()->text().count(u'\n'), 2);

    // Even called directly, OK writes nothing, reloads nothing and keeps the dialog open.
    dialog->setNamesText(u"10.0.0.1 X"_s);
    dialog->cmdOK_Click();
    QVERIFY(QFileInfo(m_path).isDir());
    QCOMPARE(readFile(m_path + u"/inside"_s), QByteArray("keep"));
    QCOMPARE(m_reloads, 0);
    QVERIFY(dialog->isVisible());

    QTest::mouseClick(dialog->cmdCancel(), Qt::LeftButton);
    QTRY_VERIFY(m_dialog.isNull());
    QVERIFY(QFileInfo(m_path).isDir());
}

void TestFrmNames::failedWriteKeepsThePreviousFile() {
    QVERIFY(writeFile(m_path, "10.0.0.1 ALPHA"));
    frmNames* dialog = openDialog();
    QVERIFY(dialog);
    QString text;
    for (int i = 0; i < 500; ++i)
        text += u"10.0.%1.%2 HOST\r\n"_s.arg(i / 256).arg(i % 256);
    dialog->setNamesText(text);

    // Nothing is reported: the dialog closes and the reload runs as for any OK, and the
    // previous names are still there.
    {
        const ScopedFileSizeLimit full(1000); // the disk fills part-way through the new file
        QVERIFY(full.isActive());
        dialog->cmdOK_Click();
    }
    QCOMPARE(readFile(m_path), QByteArray("10.0.0.1 ALPHA"));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{u"quillmere.nam"_s});
    QCOMPARE(m_reloads, 1);
    QTRY_VERIFY(m_dialog.isNull());
}

QTEST_MAIN(TestFrmNames)
#include "test_frmnames.moc"
