#pragma once

#include <QString>
#include <exception>

/** Error numbers shown in the error report ("Error: 0x" + number in hex). */
namespace ErrorNumber {
constexpr int InvalidArgument = 5;     ///< invalid procedure call or argument
constexpr int Overflow = 6;            ///< a count left the 32-bit (or 16-bit) range
constexpr int SubscriptOutOfRange = 9; ///< a field that the line does not have
constexpr int TypeMismatch = 13;       ///< text that is not a number
constexpr int FileNotFound = 53;
constexpr int DeviceIoError = 57;         ///< a read or write that failed
constexpr int PathFileAccess = 75;        ///< a file that exists but cannot be opened
constexpr int BadFileFormat = 321;        ///< damaged stats file or property bag
constexpr int InvalidPropertyValue = 380; ///< a value outside its property's range
} // namespace ErrorNumber

/**
 * A run-time error as the error report shows it: number, source and a description that
 * grows by one place for every routine it passes through on its way to the reporting handler.
 */
class RunTimeError : public std::exception {
public:
    RunTimeError(int number, QString description,
                 QString source = QStringLiteral("Quillmere Log Analyzer"))
        : m_number(number), m_source(std::move(source)), m_description(std::move(description)) {}

    int number() const { return m_number; }
    const QString& source() const { return m_source; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return "RunTimeError"; }

    /** The same error with place put before the description ("frmMain:Process" style). */
    RunTimeError passedThrough(const QString& place, bool lineBreak) const {
        return RunTimeError(
            m_number, place + (lineBreak ? QStringLiteral("\r\n") : QString()) + m_description,
            m_source);
    }

private:
    int m_number;
    QString m_source;
    QString m_description;
};

/** Error 380, raised by a value outside the range of the property it is given to. */
inline RunTimeError invalidPropertyValue() {
    return RunTimeError(ErrorNumber::InvalidPropertyValue,
                        QStringLiteral("Invalid property value"));
}

/** Where a passing routine puts its place: main-window routines add CR LF after it. */
enum class PlaceSeparator { LineBreak, None };

/**
 * Runs body and, when it throws a RunTimeError, throws it on with place prepended.
 * Passing routines wrap their whole work in this.
 */
template <typename Body>
decltype(auto) passErrors(const QString& place, PlaceSeparator separator, Body&& body) {
    try {
        return body();
    } catch (const RunTimeError& error) {
        throw error.passedThrough(place, separator == PlaceSeparator::LineBreak);
    }
}
