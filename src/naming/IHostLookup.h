#pragma once

#include <QString>

#include <functional>

/**
 * Reverse name lookups of IPv4 addresses that never block: the real one asks the platform's
 * name service, tests use a scripted one.
 */
class IHostLookup {
public:
    /** Receives the host name found, or an empty text when none was found. */
    using Answer = std::function<void(const QString& hostName)>;

    virtual ~IHostLookup() = default;

    /**
     * Starts the reverse lookup of ipv4 (host byte order, e.g. 0x7F000001 for 127.0.0.1) and
     * returns at once. answer is called at most once, on the UI thread, from the event loop
     * (never from inside this call); not after this object is destroyed. Returns false when
     * the lookup could not be started; answer is then never called.
     */
    virtual bool startLookup(quint32 ipv4, Answer answer) = 0;
};
