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
    const QCommandLineOption allow(QStringLiteral("allow"),
                                   QStringLiteral("Never refuse callers whose number or name matches PATTERN (NCID's "
                                                  "simple expressions: ^ start, * anything, ^1? optional 1; /regex/). "
                                                  "Stored, and the program ends; a running one sees it at its next "
                                                  "call. May be given more than once, like the options below."),
                                   QStringLiteral("PATTERN"));
    const QCommandLineOption block(QStringLiteral("block"),
                                   QStringLiteral("Refuse callers whose number or name matches PATTERN."),
                                   QStringLiteral("PATTERN"));
    const QCommandLineOption unrule(QStringLiteral("unrule"),
                                    QStringLiteral("Remove the allow and block rules with PATTERN."),
                                    QStringLiteral("PATTERN"));
    const QCommandLineOption alias(QStringLiteral("alias"),
                                   QStringLiteral("Show, speak and store NAME for calls from NUMBER (an empty NAME "
                                                  "removes it)."),
                                   QStringLiteral("NUMBER=NAME"));
    const QCommandLineOption rules(QStringLiteral("rules"),
                                   QStringLiteral("Print the screening rules with their counts, and the aliases."));
    const QCommandLineOption check(QStringLiteral("check"),
                                   QStringLiteral("Print what would happen to a call from NUMBER (and NAME, given "
                                                  "after it) and why."),
                                   QStringLiteral("NUMBER"));
    const QCommandLineOption comment(QStringLiteral("comment"),
                                     QStringLiteral("The comment kept with the rules of --allow and --block."),
                                     QStringLiteral("TEXT"));
    const QCommandLineOption import(QStringLiteral("import"),
                                    QStringLiteral("Read screening rules from FILE: NCID's ncidd.blacklist, "
                                                   "ncidd.whitelist or ncidd.alias, or vCard contacts (allowed, with "
                                                   "their names); the kind is told by the content."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption allowOnly(QStringLiteral("allow-only"),
                                       QStringLiteral("on: refuse every caller not on the allow list; off: do not."),
                                       QStringLiteral("on|off"));
    parser.addOptions({server, client, speak, verbose, exportCalls, allow, block, unrule, alias, rules, check, comment,
                       import, allowOnly});
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
    ScreeningRequest &screening = options->screening;
    QStringList positional = parser.positionalArguments();
    if (parser.isSet(check)) {
        screening.check = true;
        screening.checkNumber = parser.value(check);
        // The caller's name may follow the number.
        if (!positional.isEmpty())
            screening.checkName = positional.takeFirst();
    }
    screening.allow = parser.values(allow);
    screening.block = parser.values(block);
    screening.unrule = parser.values(unrule);
    screening.aliases = parser.values(alias);
    screening.imports = parser.values(import);
    screening.comment = parser.value(comment);
    screening.listRules = parser.isSet(rules);
    if (parser.isSet(allowOnly)) {
        const QString v = parser.value(allowOnly);
        if (v != QLatin1String("on") && v != QLatin1String("off"))
            return failure(QStringLiteral("--allow-only wants on or off, not '%1'").arg(v));
        screening.allowOnly = v == QLatin1String("on") ? 1 : 0;
    }
    if (parser.isSet(comment) && screening.allow.isEmpty() && screening.block.isEmpty())
        return failure(QStringLiteral("--comment goes with --allow or --block"));
    if (!positional.isEmpty())
        return failure(QStringLiteral("unexpected argument '%1'").arg(positional.constFirst()));
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
    // Each ends the run when done: one of them would be left undone without a word.
    if (options->exportCalls && screening.any())
        return failure(QStringLiteral("--export-calls goes without the screening options"));
    return std::nullopt;
}
