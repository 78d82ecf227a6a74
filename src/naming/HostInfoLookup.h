#pragma once

#include "IHostLookup.h"

#include <QObject>

/**
 * Reverse lookups through QHostInfo. The name service runs on Qt's lookup threads; the answer
 * is delivered to this object's (UI) thread and dropped when this object is gone.
 */
class HostInfoLookup : public QObject, public IHostLookup {
    Q_OBJECT
public:
    using QObject::QObject;
    bool startLookup(quint32 ipv4, Answer answer) override;
};
