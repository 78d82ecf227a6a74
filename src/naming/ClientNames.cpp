#include "ClientNames.h"

#include "HostInfoLookup.h"
#include "NamesFile.h"
#include "common/RunTimeError.h"

namespace {
/** A host name is shown with at most this many characters. */
constexpr qsizetype MaxHostNameLength = 64;

/** "*.*.*.*": a client name with at least three dots is taken for an address. */
bool looksLikeAddress(const QString& name) {
    return name.count(QLatin1Char('.')) >= 3;
}

/** The byte of one part of a dotted address: a whole number from 0 to 255, else 0. */
quint32 addressByte(QStringView part) {
    part = part.trimmed();
    if (part.isEmpty())
        return 0;
    quint32 value = 0;
    for (const QChar c : part) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        value = value * 10 + quint32(c.unicode() - u'0');
        if (value > 255)
            return 0;
    }
    return value;
}
} // namespace

quint32 addressBytes(QStringView address) {
    quint32 result = 0;
    int index = 0;
    for (const QStringView part : address.tokenize(QLatin1Char('.'))) {
        if (index == 4)
            break;
        result |= addressByte(part) << (8 * (3 - index));
        ++index;
    }
    return result;
}

ClientNames::ClientNames() : ClientNames(std::make_unique<HostInfoLookup>()) {}

ClientNames::ClientNames(std::unique_ptr<IHostLookup> lookup) : m_lookup(std::move(lookup)) {}

ClientNames::~ClientNames() {
    // Drop the lookups under way before the table their answers would go to.
    m_lookup.reset();
}

QString ClientNames::Resolve(const QString& address) {
    const bool isLookedUp =
        passErrors(QStringLiteral("modGlobals:Resolve"), PlaceSeparator::None,
                   [&] { return m_resolveClients && looksLikeAddress(address); });
    if (!isLookedUp)
        return address;

    if (m_table.contains(address))
        return m_table.value(address);
    // Entered before the lookup starts, so the address is looked up once, even when the
    // lookup cannot be started or fails.
    m_table.add(address, address);
    startLookup(address);
    return address;
}

void ClientNames::startLookup(const QString& address) {
    const int request = m_nextRequest++;
    // Recorded first, so an answer is matched even if it came early.
    m_pendingLookups.insert(request, address);
    bool started = false;
    try {
        started = m_lookup && m_lookup->startLookup(addressBytes(address),
                                                    [this, request](const QString& hostName) {
                                                        lookupCompleted(request, hostName);
                                                    });
    } catch (const std::exception&) {
        // A lookup that cannot be started leaves the address as its name.
    }
    if (!started)
        m_pendingLookups.remove(request);
}

void ClientNames::lookupCompleted(int request, const QString& hostName) {
    const QString address = m_pendingLookups.take(request);
    if (address.isNull())
        return;
    QString name = hostName;
    const qsizetype zero = name.indexOf(QChar(0));
    if (zero >= 0)
        name.truncate(zero);
    name.truncate(MaxHostNameLength);
    if (name.isEmpty())
        return; // no name found: the address stays the display text
    // A computer name that the names file mapped while the lookup was under way wins over DNS.
    if (!m_table.contains(address) || m_table.value(address) == address) {
        m_table.set(address, name);
        ++m_version;
    }
}

bool ClientNames::LoadNames(const QString& path) {
    ++m_version;
    m_table.clear();
    return readNameTable(path, m_table);
}
