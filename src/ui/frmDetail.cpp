#include "frmDetail.h"

#include "DayChart.h"
#include "Placement.h"
#include "SortedList.h"
#include "Twips.h"
#include "WindowLook.h"

#include "common/ErrorReport.h"
#include "common/NumberText.h"
#include "common/modGlobals.h"
#include "naming/ClientNames.h"
#include "persistence/Settings.h"
#include "stats/ClientTable.h"
#include "stats/DaySeries.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Design geometry in twips: left, top, width, height.
constexpr double DesignClientWidth = 3708;
constexpr double DesignClientHeight = 3480;
const QRectF LvDetailRect(84, 504, 3540, 2868);
const QRectF Label1Rect(168, 84, 768, 264);
const QRectF LabNameRect(1008, 84, 2616, 432);

const QList<ListColumn> Columns = {
    {u"Date"_s, 1200, Qt::AlignLeft},
    {u"Blocks"_s, 1200, Qt::AlignRight},
};
constexpr int BlocksWidth = 6;
// The chart's pane below the list, in twips: a gap, then the chart.
constexpr double ChartGap = 84;
constexpr double ChartHeight = 1800;
const QLatin1StringView ChartKey("Chart");

} // namespace

frmDetail::frmDetail(QWidget* owner, const Clock& clock, ErrorReporter& reporter,
                     ClientNames& names, RecordLookup lookup, int timerInterval)
    : QWidget(owner, Qt::Window), m_clock(clock), m_reporter(reporter), m_names(names),
      m_lookup(std::move(lookup)) {
    setObjectName(u"frmDetail"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"Details"_s);
    setWindowIcon(programIcon());
    setFont(windowFont());
    buildControls();
    resize(Twips::toPixelsX(DesignClientWidth), Twips::toPixelsY(DesignClientHeight));

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(u"Timer1"_s);
    m_timer1->setInterval(timerInterval);
    connect(m_timer1, &QTimer::timeout, this, &frmDetail::Timer1_Timer);
    m_timer1->start();

    if (owner)
        owner->installEventFilter(this);
}

frmDetail::~frmDetail() {
    // The owner deletes its detail windows without closing them; they still save their state.
    Form_Unload();
}

void frmDetail::buildControls() {
    m_lvDetail = new SortedList(Columns, this);
    m_lvDetail->setObjectName(u"lvDetail"_s);
    m_lvDetail->setGeometry(Twips::toPixels(LvDetailRect));

    m_label1 = new QLabel(u"Client:"_s, this);
    m_label1->setObjectName(u"Label1"_s);
    m_label1->setTextFormat(Qt::PlainText);
    m_label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label1->setGeometry(Twips::toPixels(Label1Rect));

    m_labName = new QLabel(this);
    m_labName->setObjectName(u"labName"_s);
    m_labName->setTextFormat(Qt::PlainText);
    m_labName->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_labName->setWordWrap(true); // two lines high: a long name wraps
    QFont bold = windowFont();
    bold.setBold(true);
    m_labName->setFont(bold);
    m_labName->setGeometry(Twips::toPixels(LabNameRect));
    buildChart();
}

void frmDetail::buildChart() {
    m_chart = new DayChart(this);
    m_chart->hide();
    m_chartAction = new QAction(u"Show &chart"_s, this);
    m_chartAction->setObjectName(u"mnuChart"_s);
    m_chartAction->setCheckable(true);
    m_chartAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    addAction(m_chartAction); // the shortcut works anywhere in the window
    connect(m_chartAction, &QAction::toggled, this, &frmDetail::setChartShown);
    // The menu in the windows' own font, like the main window's menus.
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.setFont(windowFont());
        menu.addAction(m_chartAction);
        menu.exec(mapToGlobal(at));
    });
    m_lvDetail->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_lvDetail, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        Q_EMIT customContextMenuRequested(mapFromGlobal(m_lvDetail->viewport()->mapToGlobal(at)));
    });
}

