#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class ClientNames;
class Clock;
class DayChart;
class QAction;
class ErrorReporter;
class QLabel;
class QTimer;
class SortedList;
class Statistics;
struct ClientRecord;

/**
 * The detail window: the blocks per day of one client in one project, refreshed once a second
 * from the client table, today's row in bold. It is a top-level window owned by the main
 * window (its parent), stays in front of it, hides while it is minimised, and deletes itself
 * when closed. All detail windows share the settings section "Details": each opens with the
 * placement, column widths and sort state of the one closed last.
 *
 * Below the list the window can show a chart of the blocks per day (Ctrl+G, or the context
 * menu's "Show chart"): showing it makes the window taller by the chart's pane, so the
 * designed layout above stays as it is; it is hidden until the user first shows it, and
 * whether it is shown is kept in "Details" as "Chart" for the next window.
 */
class frmDetail : public QWidget {
    Q_OBJECT
public:
    /** The list's columns; the index is the sort key value of the column. */
    enum Column { ColDate = 0, ColBlocks };
    static constexpr int ColumnCount = 2;

    /**
     * Finds the record with a key (project code followed by client name) without creating it;
     * null when there is none. Asked afresh on every refresh pass and never kept: the table can
     * be replaced (Open) at any time.
     */
    using RecordLookup = std::function<const ClientRecord*(const QString& key)>;

    /** How much smaller the list is than the client area, in pixels; 0 until measured. */
    struct LayoutMargins {
        int listHeight = 0;
        int listWidth = 0;
    };

    /**
     * Builds the window at its design size, captioned "Details", with Timer1 running every
     * timerInterval milliseconds (1000; tests tick faster); it is loaded (the saved placement
     * applied) and shown by ShowDetail. owner is the main window. clock, reporter and names
     * must outlive the window.
     */
    frmDetail(QWidget* owner, const Clock& clock, ErrorReporter& reporter, ClientNames& names,
              RecordLookup lookup, int timerInterval = 1000);
    /** A window that was loaded and never closed (its owner went first) is unloaded here. */
    ~frmDetail() override;

    /** A RecordLookup into statistics' client table, whichever table it holds at the time. */
    static RecordLookup lookupIn(const Statistics& statistics);
    /** The open (not closed) detail window of owner that shows the record sName, or null. */
    static frmDetail* findOpen(const QWidget* owner, const QString& sName);
    /** Shows the window if hidden, restores it if minimised, raises it and gives it the focus. */
    void activate();

    /**
     * Loads the window if not done yet, shows the record sName (project code followed by client
     * name): the caption gains " - " and the display name of the client, labName shows that
     * name and the client name in parentheses, the list is filled by one refresh pass, and the
     * window is shown without blocking. Errors are thrown on with "frmDetail:ShowDetail" put
     * before their description.
     */
    void ShowDetail(const QString& sName);
    /** The key of the shown record, set by ShowDetail: what the main window searches by. */
    const QString& sName() const { return m_sName; }

    SortedList* lvDetail() const { return m_lvDetail; }
    QLabel* Label1() const { return m_label1; }
    QLabel* labName() const { return m_labName; }
    QTimer* Timer1() const { return m_timer1; }
    DayChart* chart() const { return m_chart; }
    /** "Show chart", checkable, Ctrl+G. */
    QAction* chartAction() const { return m_chartAction; }

    bool chartShown() const;
    /**
     * Shows or hides the chart; the window grows or shrinks by the chart's pane unless it is
     * maximised, and a shown chart is filled at once.
     */
    void setChartShown(bool shown);

    /**
     * The load handler: lays out once on the design size, then applies the saved placement,
     * column widths and sort state of "Details"; errors are reported as "frmDetail:Form_Load".
     */
    void Form_Load();
    /**
     * The size-change handler: the first call measures the list's margins, every call sizes the
     * list from the client area and keeps labName's right edge on the list's. A step that
     * would give a negative size is skipped.
     */
    void Form_Resize();
    const LayoutMargins& layoutMargins() const { return m_margins; }
    /**
     * The unload handler, run when the window closes: saves the window state, the position and
     * size (in the normal state only), the column widths and the sort state to "Details";
     * errors are reported as "frmDetail:Form_Unload". Runs once.
     */
    void Form_Unload();
    /**
     * The refresh pass, every second: adds a row for every date of the record's history that
     * has none yet (bold when it is today's date), re-sorts when a row was added, and rewrites a
     * "Blocks" cell only when its text changed. Rows are never removed; without a record the
     * pass changes nothing.
     */
    void Timer1_Timer();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildChart();
    int chartSpace() const;
    void followOwner();

    const Clock& m_clock;
    ErrorReporter& m_reporter;
    ClientNames& m_names;
    RecordLookup m_lookup;

    SortedList* m_lvDetail = nullptr;
    QLabel* m_label1 = nullptr;
    QLabel* m_labName = nullptr;
    QTimer* m_timer1 = nullptr;
    DayChart* m_chart = nullptr;
    QAction* m_chartAction = nullptr;

    QString m_sName;
    LayoutMargins m_margins;
    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_hiddenWithOwner = false;
};
