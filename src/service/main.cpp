// ringlarkd: the call core as a service, on QCoreApplication (no display, no widgets).
#include "EndSignals.h"
#include "EventLoop.h"
#include "Log.h"
#include "ServiceHost.h"
#include "ServiceOptions.h"

#include <QCoreApplication>
#include <QLoggingCategory>

int main(int argc, char *argv[])
{
    EventLoop::preferQts();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ringlark"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RINGLARK_VERSION));
    ServiceOptions options;
    if (const std::optional<int> status = readServiceOptions(QCoreApplication::arguments(), &options))
        return *status;
    // Each call, each client and the modem's state are the journal's at info; every line at debug
    // with --verbose.
    if (!options.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("ringlark.calls.info=true\nringlark.network.info=true"));
    ProgramLog::install(options.verbose);
    // Heard from the start on: a stop during the first modem search ends it as well.
    EndSignals stops(EndSignals::HangUp::Reloads);
    ServiceHost host(options);
    QObject::connect(&stops, &EndSignals::endRequested, &host, &ServiceHost::end);
    QObject::connect(&stops, &EndSignals::reloadRequested, &host, &ServiceHost::reload);
    QObject::connect(&host, &ServiceHost::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (!host.start())
        return 1;
    return app.exec();
}