bool frmDetail::chartShown() const {
    return !m_chart->isHidden();
}

int frmDetail::chartSpace() const {
    return chartShown() ? Twips::toPixelsY(ChartGap + ChartHeight) : 0;
}

void frmDetail::setChartShown(bool shown) {
    m_chartAction->setChecked(shown);
    if (shown == chartShown())
        return;
    const int space = Twips::toPixelsY(ChartGap + ChartHeight);
    m_chart->setVisible(shown);
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)))
        resize(width(), height() + (shown ? space : -space));
    Form_Resize(); // a hidden window gets its resize event only when shown
    if (shown)
        Timer1_Timer();
}

frmDetail::RecordLookup frmDetail::lookupIn(const Statistics& statistics) {
    const Statistics* model = &statistics;
    return [model](const QString& key) { return model->clients.find(key); };
}

frmDetail* frmDetail::findOpen(const QWidget* owner, const QString& sName) {
    if (!owner)
        return nullptr;
    const QList<frmDetail*> windows = owner->findChildren<frmDetail*>(Qt::FindDirectChildrenOnly);
    for (frmDetail* window : windows)
        if (!window->m_unloaded && window->m_sName == sName)
            return window;
    return nullptr;
}

void frmDetail::activate() {
    m_hiddenWithOwner = false;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void frmDetail::ShowDetail(const QString& sName) {
    Form_Load();
    passErrors(u"frmDetail:ShowDetail"_s, PlaceSeparator::None, [&] {
        const QString client = sName.mid(3); // the project code removed
        const QString host = m_names.Resolve(client);
        setWindowTitle(windowTitle() + u" - "_s + host);
        m_labName->setText(host + u" ("_s + client + u')');
        m_sName = sName;
        m_lvDetail->clearRows();
        Timer1_Timer();
        show();
    });
}

void frmDetail::Form_Load() {
    if (m_loaded)
        return;
    m_loaded = true;
    const QString place = u"frmDetail:Form_Load"_s;
    // The margins are measured on the design layout, before any saved size is applied.
    Form_Resize();
    // A chart shown last time is shown again: the window grows by it, and a saved size
    // (which holds the chart) then replaces that. An unreadable value means no chart.
    try {
        setChartShown(NumberText::toFlag(GetSetting(SettingsKey::Details, ChartKey, u"0"_s)));
    } catch (const RunTimeError&) {
    }

    // Every key defaults to the window's current value. Like the main window's, the rectangle
    // is the one inside the frame: a hidden window does not know its frame yet.
    WindowPlacement placement = Placement::current(*this, *m_lvDetail);
    // Where no position was saved, the window system places the window.
    const SettingsStore store;
    const bool positionSaved = store.storedText(SettingsKey::Details, SettingsKey::Left) ||
                               store.storedText(SettingsKey::Details, SettingsKey::Top);

    // Read as far as the report lets it; a value not read stays the current one, so applying
    // it below changes nothing.
    for (const auto& read :
         placementReadSteps(SettingsKey::Details, SettingsKey::Details, placement))
        if (!m_reporter.runStep(place, read))
            break;

    // The normal-state rectangle goes first: a hidden window keeps it as the one it restores
    // to when the state is then set to maximised or minimised.
    const bool placed = m_reporter.runStep(place, [&] {
        const QRect saved(Twips::toPixelsX(placement.left), Twips::toPixelsY(placement.top),
                          Twips::toPixelsX(placement.width), Twips::toPixelsY(placement.height));
        if (saved.width() < 0 || saved.height() < 0)
            throw invalidPropertyValue();
        if (positionSaved)
            setGeometry(saved);
        else
            resize(saved.size());
    });
    if (!placed)
        return;
    setWindowState(Placement::stateFlags(placement.windowState));
    for (int column = 0; column < ColumnCount; ++column)
        if (!m_reporter.runStep(
                place, [&] { m_lvDetail->setColumnWidthTwips(column, placement.columns[column]); }))
            return;
    if (!m_reporter.runStep(place, [&] { m_lvDetail->setSortKey(placement.sortKey); }))
        return;
    m_reporter.runStep(place, [&] { m_lvDetail->setSortOrder(placement.sortOrder); });
}

void frmDetail::Form_Resize() {
    // A minimised window keeps its controls as they were.
    if (isMinimized())
        return;
    if (m_margins.listHeight == 0) {
        m_margins.listHeight = height() - m_lvDetail->height();
        m_margins.listWidth = width() - m_lvDetail->width();
    }
    Placement::setHeightIfValid(m_lvDetail, height() - m_margins.listHeight - chartSpace());
    Placement::setWidthIfValid(m_lvDetail, width() - m_margins.listWidth);
    // labName's right edge stays on the list's right edge.
    Placement::setWidthIfValid(m_labName, m_lvDetail->x() + m_lvDetail->width() - m_labName->x());
    if (chartShown()) // under the list, as wide as it
        m_chart->setGeometry(m_lvDetail->x(),
                             m_lvDetail->geometry().bottom() + 1 + Twips::toPixelsY(ChartGap),
                             m_lvDetail->width(), Twips::toPixelsY(ChartHeight));
}

void frmDetail::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmDetail::Form_Unload() {
    if (!m_loaded || m_unloaded)
        return;
    m_unloaded = true;
    m_timer1->stop();

    // Position and size are saved in the normal state only (see saveWindowPlacement).
    const WindowPlacement placement = Placement::current(*this, *m_lvDetail);
    m_reporter.runStep(u"frmDetail:Form_Unload"_s, [&] {
        saveWindowPlacement(SettingsKey::Details, SettingsKey::Details, placement);
        SaveSetting(SettingsKey::Details, ChartKey, chartShown() ? u"1"_s : u"0"_s);
    });
}

void frmDetail::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        Form_Unload();
}

