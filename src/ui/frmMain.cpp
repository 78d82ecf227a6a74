#include "frmMain.h"

#include "Placement.h"
#include "Twips.h"
#include "WindowLook.h"

#include "report/ListExport.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Design geometry in twips: left, top, width, height.
constexpr double DesignClientWidth = 5388;
constexpr double DesignClientHeight = 4380;
const QRectF TabMainRect(84, 84, 5220, 3960);
const QRectF PicInfoRect(252, 504, 4884, 516);
const QRectF LvRC5Rect(168, 1092, 5052, 2868);
constexpr double StatusBarHeight = 264;
constexpr double LabelHeight = 264;

const QList<ListColumn> Columns = {
    {u"Client"_s, 1800, Qt::AlignLeft},        {u"Total blocks"_s, 1100, Qt::AlignRight},
    {u"Today blocks"_s, 1100, Qt::AlignRight}, {u"Rate (kkeys/s)"_s, 1100, Qt::AlignRight},
    {u"Last block"_s, 2000, Qt::AlignLeft},
};

} // namespace

frmMain::frmMain(QWidget* parent, int timerInterval) : QMainWindow(parent) {
    setObjectName(u"frmMain"_s);
    setWindowTitle(u"Quillmere Log Analyzer"_s);
    setWindowIcon(programIcon());
    setFont(windowFont());

    buildControls();
    buildMenus();
    buildKeys();
    applyDesignSize();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(u"Timer1"_s);
    m_timer1->setInterval(timerInterval);
    connect(m_timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
    m_timer1->start();
}

frmMain::~frmMain() = default;

void frmMain::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(u"client"_s);
    setCentralWidget(client);

    // The list and the panel lie on the tab strip's page area and serve both tabs.
    m_tabMain = new QTabWidget(client);
    m_tabMain->setObjectName(u"tabMain"_s);
    m_tabMain->addTab(new QWidget, u" RC5 "_s);
    m_tabMain->addTab(new QWidget, u" OGR "_s);
    m_tabMain->setGeometry(Twips::toPixels(TabMainRect));
    connect(m_tabMain, &QTabWidget::currentChanged, this, &frmMain::tabMain_Click);

    buildStatusBar();
    buildInfoPanel();
    buildList();
    setTabOrder(m_tabMain, m_lvRC5);
}

void frmMain::buildInfoPanel() {
    m_picInfo = new QWidget(centralWidget());
    m_picInfo->setObjectName(u"picInfo"_s);
    m_picInfo->setGeometry(Twips::toPixels(PicInfoRect));
    const auto label = [this](const QString& name, const QString& text, double left, double top,
                              double width) {
        auto* l = new QLabel(text, m_picInfo);
        l->setObjectName(name);
        l->setTextFormat(Qt::PlainText);
        l->setGeometry(Twips::toPixels(QRectF(left, top, width, LabelHeight)));
        return l;
    };
    label(u"labInBufCaption"_s, u"In-buffer:"_s, 0, 0, 1104);
    m_labInBuf = label(u"labInBuf"_s, u"0"_s, 1176, 0, 1020);
    label(u"labOutBufCaption"_s, u"Out-buffer:"_s, 0, 252, 1104);
    m_labOutBuf = label(u"labOutBuf"_s, u"0"_s, 1176, 252, 1020);
    label(u"labUplinkCaption"_s, u"Uplink Total:"_s, 2268, 0, 1104);
    m_labUplink = label(u"labUplink"_s, u"0"_s, 3444, 0, 1188);
    label(u"labClientsCaption"_s, u"Clients Total:"_s, 2268, 252, 1104);
    m_labClients = label(u"labClients"_s, u"0"_s, 3444, 252, 1188);
}

void frmMain::buildList() {
    m_lvRC5 = new SortedList(Columns, centralWidget());
    m_lvRC5->setObjectName(u"lvRC5"_s);
    m_lvRC5->setGeometry(Twips::toPixels(LvRC5Rect));
    m_lvRC5->setSelectionMode(QAbstractItemView::ExtendedSelection); // rows to copy
    connect(m_lvRC5, &QAbstractItemView::doubleClicked, this, &frmMain::listDoubleClicked);
}

