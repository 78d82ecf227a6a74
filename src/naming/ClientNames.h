#pragma once

#include "IHostLookup.h"
#include "NameTable.h"

#include <QHash>
#include <QString>

#include <memory>

/**
 * What the program shows for a client: the computer name that the names file maps to its
 * address, else the host name found by a reverse lookup, else the address itself.
 * Owns NameTable and the lookups under way; used on the UI thread only.
 */
class ClientNames {
public:
    /** Looks names up through QHostInfo. */
    ClientNames();
    /** Looks names up through lookup (tests pass a scripted one). */
    explicit ClientNames(std::unique_ptr<IHostLookup> lookup);
    ~ClientNames();
    ClientNames(const ClientNames&) = delete;
    ClientNames& operator=(const ClientNames&) = delete;

    /** The "Resolve client addresses" preference; while off, Resolve returns every name unchanged.
     */
    void setResolveClients(bool on) {
        if (on != m_resolveClients)
            ++m_version;
        m_resolveClients = on;
    }
    bool resolveClients() const { return m_resolveClients; }

    /**
     * The display text of a client name, answered at once from NameTable. A name with at
     * least three dots that the table does not know yet is entered with itself as value and
     * looked up in the background, so each address is looked up once; the host name (at most
     * 64 characters) shows on a later call. A failed lookup leaves the address, and a late
     * answer never replaces a computer name that the names file mapped in the meantime. Names with
     * fewer than three dots, and every name while ResolveClients is off, come back unchanged.
     * Errors reach the caller with "modGlobals:Resolve" before their description.
     */
    QString Resolve(const QString& address);

    /**
     * Replaces NameTable by the mappings of the names file at path (see NamesFile.h),
     * forgetting earlier lookup results; a missing file is created empty. Returns false when
     * the file could not be read (the table is then empty) or the mapping was cut short at a
     * repeated address (the lines before it stay mapped). Lookups under way go on; see Resolve.
     */
    bool LoadNames(const QString& path);

    const NameTable& nameTable() const { return m_table; }
    /**
     * Grows whenever Resolve may answer differently for a name it answered before: a lookup
     * answered, the names file loaded, ResolveClients switched.
     */
    quint64 version() const { return m_version; }
    /** Lookups started and not answered yet. */
    qsizetype pendingLookupCount() const { return m_pendingLookups.size(); }

private:
    void startLookup(const QString& address);
    void lookupCompleted(int request, const QString& hostName);

    std::unique_ptr<IHostLookup> m_lookup;
    NameTable m_table;
    QHash<int, QString> m_pendingLookups; ///< request number -> address looked up
    int m_nextRequest = 1;
    quint64 m_version = 0;
    bool m_resolveClients = false;
};

/** The four bytes of a dotted address as a host-order IPv4 number; a part that is not a whole
    number from 0 to 255 (or is missing) gives 0, parts after the fourth are ignored. */
quint32 addressBytes(QStringView address);
