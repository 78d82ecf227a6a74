#pragma once
// Fakes of the boxes and the tray, the running program over fakes, what a window shows as text.

#include "Fakes.h"

#include "ui/Analyzer.h"
#include "ui/TrayIcon.h"
#include "ui/Twips.h"
#include "ui/UserDialogs.h"
#include "ui/frmMain.h"

#include <QTest>
#include <QtWidgets>

class FakeDialogs : public IUserDialogs {
public:
    void warn(QWidget*, const QString& text) override { asked(warnings, text); }
    bool askYesNo(QWidget*, const QString& text, bool questionIcon) override {
        asked(questions, text + (questionIcon ? QStringLiteral(" [?]") : QString()));
        return !answers.isEmpty() && answers.takeFirst();
    }
    std::optional<QString> chooseLogFile(QWidget*, const QString& preset) override {
        presets << preset;
        return chosenFiles.isEmpty() ? std::nullopt : chosenFiles.takeFirst();
    }
    std::optional<QString> chooseExportFile(QWidget*, const QString&) override {
        return exportFiles.isEmpty() ? std::nullopt : exportFiles.takeFirst();
    }
    void inform(QWidget*, const QString& text) override { notices << text; }
    bool openWithDesktop(const QString& path) override { return opened << path, true; }
    void asked(QStringList& list, const QString& text) {
        list << text, whileAsked ? whileAsked() : void();
    }
    QStringList warnings, questions;           ///< " [?]" after a question with its icon
    QList<bool> answers;                       ///< Yes (true) or No, in order; then No
    QList<std::optional<QString>> chosenFiles; ///< then cancel
    QStringList presets, notices, opened;
    QList<std::optional<QString>> exportFiles; ///< then cancel
    std::function<void()> whileAsked;
};

class FakeTray : public TrayIcon {
public:
    bool isSystemTrayAvailable() const override { return available; }
    bool reportsDoubleClick() const override { return doubleClicks; }
    void setIcon(const QIcon& value) override { icon = value; }
    void setToolTip(const QString& value) override { toolTip = value; }
    void setContextMenu(QMenu* value) override { menu = value; }
    void show() override { shown = true; }
    void hide() override { shown = false; }
    bool supportsMessages() const override { return true; }
    void showMessage(const QString&, const QString& message) override { messages << message; }
    void click(QSystemTrayIcon::ActivationReason reason) { Q_EMIT activated(reason); }
    bool available = true, doubleClicks = true, shown = false;
    QIcon icon;
    QString toolTip;
    QMenu* menu = nullptr;
    QStringList messages;
};

inline QSettings settingsStore() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope,
                     QStringLiteral("Quillmere Log Analyzer"));
}
inline void clearSettings() {
    settingsStore().clear();
}

inline bool activate(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

inline QString look(const QWidget* w) {
    return w->windowTitle() + u'|' + w->font().family() + u' ' +
           QString::number(w->font().pointSizeF()) +
           (w->windowIcon().isNull() ? u""_qs : u"|icon"_qs) +
           (w->isModal() ? u"|modal"_qs : u""_qs) +
           (w->minimumSize() == w->maximumSize() ? u"|fixed"_qs : u""_qs);
}

inline bool designed(const QWidget* w, const QWidget* root) { // named, not one of Qt's parts
    for (; w && w != root; w = w->parentWidget())
        if (w->objectName().isEmpty() || w->objectName().startsWith(u"qt_"))
            return false;
    return w == root;
}

/** The program's controls below root in creation order, "name:text" (caption or title). */
inline QString captions(const QWidget* root) {
    QStringList items;
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        QString text;
        if (auto* label = qobject_cast<const QLabel*>(w))
            text = label->text();
        else if (auto* button = qobject_cast<const QAbstractButton*>(w))
            text = button->text();
        else if (auto* frame = qobject_cast<const QGroupBox*>(w))
            text = frame->title();
        else if (auto* tabs = qobject_cast<const QTabWidget*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                text += u'[' + tabs->tabText(i) + u']';
        if (designed(w, root))
            items << w->objectName() + (text.isEmpty() ? QString() : u':' + text);
    }
    return items.join(u' ');
}

/** Shown controls outside their parent or overlapping a sibling by over a pixel, but "a+b". */
inline QString layoutFaults(const QWidget* root, const QStringList& allowed = {}) {
    QStringList faults;
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        if (!designed(w, root) || w->isWindow() || !w->isVisibleTo(root))
            continue;
        if (!w->parentWidget()->rect().contains(w->geometry()))
            faults << w->objectName() + QStringLiteral(" outside");
        for (const QWidget* v :
             w->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QRect overlap = v->geometry() & w->geometry();
            const QString pair = std::min(v->objectName(), w->objectName()) + u'+' +
                                 std::max(v->objectName(), w->objectName()); // names in order
            if (v < w && designed(v, root) && v->isVisibleTo(root) && overlap.width() > 1 &&
                overlap.height() > 1 && !allowed.contains(pair))
                faults << pair;
        }
    }
    return faults.join(u' ');
}

