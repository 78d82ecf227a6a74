#include "ClientTable.h"

#include "common/NumberText.h"
#include "common/RunTimeError.h"

void Statistics::IncrementClient(QStringView name, QStringView date, QStringView time, qint32 blocks,
                                 QStringView project) {
    passErrors(QStringLiteral("frmMain:IncrementClient"), PlaceSeparator::LineBreak, [&] {
        if (name != AllClients) {
            IncrementClient(AllClients, date, time, blocks, project);
            if (project == Project::RC5)
                Totals.ClientsTotalRC5 = NumberText::addChecked(Totals.ClientsTotalRC5, blocks);
            else if (project == Project::OGR)
                Totals.ClientsTotalOGR = NumberText::addChecked(Totals.ClientsTotalOGR, blocks);
        }
        countFor(name, date, time, blocks, project);
    });
}

void Statistics::countFor(QStringView name, QStringView date, QStringView time, qint32 blocks,
                          QStringView project) {
    m_key.resize(0);
    m_key.append(project).append(name);
    bool created = false;
    ClientRecord& record = Clients.findOrAppend(m_key, &created);
    if (created)
        record.Name = m_key;

    // The whole record is replaced only once the new total is known to fit.
    record.Blocks = NumberText::addChecked(record.Blocks, blocks);
    record.Time.resize(0);
    record.Time.append(date).append(QLatin1Char(' ')).append(time);

    DayHistory& history = record.Data;
    DayEntry* entry = nullptr;
    if (!history.isEmpty() && history.last().key == date) { // log lines come in date order
        entry = &history.last().value;
    } else {
        m_date = date.toString();
        bool newDay = false;
        entry = &history.findOrAppend(m_date, &newDay);
        if (newDay)
            entry->Date = m_date;
    }
    entry->Blocks = NumberText::addChecked(entry->Blocks, blocks);
}

void Statistics::Reset() {
    Clients = ClientTable();
    Totals = ProjectTotals();
    Totals.LabInBufRC5 = Totals.LabOutBufRC5 = QStringLiteral("0");
    Totals.LabInBufOGR = Totals.LabOutBufOGR = QStringLiteral("0");
}
