#include "HostInfoLookup.h"

#include <QHostAddress>
#include <QHostInfo>

bool HostInfoLookup::startLookup(quint32 ipv4, Answer answer) {
    // A dotted address makes QHostInfo look up the name of that address.
    const QString address = QHostAddress(ipv4).toString();
    QHostInfo::lookupHost(address, this, [answer = std::move(answer)](const QHostInfo& info) {
        QString name = info.error() == QHostInfo::NoError ? info.hostName() : QString();
        // Without a name the resolver hands back the address in numeric form: no name found.
        if (!QHostAddress(name).isNull())
            name.clear();
        answer(name);
    });
    return true;
}
