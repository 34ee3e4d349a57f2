#include "ServiceOptions.h"

#include "ProgramFolder.h"
#include "ProgramSettings.h"

#include <QCommandLineParser>
#include <QDir>

#include <cstdio>

std::optional<int> readServiceOptions(const QStringList &arguments, ServiceOptions *options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Ringlark Talking Caller ID as a service: the modem's calls screened, stored and published "
                       "to NCID clients, with nobody logged in."));
    const QCommandLineOption data(QStringLiteral("data"),
                                  QStringLiteral("The data folder (default: $STATE_DIRECTORY, else the user's)."),
                                  QStringLiteral("DIR"));
    const QCommandLineOption server(QStringLiteral("ncid-server"),
                                    QStringLiteral("Publish calls to NCID clients on [ADDRESS:]PORT "
                                                   "(default 127.0.0.1:3333)."),
                                    QStringLiteral("[ADDRESS:]PORT"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Log every line of the modem and the network."));
    parser.addOptions({data, server, verbose});
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "ringlarkd: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("ringlarkd %s\n", RINGLARK_VERSION);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "ringlarkd: unknown argument '%s'\n", qPrintable(parser.positionalArguments().first()));
        return 2;
    }
    options->verbose = parser.isSet(verbose);
    if (parser.isSet(server) && !parseHostPort(parser.value(server), &options->ncidAddress, &options->ncidPort,
                                               ProgramSettings::NcidDefaultPort, false)) {
        std::fprintf(stderr, "ringlarkd: --ncid-server wants [ADDRESS:]PORT, not '%s'\n",
                     qPrintable(parser.value(server)));
        return 2;
    }
    if (parser.isSet(data))
        options->dataFolder = QDir(parser.value(data)).absolutePath();
    else if (const QString state = qEnvironmentVariable("STATE_DIRECTORY"); !state.isEmpty())
        options->dataFolder = state.split(QLatin1Char(':')).first(); // systemd lists one per StateDirectory=
    else
        options->dataFolder = resolveProgramFolder();
    if (!QDir().mkpath(options->dataFolder)) {
        std::fprintf(stderr, "ringlarkd: the data folder '%s' cannot be made\n", qPrintable(options->dataFolder));
        return 1;
    }
    return std::nullopt;
}