void frmMain::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(u"StatusBar1"_s);
    bar->setFixedHeight(Twips::toPixelsY(StatusBarHeight));
    // The panels draw their own sunken bevel; the style's item frame would double it.
    bar->setStyleSheet(u"QStatusBar::item { border: none; }"_s);
    const double minimumWidth[3] = {1440, 500, 500};
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(u"StatusBar1Panel%1"_s.arg(i + 1));
        panel->setTextFormat(Qt::PlainText);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setMinimumWidth(Twips::toPixelsX(minimumWidth[i]));
        m_panels[i] = panel;
    }
    // Panel 1 takes the width the others leave; a long text does not widen it.
    m_panels[0]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_panels[0]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(m_panels[0], 1);
    // Panels 2 and 3 follow their texts.
    for (int i = 1; i < 3; ++i) {
        m_panels[i]->setAlignment(Qt::AlignCenter);
        m_panels[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        bar->addWidget(m_panels[i], 0);
    }
}

QAction* frmMain::addMenuItem(QMenu* menu, const QString& name, const QString& caption,
                              void (frmMain::*signal)(), const QKeySequence& shortcut) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setShortcut(shortcut);
    connect(item, &QAction::triggered, this, signal);
    return item;
}

void frmMain::buildMenus() {
    QMenu* file = menuBar()->addMenu(u"&File"_s);
    file->setObjectName(u"mnuFile"_s);
    file->setFont(windowFont());
    addMenuItem(file, u"mnuOpen"_s, u"&Open"_s, &frmMain::openRequested,
                QKeySequence(Qt::CTRL | Qt::Key_O));
    addMenuItem(file, u"mnuNext"_s, u"&Switch to next log file"_s, &frmMain::nextLogRequested);
    addMenuItem(file, u"mnuExport"_s, u"&Export list..."_s, &frmMain::exportRequested,
                QKeySequence(Qt::CTRL | Qt::Key_E));
    file->addSeparator()->setObjectName(u"mnuSeparator"_s);
    addMenuItem(file, u"mnuExit"_s, u"E&xit"_s, &frmMain::exitRequested,
                QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* edit = menuBar()->addMenu(u"&Edit"_s);
    edit->setObjectName(u"mnuEdit"_s);
    edit->setFont(windowFont());
    addMenuItem(edit, u"mnuPreferences"_s, u"&Preferences..."_s, &frmMain::preferencesRequested,
                QKeySequence(Qt::CTRL | Qt::Key_P));
    addMenuItem(edit, u"mnuNames"_s, u"&Names..."_s, &frmMain::namesRequested,
                QKeySequence(Qt::CTRL | Qt::Key_N));
    addMenuItem(edit, u"mnuHosts"_s, u"&Hosts file"_s, &frmMain::hostsFileRequested);
    edit->addSeparator()->setObjectName(u"mnuSeparator2"_s);
    addMenuItem(edit, u"mnuQuiet"_s, u"&Quiet-client alert..."_s, &frmMain::quietAlertRequested);
}

void frmMain::buildKeys() {
    const auto key = [this](QWidget* owner, const QKeySequence& sequence,
                            Qt::ShortcutContext context, auto slot) {
        auto* shortcut = new QShortcut(sequence, owner);
        shortcut->setContext(context);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    for (const QKeySequence& next :
         {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)})
        key(this, next, Qt::WindowShortcut, [this] { stepTab(1); });
    for (const QKeySequence& previous : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                                         QKeySequence(Qt::CTRL | Qt::Key_PageUp)})
        key(this, previous, Qt::WindowShortcut, [this] { stepTab(-1); });
    for (const QKeySequence& enter : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)})
        key(m_lvRC5, enter, Qt::WidgetShortcut, [this] {
            if (!selectedRowKey().isEmpty())
                Q_EMIT listDoubleClicked();
        });
    key(m_lvRC5, QKeySequence::Copy, Qt::WidgetShortcut, [this] { copySelectedRows(); });
}

void frmMain::stepTab(int step) {
    const int count = m_tabMain->count();
    m_tabMain->setCurrentIndex((m_tabMain->currentIndex() + step + count) % count);
}

void frmMain::applyDesignSize() {
    resize(Twips::toPixelsX(DesignClientWidth), height());
    resize(width(), menuBarHeight() + Twips::toPixelsY(DesignClientHeight));
}

int frmMain::currentTab() const {
    return m_tabMain->currentIndex();
}

QLabel* frmMain::statusPanel(int number) const {
    return number >= 1 && number <= 3 ? m_panels[number - 1] : nullptr;
}

void frmMain::setRefreshHandler(std::function<void()> handler) {
    m_refresh = std::move(handler);
}

void frmMain::Timer1_Timer() {
    if (m_refresh)
        m_refresh();
}

frmMain::RowId frmMain::findRow(const QString& key) const {
    return m_lvRC5->findRow(key);
}

frmMain::RowId frmMain::addRow(const QString& key, const QString& text) {
    return m_lvRC5->addRow(key, text);
}

