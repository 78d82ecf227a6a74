#pragma once

#include <QString>

/**
 * The name of the proxy's next numbered log: the two characters before the last dot, read as
 * a number, plus one, written with at least two digits ("conlog07.log" gives "conlog08.log").
 * After 99 the number grows a digit ("conlog99.log" gives "conlog100.log"), so that an old,
 * already counted log is never proposed again. Throws InvalidArgument for a name without
 * two characters before a dot, TypeMismatch when they are not a number.
 */
QString nextLogFileName(const QString& fileName);
