#include "RunProgram.h"

#include "AppState.h"
#include "CallExportCommand.h"
#include "CommandLine.h"
#include "DesktopIdentity.h"
#include "EndSignals.h"
#include "EventLoop.h"
#include "Log.h"
#include "MsgBox.h"
#include "ProgramFolder.h"
#include "Screening.h"
#include "ScreeningCommand.h"
#include "ScreeningWatch.h"
#include "SingleInstance.h"
#include "SoundOutput.h"
#include "WindowMessageBoxes.h"
#include "frmMain.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QStyleFactory>
#include <QTimer>

int runProgram(int argc, char *argv[], const std::function<void(AppState &, frmMain &)> &loaded)
{
    RunOptions options;
    if (const std::optional<int> status = handleCommandLine(argc, argv, &options))
        return *status;
    ProgramLog::install(options.verbose);
    if (options.exportCalls) {
        // No window, no modem: a core application finds the data folder.
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName(DesktopIdentity::applicationName());
        return exportCallsCommand(*options.exportCalls);
    }
    if (options.screening.any()) {
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName(DesktopIdentity::applicationName());
        // The command says what went wrong itself, in one line: the store's own notes are for --verbose.
        if (!options.verbose)
            QLoggingCategory::setFilterRules(QStringLiteral("ringlark.files.warning=false\nringlark.files.info=false"));
        return screeningCommand(options.screening);
    }
    // Taken before the window system's connection is made: Qt's X11 plugin takes the start's id
    // out of the environment for its own first window.
    const QString startToken = SingleInstance::startToken();
    SoundOutput::nameStreams();
    // Nothing of the program needs GLib's loop; a platform theme's own file dialogs (GTK's) do,
    // so Qt's dialogs are used without it.
    if (EventLoop::preferQts())
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    // The window's class (X11) and app id (Wayland) match the menu entry.
    QApplication::setApplicationName(DesktopIdentity::applicationName());
    QGuiApplication::setDesktopFileName(DesktopIdentity::desktopId());
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The program lives in the tray: closing a message box while the window is hidden must not
    // end it. It ends only through its own exit.
    QApplication::setQuitOnLastWindowClosed(false);
    WindowMessageBoxes boxes;
    installMessageBoxes(&boxes);
    const auto uninstall = qScopeGuard([] { installMessageBoxes(nullptr); });

    AppState state(resolveProgramFolder(), findShippedFolder(QCoreApplication::applicationDirPath()));
    state.startToken = startToken;
    state.options = options.applied(ProgramSettings::load(state.folder()));
    // The user's screening rules, for every call of this run; told once when they cannot be used.
    Screening screening(state.folder());
    screening.open();
    Screening::install(&screening);
    const auto noScreening = qScopeGuard([] { Screening::install(nullptr); });
    // A change from the command line is read while the line is quiet; each call's first ring
    // looks again itself (a cheap query), for a change made in the last moments.
    const ScreeningWatch screeningChanges(screening, [&state] { return state.Timer1.Interval() < 1; });
    if (const QString problem = screening.problem(); !problem.isEmpty())
        QTimer::singleShot(0, &app,
                           [problem] { MsgBox(problem, MsgStyle::Exclamation, QStringLiteral("Call Screening")); });
    frmMain window(state);
    QObject::connect(&window, &frmMain::programEnded, &app, &QApplication::quit, Qt::QueuedConnection);
    // Heard from the first search on: a kill during it ends the program as well.
    EndSignals endSignals;
    QObject::connect(&endSignals, &EndSignals::endRequested, &window, &frmMain::endBySignal);
    if (!window.Form_Load())
        return 0;
    if (loaded)
        loaded(state, window);
    return app.exec();
}