void frmMain::clearRows() {
    m_lvRC5->clearRows();
}

QString frmMain::rowKey(RowId row) const {
    return m_lvRC5->rowKey(row);
}

QString frmMain::selectedRowKey() const {
    return m_lvRC5->selectedRowKey();
}

QList<QStringList> frmMain::selectedRowTexts() const {
    QList<QStringList> rows;
    for (qsizetype position = 0; position < m_lvRC5->rowCount(); ++position) {
        if (!m_lvRC5->isSelectedAt(position))
            continue;
        const RowId row = m_lvRC5->rowAt(position);
        QStringList cells;
        for (int column = 0; column < ColumnCount; ++column)
            cells << m_lvRC5->cellText(row, column);
        rows << cells;
    }
    return rows;
}

void frmMain::copySelectedRows() const {
    const QList<QStringList> rows = selectedRowTexts();
    if (!rows.isEmpty())
        QGuiApplication::clipboard()->setText(ListExport::tabSeparatedRows(rows));
}

QColor frmMain::quietRowColour() {
    return QColor(0xff, 0xd8, 0xa0); // amber: readable under black text, unlike a warning red
}

bool frmMain::rowMarked(RowId row) const {
    return m_lvRC5->rowBackground(row).style() != Qt::NoBrush;
}

void frmMain::markRow(RowId row, bool quiet, const QString& toolTip) {
    if (rowMarked(row) == quiet && m_lvRC5->rowToolTip(row) == toolTip)
        return;
    m_lvRC5->setRowMark(row, quiet ? QBrush(quietRowColour()) : QBrush(), toolTip);
}

void frmMain::setSortKey(int key) {
    m_lvRC5->setSortKey(key);
}

void frmMain::setSortOrder(int order) {
    m_lvRC5->setSortOrder(order);
}

void frmMain::setSorted(bool sorted) {
    m_lvRC5->setSorted(sorted);
}

void frmMain::resortList() {
    m_lvRC5->resortList();
}

double frmMain::columnWidthTwips(int column) const {
    return m_lvRC5->columnWidthTwips(column);
}

void frmMain::setColumnWidthTwips(int column, double twips) {
    m_lvRC5->setColumnWidthTwips(column, twips);
}

int frmMain::menuBarHeight() const {
    // Before the first show the menu bar has no geometry yet: ask it as the layout will.
    const QMenuBar* bar = menuBar();
    if (bar->isVisible())
        return bar->height();
    const int height = bar->heightForWidth(width());
    return height >= 0 ? height : bar->sizeHint().height();
}

QSize frmMain::usableMinimumSize() const {
    return QSize(Twips::toPixelsX(DesignClientWidth / 2),
                 menuBarHeight() + Twips::toPixelsY(DesignClientHeight / 2));
}

QSize frmMain::clientSize() const {
    return QSize(width(), height() - menuBarHeight());
}

void frmMain::Form_Resize() {
    // A minimised window keeps its controls as they were.
    if (isMinimized())
        return;
    const QSize client = clientSize();
    if (m_margins.tabHeight == 0) {
        m_margins.tabHeight = client.height() - m_tabMain->height();
        m_margins.tabWidth = client.width() - m_tabMain->width();
        m_margins.listHeight = client.height() - m_lvRC5->height();
        m_margins.listWidth = client.width() - m_lvRC5->width();
        m_margins.panelWidth = client.width() - m_picInfo->width();
    }
    Placement::setHeightIfValid(m_tabMain, client.height() - m_margins.tabHeight);
    Placement::setWidthIfValid(m_tabMain, client.width() - m_margins.tabWidth);
    Placement::setHeightIfValid(m_lvRC5, client.height() - m_margins.listHeight);
    Placement::setWidthIfValid(m_lvRC5, client.width() - m_margins.listWidth);
    Placement::setWidthIfValid(m_picInfo, client.width() - m_margins.panelWidth);
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::tabMain_Click() {
    // A tick or another event already queued runs before the list is emptied and refilled.
    QCoreApplication::processEvents();
    clearRows();
    Timer1_Timer();
}

void frmMain::setQueryUnloadHandler(std::function<bool(int)> handler) {
    m_queryUnload = std::move(handler);
}

bool frmMain::unload() {
    m_unloading = true;
    const bool closed = close();
    m_unloading = false;
    return closed;
}

void frmMain::closeEvent(QCloseEvent* event) {
    const int unloadMode = m_unloading ? 1 : 0;
    if (m_queryUnload && m_queryUnload(unloadMode))
        event->ignore();
    else
        QMainWindow::closeEvent(event);
}
