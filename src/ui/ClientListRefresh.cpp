#include "ClientListRefresh.h"

#include "frmMain.h"

#include "common/RunTimeError.h"
#include "naming/ClientNames.h"
#include "stats/ClientTable.h"
#include "stats/RefreshTexts.h"

#include <bit>

bool ClientListRefresh::refresh(SortedList& list, ClientTable& table, ClientNames& names,
                                const QString& project, const QString& today, qint64 seconds) {
    m_list = &list;
    m_table = &table;
    m_names = &names;
    m_resort = false;

    const bool otherRows = table.serial() != m_tableSerial ||
                           list.generation() != m_listGeneration || project != m_project;
    const bool everything = otherRows || today != m_today;
    const bool namesChanged = names.version() != m_namesVersion;
    const bool secondMoved = seconds != m_seconds;
    const std::vector<qint32> counted = table.takeCounted();
    if (otherRows)
        m_shown.assign(size_t(table.size()), Shown{});
    if (everything)
        m_recordsSeen = 0;
    m_shown.resize(size_t(table.size()));
    m_project = project;
    m_today = today;
    m_seconds = seconds;

    for (const qint32 index : counted)
        if (index < m_recordsSeen)
            refreshRecord(index);
    for (qsizetype index = m_recordsSeen; index < table.size(); ++index)
        refreshRecord(index);
    m_recordsSeen = table.size();

    if (!everything && (namesChanged || secondMoved)) {
        for (Shown& shown : m_shown) {
            if (shown.row == SortedList::NoRow)
                continue;
            if (namesChanged) // a late host name: no re-sort
                list.setCellText(shown.row, frmMain::ColClient,
                                 names.Resolve(list.rowKey(shown.row)));
            if (secondMoved && shown.hasToday)
                refreshRate(shown, seconds);
        }
    }
    m_namesVersion = names.version();
    m_tableSerial = table.serial();
    m_listGeneration = list.generation();
    return m_resort;
}

void ClientListRefresh::refreshRecord(qsizetype index) {
    const ClientRecord& record = m_table->entryAt(index).value;
    if (!record.Name.startsWith(m_project))
        return;
    Shown& shown = m_shown[size_t(index)];
    try {
        const QString name = record.Name.mid(3);
        if (shown.row == SortedList::NoRow)
            shown.row = m_list->findRow(name);
        if (shown.row == SortedList::NoRow) {
            shown.row = m_list->addRow(name, m_names->Resolve(name));
            if (name == AllClients)
                m_list->setRowBold(shown.row, true);
            m_resort = true;
        } else {
            m_list->setCellText(shown.row, frmMain::ColClient, m_names->Resolve(name));
        }
        write(shown.row, frmMain::ColTotalBlocks, RefreshTexts::blocksText(record.Blocks));
        if (const DayEntry* day = record.Data.find(m_today)) {
            shown.hasToday = true;
            shown.todayBlocks = day->Blocks;
            write(shown.row, frmMain::ColTodayBlocks, RefreshTexts::blocksText(day->Blocks));
            shown.hasRate = false; // written anew below
            refreshRate(shown, m_seconds);
        } else {
            shown.hasToday = false;
            if (m_list->setCellText(shown.row, frmMain::ColTodayBlocks,
                                    RefreshTexts::noTodayText()))
                m_list->setCellText(shown.row, frmMain::ColRate, RefreshTexts::noTodayText());
        }
        write(shown.row, frmMain::ColLastBlock, record.Time);
    } catch (const RunTimeError&) {
    }
}

void ClientListRefresh::refreshRate(Shown& shown, qint64 seconds) {
    const std::optional<double> rate = RefreshTexts::rateValue(shown.todayBlocks, seconds);
    if (!rate)
        return; // at the shifted midnight the cell stays as it is
    // The text follows from the number alone, so an unchanged number needs no new text.
    if (shown.hasRate && std::bit_cast<quint64>(*rate) == std::bit_cast<quint64>(shown.rate))
        return;
    write(shown.row, frmMain::ColRate, RefreshTexts::rateText(*rate));
    shown.rate = *rate;
    shown.hasRate = true;
}

void ClientListRefresh::write(SortedList::RowId row, int column, const QString& text) {
    if (m_list->setCellText(row, column, text) && m_list->sortKey() == column)
        m_resort = true;
}
