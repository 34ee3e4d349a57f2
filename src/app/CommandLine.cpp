#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

std::optional<int> handleCommandLine(int argc, char *argv[])
{
    // A core application names the program in the help text; it needs no display and is gone
    // before the real application is made.
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ringlark"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RINGLARK_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Ringlark Talking Caller ID: shows, speaks, stores and refuses "
                                                    "incoming calls through a voice modem."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "ringlark: %s (see ringlark --help)\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("ringlark %s\n", RINGLARK_VERSION);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "ringlark: unexpected argument '%s' (see ringlark --help)\n",
                     qPrintable(parser.positionalArguments().constFirst()));
        return 2;
    }
    return std::nullopt;
}
