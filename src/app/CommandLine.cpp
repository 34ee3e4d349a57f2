#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

ProgramSettings RunOptions::applied(ProgramSettings file) const
{
    if (ncidServer) {
        file.ncidServerEnabled = true;
        parseHostPort(*ncidServer, &file.ncidServerAddress, &file.ncidServerPort, ProgramSettings::NcidDefaultPort,
                      false);
    }
    if (ncidClient) {
        file.ncidClientEnabled = true;
        parseHostPort(*ncidClient, &file.ncidClientHost, &file.ncidClientPort, ProgramSettings::NcidDefaultPort, true);
    }
    if (speakNames)
        file.speakNames = true;
    return file;
}

namespace {

int failure(const QString &text)
{
    std::fprintf(stderr, "ringlark: %s (see ringlark --help)\n", qPrintable(text));
    return 2;
}

} // namespace

std::optional<int> handleCommandLine(int argc, char *argv[], RunOptions *options)
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
    const QCommandLineOption server(
        QStringLiteral("ncid-server"),
        QStringLiteral("Publish every call to NCID clients on [ADDRESS:]PORT (the loopback address when none is "
                       "given; 0.0.0.0 for every network)."),
        QStringLiteral("[ADDRESS:]PORT"));
    const QCommandLineOption client(QStringLiteral("ncid-client"),
                                    QStringLiteral("Take the calls from the NCID server at HOST (port 3333 when none "
                                                   "is given) instead of the modem."),
                                    QStringLiteral("HOST[:PORT]"));
    const QCommandLineOption speak(QStringLiteral("speak-names"),
                                   QStringLiteral("Say the caller's name after the call class (this run only)."));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Write the debug lines of the program's log (modem lines, calls, "
                                                    "voice, network, files) to standard error."));
    const QCommandLineOption exportCalls(QStringLiteral("export-calls"),
                                         QStringLiteral("Write the stored calls as CSV to FILE (- for standard output) "
                                                        "and end; no window, no modem."),
                                         QStringLiteral("FILE"));
    parser.addOptions({server, client, speak, verbose, exportCalls});
    if (!parser.parse(QCoreApplication::arguments()))
        return failure(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("ringlark %s\n", RINGLARK_VERSION);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return failure(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));
    QString host;
    quint16 port = 0;
    if (parser.isSet(server)) {
        options->ncidServer = parser.value(server);
        if (!parseHostPort(*options->ncidServer, &host, &port, ProgramSettings::NcidDefaultPort, false))
            return failure(QStringLiteral("--ncid-server wants [ADDRESS:]PORT, not '%1'").arg(*options->ncidServer));
    }
    if (parser.isSet(client)) {
        options->ncidClient = parser.value(client);
        if (!parseHostPort(*options->ncidClient, &host, &port, ProgramSettings::NcidDefaultPort, true))
            return failure(QStringLiteral("--ncid-client wants HOST[:PORT], not '%1'").arg(*options->ncidClient));
    }
    options->speakNames = parser.isSet(speak);
    options->verbose = parser.isSet(verbose);
    if (parser.isSet(exportCalls))
        options->exportCalls = parser.value(exportCalls);
    return std::nullopt;
}
