#pragma once

#include "SortedList.h"

#include <QMainWindow>

#include <functional>

class QAction;
class QLabel;
class QKeySequence;
class QMenu;
class QTabWidget;
class QTimer;
class QWidget;

/**
 * The main window: a tab strip selects the project (" RC5 ", " OGR "), an information panel
 * shows its four figures, the list lvRC5 one row per client, the status bar the reading status,
 * clock and date. The window lays itself out, sorts the list on header clicks and empties the
 * list on a tab change; filling it is the refresh pass set with setRefreshHandler. The menu
 * commands are announced as signals.
 *
 * The desktop's keys: Ctrl+Q quits (File, Exit), Enter on a row opens it as a double click
 * does, Ctrl+Tab / Ctrl+PageDown and Ctrl+Shift+Tab / Ctrl+PageUp go to the next and the
 * previous tab, and Ctrl+C copies the selected rows as tab-separated text.
 */
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    /** The list's columns; the index is the sort key value of the column. */
    enum Column { ColClient = 0, ColTotalBlocks, ColTodayBlocks, ColRate, ColLastBlock };
    static constexpr int ColumnCount = 5;

    /**
     * How much smaller the growing controls are than the client area, in pixels; all 0 until
     * the first layout measures them.
     */
    struct LayoutMargins {
        int tabHeight = 0;
        int tabWidth = 0;
        int listHeight = 0;
        int listWidth = 0;
        int panelWidth = 0;
    };

    /**
     * Builds the window at its design size with the timer Timer1 running, every
     * timerInterval milliseconds (1000; tests tick faster).
     */
    explicit frmMain(QWidget* parent = nullptr, int timerInterval = 1000);
    ~frmMain() override;

    // --- Controls written by the refresh pass ---
    QTabWidget* tabMain() const { return m_tabMain; }
    /** The selected tab: 0 = RC5, 1 = OGR. */
    int currentTab() const;
    SortedList* lvRC5() const { return m_lvRC5; }
    QWidget* picInfo() const { return m_picInfo; }
    QLabel* labInBuf() const { return m_labInBuf; }
    QLabel* labOutBuf() const { return m_labOutBuf; }
    QLabel* labUplink() const { return m_labUplink; }
    QLabel* labClients() const { return m_labClients; }
    /** Panel 1 (reading status), 2 (clock) or 3 (date) of StatusBar1; null for other numbers. */
    QLabel* statusPanel(int number) const;
    QTimer* Timer1() const { return m_timer1; }

    /** The routine of one refresh pass, run on every tick of Timer1 and after a tab change. */
    void setRefreshHandler(std::function<void()> handler);
    /** One refresh pass: runs the refresh handler, if any. */
    void Timer1_Timer();

    // --- Rows of lvRC5, found by key (see SortedList) ---
    using RowId = SortedList::RowId;
    /** The row whose key is key, or SortedList::NoRow. */
    RowId findRow(const QString& key) const;
    /**
     * Appends a row with key and the text of column 0, aligned as its columns; the list is not
     * re-sorted (see resortList). The row compares by the text of the sort column.
     */
    RowId addRow(const QString& key, const QString& text);
    /** Removes every row. */
    void clearRows();
    /** The key of a row made by addRow. */
    QString rowKey(RowId row) const;
    /** The key of the selected row, or an empty text when none is selected. */
    QString selectedRowKey() const;
    /** The cell texts of the selected rows, in the order shown. */
    QList<QStringList> selectedRowTexts() const;
    /** Puts the selected rows on the clipboard as tab-separated text (Ctrl+C). */
    void copySelectedRows() const;
    /**
     * Marks a row of a client gone quiet, or clears the mark: a background across the row,
     * the texts as they are, and a tip on the client's cell. Touches the row only when its
     * mark changes.
     */
    void markRow(RowId row, bool quiet, const QString& toolTip = {});
    bool rowMarked(RowId row) const;
    /** The background of a marked row. */
    static QColor quietRowColour();

    // --- Sort state of lvRC5: key (column index), order (0 ascending, 1 descending), sorted ---
    int sortKey() const { return m_lvRC5->sortKey(); }
    /** Throws RunTimeError 380 for a key that is not a column index. */
    void setSortKey(int key);
    int sortOrder() const { return m_lvRC5->sortOrder(); }
    /** Throws RunTimeError 380 for an order other than 0 and 1. */
    void setSortOrder(int order);
    bool isSorted() const { return m_lvRC5->isSorted(); }
    /** While sorted, the rows are re-ordered whenever the key or the order changes. */
    void setSorted(bool sorted);
    /** Re-orders the rows by the sort key and order now, when sorted. */
    void resortList();

    // --- Column widths in twips, for the settings ---
    double columnWidthTwips(int column) const;
    /** Throws RunTimeError 380 for a negative width. */
    void setColumnWidthTwips(int column, double twips);

    // --- Layout ---
    /**
     * The size-change handler: the first call measures the margins, every call then sizes the
     * tab strip, the list and the panel from the client area. A step that would give a negative
     * size is skipped. The load handler calls it once before it applies any saved size.
     */
    void Form_Resize();
    const LayoutMargins& layoutMargins() const { return m_margins; }
    /** The smallest size a saved placement may give: the tabs, the figures and a few rows. */
    QSize usableMinimumSize() const;
    /** The inner size below the menu bar, status bar included, in pixels. */
    QSize clientSize() const;

    // --- Closing ---
    /**
     * Asked before the window closes, with the unload mode: 0 for the close box (or the
     * window menu's Close), 1 for unload(). Returning true cancels the close.
     */
    void setQueryUnloadHandler(std::function<bool(int unloadMode)> handler);
    /** Closes the window by command (unload mode 1); false when the close was cancelled. */
    bool unload();

Q_SIGNALS:
    void openRequested();        ///< File, Open (Ctrl+O)
    void nextLogRequested();     ///< File, Switch to next log file
    void exportRequested();      ///< File, Export list... (Ctrl+E)
    void exitRequested();        ///< File, Exit (Ctrl+Q)
    void preferencesRequested(); ///< Edit, Preferences... (Ctrl+P)
    void namesRequested();       ///< Edit, Names... (Ctrl+N)
    void hostsFileRequested();   ///< Edit, Hosts file
    void quietAlertRequested();  ///< Edit, Quiet-client alert...
    void listDoubleClicked();    ///< a double click on a row of lvRC5, or Enter on it

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildInfoPanel();
    void buildList();
    void buildStatusBar();
    void buildMenus();
    void buildKeys();
    void stepTab(int step);
    QAction* addMenuItem(QMenu* menu, const QString& name, const QString& caption,
                         void (frmMain::*signal)(), const QKeySequence& shortcut = {});
    void applyDesignSize();
    int menuBarHeight() const;
    void tabMain_Click();

    QTabWidget* m_tabMain = nullptr;
    QWidget* m_picInfo = nullptr;
    QLabel* m_labInBuf = nullptr;
    QLabel* m_labOutBuf = nullptr;
    QLabel* m_labUplink = nullptr;
    QLabel* m_labClients = nullptr;
    SortedList* m_lvRC5 = nullptr;
    QLabel* m_panels[3] = {};
    QTimer* m_timer1 = nullptr;

    LayoutMargins m_margins;
    std::function<void()> m_refresh;
    std::function<bool(int)> m_queryUnload;
    bool m_unloading = false;
};