void frmDetail::Timer1_Timer() {
    QString today;
    if (!m_reporter.runStep(u"frmDetail:Timer1_Timer"_s, [&] { today = GetCurrentDate(m_clock); }))
        return;
    if (!m_lookup)
        return;

    // From here on nothing is reported: a failing step is skipped.
    const ClientRecord* record = nullptr;
    try {
        record = m_lookup(m_sName);
    } catch (const RunTimeError&) {
    }
    if (!record)
        return; // the record is gone (a new log was opened): the rows stay as they are

    bool added = false;
    for (const auto& entry : record->Data) {
        const DayEntry& day = entry.value;
        SortedList::RowId row = m_lvDetail->findRow(day.Date);
        if (row == SortedList::NoRow) {
            row = m_lvDetail->addRow(day.Date, day.Date);
            // The row of the date that is today when the row is made stays bold.
            if (day.Date == today)
                m_lvDetail->setRowBold(row, true);
            added = true;
        }
        m_lvDetail->setCellText(row, ColBlocks, rightJustify(day.Blocks, BlocksWidth));
    }
    // New rows take their places in the current order once their cells are written; changed
    // cells alone never re-order the list.
    if (added) {
        m_lvDetail->setSorted(false);
        m_lvDetail->setSorted(true);
    }
    if (chartShown())
        m_chart->setBars(DayBars(record->Data, today));
}

bool frmDetail::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() &&
        (event->type() == QEvent::WindowStateChange || event->type() == QEvent::Show))
        followOwner();
    return QWidget::eventFilter(watched, event);
}

void frmDetail::followOwner() {
    // Hidden while the owner is minimised (or hidden after minimising), back when it returns.
    const QWidget* owner = parentWidget();
    if (m_unloaded)
        return;
    const bool ownerMinimised = owner->isMinimized();
    if (ownerMinimised && isVisible()) {
        m_hiddenWithOwner = true;
        hide();
    } else if (!ownerMinimised && owner->isVisible() && m_hiddenWithOwner) {
        m_hiddenWithOwner = false;
        show();
    }
}
