#pragma once

#include <QString>

#include <optional>

class QCoreApplication;

/**
 * The program's command line: "quillmere-log-analyzer [LOG]", with --help and --version.
 * Those two are answered before a window system is needed: answerWithoutWindows runs first,
 * with a core application object of its own, and ends the program when one of them is given.
 */
namespace CommandLine {

/** Prints the help or the version and returns the exit code, when one of them is asked for. */
std::optional<int> answerWithoutWindows(int& argc, char** argv);

/**
 * The log to open, as given (empty when none). An unknown option or a second file ends the
 * program with a message on standard error and exit code 1.
 */
QString logArgument(const QCoreApplication& app);

} // namespace CommandLine