/** The list's columns: header, "<" left or ">" right aligned, width in twips to the nearest 10. */
inline QString columns(const QTreeView* list) {
    QStringList items;
    const QAbstractItemModel* m = list->model();
    for (int c = 0; c < m->columnCount(); ++c) {
        const int align = m->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt();
        items << m->headerData(c, Qt::Horizontal).toString() +
                     (align & Qt::AlignRight ? u'>' : u'<') +
                     QString::number(qRound(Twips::fromPixelsX(list->columnWidth(c)) / 10) * 10);
    }
    return items.join(u' ');
}

inline bool shownBold(const QTreeView& list, int row, int c) {
    return list.model()->index(row, c).data(Qt::FontRole).value<QFont>().bold();
}

/** The texts of column c, top to bottom as shown; with markBold, "*" after a bold cell. */
inline QStringList columnTexts(const QTreeView& list, int c, bool markBold = false) {
    QStringList texts;
    for (int row = 0; row < list.model()->rowCount(); ++row)
        texts << list.model()->index(row, c).data().toString() +
                     (markBold && shownBold(list, row, c) ? u"*"_qs : u""_qs);
    return texts;
}

inline QString columnText(const QTreeView* list, int c) {
    return columnTexts(*list, c, true).join(u'|');
}

inline QStringList shownRow(const QTreeView& list, int row) {
    QStringList cells;
    for (int c = 0; c < list.model()->columnCount(); ++c)
        cells << list.model()->index(row, c).data().toString();
    return cells;
}

/** Appends a row of cell texts to the main list, its key the first, as a refresh pass does. */
inline void addRow(frmMain& window, const QStringList& cells) {
    const SortedList::RowId row = window.addRow(cells[0], cells[0]);
    for (int c = 1; c < cells.size(); ++c)
        window.lvRC5()->setCellText(row, c, cells[c]);
}

inline QString cell(const frmMain& window, const QString& key, int c) {
    const SortedList::RowId row = window.findRow(key);
    return row != SortedList::NoRow ? window.lvRC5()->cellText(row, c) : u"<no row>"_qs;
}

inline void clickHeader(QTreeView* list, int column) {
    QHeaderView* header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
}

/** Bands of text the widget shows: runs of rows with anything drawn on its background. */
inline int inkBands(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    const QRgb background = widget->palette().color(widget->backgroundRole()).rgb();
    int bands = 0;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = image.pixel(x, y) != background;
        bands += ink && !inBand;
        inBand = ink;
    }
    return bands;
}

/** One run of the program in folder: stats, names and lock files there, Timer1 every 5 ms. */
struct Program {
    explicit Program(const QString& folder, const QString& lockFolder = {},
                     const QString& commandLineLog = {}) {
        clock.current.setTime(QTime(10, 0));
        analyzer = std::make_unique<Analyzer>(AnalyzerEnvironment{
            .clock = &clock,
            .errorReport = &errors,
            .dialogs = &dialogs,
            .tray = &tray,
            .hostLookup = std::unique_ptr<IHostLookup>(lookup = new FakeHostLookup),
            .statsFilePath = folder + QStringLiteral("/qla.bin"),
            .namesFilePath = folder + QStringLiteral("/qla.nam"),
            .lockFilePath =
                (lockFolder.isEmpty() ? folder : lockFolder) + QStringLiteral("/qla.lock"),
            .timerInterval = 5,
            .hostsFilePath = folder + QStringLiteral("/hosts"),
            .commandLineLog = commandLineLog});
    }
    frmMain& window() { return *analyzer->window(); }
    QString column(int c) { return columnText(window().lvRC5(), c); }
    void open(const QString& path) { dialogs.chosenFiles = {path}, analyzer->mnuOpen_Click(); }
    FakeClock clock;
    ScriptedErrorReport errors;
    FakeDialogs dialogs;
    FakeTray tray;
    FakeHostLookup* lookup = nullptr;
    std::unique_ptr<Analyzer> analyzer;
};
