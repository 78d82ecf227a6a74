#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace CommandLine {

namespace {

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        u"Follows the connection log of a personal key-block proxy and counts the blocks of "
        u"every client, live."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(u"LOG"_s,
                                 u"A connection log to open, as File, Open does. Without it the "
                                 u"program goes on with the log it followed last."_s,
                                 u"[LOG]"_s);
}

bool asksForInfo(const char* argument) {
    for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
        if (std::strcmp(argument, option) == 0)
            return true;
    return false;
}

} // namespace

std::optional<int> answerWithoutWindows(int& argc, char** argv) {
    bool asked = false;
    for (int i = 1; i < argc && !asked; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        asked = asksForInfo(argv[i]);
    }
    if (!asked)
        return std::nullopt;
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    describe(parser);
    parser.process(app); // prints the help or the version and ends the program
    return 0;
}

QString logArgument(const QCoreApplication& app) {
    QCommandLineParser parser;
    describe(parser);
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "%s: give at most one log\n",
                     qPrintable(QCoreApplication::applicationName()));
        std::exit(1);
    }
    return files.value(0);
}

} // namespace CommandLine
