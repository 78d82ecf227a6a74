#pragma once

#include <QDateTime>

/** The computer's clock; tests pass a clock of their own. */
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
};
