// The platform stand-ins: tray record, timers and waits on the swappable clock, message box
// script, single instance, COM port names, wave images.
#include "AppState.h"
#include "Clock.h"
#include "ComPorts.h"
#include "DesktopIdentity.h"
#include "DesktopNotifier.h"
#include "DeviceWatch.h"
#include "EndSignals.h"
#include "FileChanges.h"
#include "Log.h"
#include "MsgBox.h"
#include "ProgramFolder.h"
#include "SingleInstance.h"
#include "TestSupport.h"
#include "VbTimer.h"
#include "Waits.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <unistd.h>

namespace {

QStringList g_logged;

void keepLine(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    g_logged << QString::fromLatin1(context.category) + QStringLiteral(": ") + message;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<QString>)

class tst_Platform : public QObject {
    Q_OBJECT
private slots:
    void modemLinesLogged_data()
    {
        // What the port read, in the pieces it came in ("|"), and the log's lines.
        columns<QString, QStringList>("pieces", "lines");
        row("one line", "\r\nRING\r\n", QStringList{"COM3 <- RING"});
        row("a line in pieces", "\r\nNA|ME = JO|HN\r|\n", QStringList{"COM3 <- NAME = JOHN"});
        row("lines in one piece", "DATE = 0321\rTIME = 1405\n\nNMBR",
            QStringList{"COM3 <- DATE = 0321", "COM3 <- TIME = 1405"});
        // A modem that never ends its line is still heard.
        row("no line end", QString(300, 'x'), QStringList{"COM3 <- " + QString(300, 'x')});
    }

    void modemLinesLogged()
    {
        QFETCH(QString, pieces);
        QFETCH(QStringList, lines);
        QLoggingCategory::setFilterRules(QStringLiteral("ringlark.modem.debug=true"));
        g_logged.clear();
        const QtMessageHandler old = qInstallMessageHandler(keepLine);
        ProgramLog::LineLog log(QStringLiteral("<-"));
        for (const QString &piece : pieces.split('|'))
            log.add(QStringLiteral("COM3"), piece);
        qInstallMessageHandler(old);
        QLoggingCategory::setFilterRules(QString());
        QStringList expected;
        for (const QString &l : lines)
            expected << "ringlark.modem: " + l;
        QCOMPARE(g_logged, expected);
    }

    void notificationActionsOnlyWhereShown()
    {
        const DesktopNotice notice{"JOHN DOE", "(555)-123-4567", "/icons/ringlark.ico", {{"block", "Block"}}};
        // Application, replaced id, icon, summary, body, actions, hints, timeout.
        const QList<QVariant> shown = notifyArguments(notice, true), plain = notifyArguments(notice, false);
        QCOMPARE(shown.mid(0, 5),
                 (QVariantList{"Ringlark Talking Caller ID", 0u, "/icons/ringlark.ico", "JOHN DOE", "(555)-123-4567"}));
        QCOMPARE(shown[5].toStringList(), (QStringList{"block", "Block"}));
        QCOMPARE(plain[5].toStringList(), QStringList());
        QCOMPARE(shown.size(), 8);
    }

    void trayRecord()
    {
        TrayStatus tray;
        tray.setTip(QStringLiteral("no icon")); // nothing shown: no tip to change
        QVERIFY(!tray.exists());
        QCOMPARE(tray.tip(), QString());
        tray.show(TrayStatus::ReleasedIcon, QStringLiteral("first"));
        tray.setTip(QStringLiteral("second"));
        QCOMPARE(tray.iconFile(), TrayStatus::ReleasedIcon);
        QCOMPARE(tray.tip(), QStringLiteral("second"));
        tray.remove();
        QVERIFY(!tray.exists());
        tray.showConnected();
        QCOMPARE(tray.iconFile(), TrayStatus::ConnectedIcon);
        QCOMPARE(tray.tip(), TrayStatus::ConnectedTip);
    }

    void trayTip_data()
    {
        columns<QString, QString>("text", "shown");
        // A longer tip (78 characters, 63 shown) is asserted where forwarding is left on.
        row("ended by 0", QStringLiteral("Ringlark") + QChar(0), "Ringlark");
        row("exactly 63 and 0", QString(63, QLatin1Char('x')) + QChar(0), QString(63, QLatin1Char('x')));
    }

    void trayTip()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        TrayStatus tray;
        tray.show(TrayStatus::ConnectedIcon, text);
        QCOMPARE(tray.tip(), shown);
    }

    void timerRunsOnTheClock()
    {
        FastClock clock(1000.0); // ten seconds pass in ten milliseconds
        ClockScope scope(&clock);
        VbTimer t;
        QSignalSpy spy(&t, &VbTimer::Timer);
        t.restart(0); // interval 0 is off: neither the clock nor a forced tick fires it
        t.fire();
        QVERIFY(!t.isRunning());
        const QDateTime start = clock.now();
        t.restart(10000);
        QVERIFY(spy.wait(5000));
        QVERIFY(start.msecsTo(clock.now()) >= 10000);
        t.setInterval(0);
        QVERIFY(!t.isRunning());
    }

    void pauseAcrossMidnight()
    {
        const QDateTime start(QDate(2026, 12, 6), QTime(23, 59, 59));
        FastClock clock(200.0, start);
        ClockScope scope(&clock);
        PauseSeconds(2.0);
        QVERIFY(start.msecsTo(clock.now()) > 2000);
        QCOMPARE(clock.now().date(), QDate(2026, 12, 7));
    }

    void waitWakesOnSignal()
    {
        QTimer source;
        source.setSingleShot(true);
        bool done = false;
        QTimer::singleShot(5, &source, [&] {
            done = true;
            source.start(0);
        });
        EventWait wait;
        wait.wakeOn(&source, &QTimer::timeout);
        const QDateTime deadline = Clock::current().now().addSecs(30);
        QVERIFY(wait.until(deadline, [&] { return done; }));
        QVERIFY(Clock::current().now() < deadline);
    }

    void waitEndsWithTheProgram_data()
    {
        columns<bool>("begunBefore");
        row("begun before the wait", true);
        row("begun while it runs", false);
    }
    void waitEndsWithTheProgram()
    {
        QFETCH(bool, begunBefore);
        ProgramEnd::reset();
        if (begunBefore)
            ProgramEnd::begin();
        else
            QTimer::singleShot(5, [] { ProgramEnd::begin(); });
        QElapsedTimer took;
        took.start();
        EventWait wait;
        const bool done = wait.until(Clock::current().now().addSecs(30), [] { return false; });
        ProgramEnd::reset();
        QVERIFY(!done);
        QVERIFY2(took.elapsed() < 10000, qPrintable(QString::number(took.elapsed())));
    }

    void questionsAreNotHeldBack()
    {
        MsgBoxScript boxes;
        boxes.answer(vbYes);
        {
            MsgBoxDeferral later;
            QCOMPARE(MsgBox("Block it?", MsgStyle::Question, "Block"), vbYes);
            QCOMPARE(MsgBox("The modem did not answer.", MsgStyle::Information, "Modem"), vbOK);
            QCOMPARE(boxes.titles(), QStringList({"Block"})); // asked at once; the notice waits
        }
        QCOMPARE(boxes.titles(), QStringList({"Block"}));
        QTRY_COMPARE(boxes.titles(), QStringList({"Block", "Modem"}));
    }

    void deviceWatch_data()
    {
        // Where ports/COM13 leads (relative to the program folder; empty: no link yet, made to
        // dev/modem once watched), and what is made while it is watched.
        columns<QString, QString>("link", "made");
        row("a link made in the ports folder", "", "link");
        row("a device node that appears", "dev/modem", "dev/modem");
        row("its folder itself gone", "usb/by-id/modem", "usb/by-id/modem");
    }
    void deviceWatch()
    {
        QFETCH(QString, link);
        QFETCH(QString, made);
        TestFolder folder;
        QVERIFY(QDir(folder.path()).mkpath("ports") && QDir(folder.path()).mkpath("dev"));
        if (link.isEmpty())
            folder.write("dev/modem", "");
        else
            QVERIFY(QFile::link(folder.file(link), folder.file("ports/COM13")));
        DeviceWatch watch;
        QSignalSpy there(&watch, &DeviceWatch::deviceThere);
        watch.watch(13, folder.path());
        QVERIFY(!watch.folders().isEmpty());
        QTest::qWait(20);
        QCOMPARE(there.count(), 0);
        if (made == "link") {
            QVERIFY(QFile::link(folder.file("dev/modem"), folder.file("ports/COM13")));
        } else {
            QVERIFY(QDir(folder.path()).mkpath(QFileInfo(folder.file(made)).path()));
            folder.write(made, "");
        }
        QTRY_VERIFY(there.count() > 0);
        watch.stop();
        QVERIFY(watch.folders().isEmpty());
    }

    void fileChanges_data()
    {
        // What is done in the folder, whether every write is told or only replacements, and
        // which marks move for it.
        columns<QString, bool, bool, bool>("action", "allChanges", "replaced", "changed");
        row("its own write, replacements only", "write", false, false, false);
        row("its own write, all changes", "write", true, false, true);
        row("its mode changed", "chmod", false, true, true);
        row("another file written", "other", true, false, false);
        row("written by another name (a hard link)", "link write", true, false, true);
        row("another renamed over it, then written", "rename over, write", true, true, true);
        row("another file renamed over it", "rename over", false, true, true);
        row("removed", "remove", false, true, true);
        row("renamed away", "rename away", true, true, true);
        row("its folder renamed", "rename folder", false, true, true);
    }
    void fileChanges()
    {
        QFETCH(QString, action);
        QFETCH(bool, allChanges);
        QFETCH(bool, replaced);
        QFETCH(bool, changed);
        TestFolder folder;
        QVERIFY(QDir(folder.path()).mkdir("data"));
        folder.write("data/watched.bin", "as it was");
        FileChanges changes(folder.file("data/watched.bin"),
                            allChanges ? FileChanges::Notices::AllChanges : FileChanges::Notices::Replacements);
        if (!changes.watching())
            QSKIP("the kernel tells of no changes in this folder (no inotify, or a shared file system)");
        const quint64 replacement = changes.replacementMark(), change = changes.changeMark();
        QVERIFY(replacement != 0 && change != 0);
        // Asked again with nothing done, nothing moved.
        QCOMPARE(changes.replacementMark(), replacement);
        QCOMPARE(changes.changeMark(), change);
        if (action == "write") {
            folder.write("data/watched.bin", "written again");
        } else if (action == "chmod") {
            QVERIFY(QFile::setPermissions(folder.file("data/watched.bin"), QFile::ReadOwner));
        } else if (action == "other") {
            folder.write("data/other.bin", "another");
        } else if (action == "link write") {
            QVERIFY(QDir(folder.path()).mkdir("elsewhere"));
            QVERIFY(::link(qPrintable(folder.file("data/watched.bin")),
                           qPrintable(folder.file("elsewhere/alias.bin"))) == 0);
            folder.write("elsewhere/alias.bin", "written again");
        } else if (action.startsWith("rename over")) {
            folder.write("data/other.bin", "another");
            QVERIFY(::rename(qPrintable(folder.file("data/other.bin")), qPrintable(folder.file("data/watched.bin"))) ==
                    0);
            if (action.endsWith("write")) {
                // The file now there is the one watched: its write moves the mark again.
                const quint64 replacedMark = changes.changeMark();
                QVERIFY(replacedMark != change);
                folder.write("data/watched.bin", "written again");
                QVERIFY(changes.changeMark() != replacedMark);
            }
        } else if (action == "remove") {
            QVERIFY(QFile::remove(folder.file("data/watched.bin")));
        } else if (action == "rename away") {
            QVERIFY(QFile::rename(folder.file("data/watched.bin"), folder.file("data/kept.bin")));
        } else {
            QVERIFY(QDir(folder.path()).rename("data", "data.old"));
        }
        QCOMPARE(changes.replacementMark() != replacement, replaced);
        QCOMPARE(changes.changeMark() != change, changed);
    }

    void endSignalReachesTheLoop_data()
    {
        // What SIGHUP means to the program; the signal sent; the ends and reloads it asks for.
        columns<bool, int, int, int>("hangUpReloads", "signal", "ends", "reloads");
        row("a terminal's program, SIGTERM", false, SIGTERM, 1, 0);
        row("a terminal's program, SIGHUP", false, SIGHUP, 1, 0);
        row("a service, SIGTERM", true, SIGTERM, 1, 0);
        row("a service, SIGHUP", true, SIGHUP, 0, 1);
    }

    void endSignalReachesTheLoop()
    {
        QFETCH(bool, hangUpReloads);
        QFETCH(int, signal);
        EndSignals stops(hangUpReloads ? EndSignals::HangUp::Reloads : EndSignals::HangUp::Ends);
        QVERIFY(stops.installed());
        QSignalSpy ends(&stops, &EndSignals::endRequested);
        QSignalSpy reloads(&stops, &EndSignals::reloadRequested);
        QCOMPARE(::kill(::getpid(), signal), 0);
        QTRY_COMPARE(ends.count() + reloads.count(), 1);
        QTest::qWait(50);
        QTEST(int(ends.count()), "ends");
        QTEST(int(reloads.count()), "reloads");
    }

    void singleInstancePerFolder()
    {
        TestFolder a, b;
        SingleInstance first(a.path());
        QVERIFY(first.acquire());
        int shown = 0;
        QString token = "none";
        first.listen([&](const QString &t) {
            ++shown;
            token = t;
        });
        SingleInstance second(a.path());
        QVERIFY(!second.acquire());
        // The second start asks the running copy to show its window; another folder's copy
        // hears nothing of it.
        SingleInstance other(b.path());
        QVERIFY(other.acquire());
        int otherShown = 0;
        other.listen([&](const QString &) { ++otherShown; });
        QVERIFY(second.askRunningToShow());
        QTRY_COMPARE(shown, 1);
        QCOMPARE(token, QString());
        QCOMPARE(otherShown, 0);
        // With the desktop's token for the window, which the running copy raises it with.
        QVERIFY(second.askRunningToShow("icewm-1234-host-ringlark-0_TIME5678"));
        QTRY_COMPARE(shown, 2);
        QCOMPARE(token, "icewm-1234-host-ringlark-0_TIME5678");
        QCOMPARE(otherShown, 0);
    }

    void showRequests_data()
    {
        // A line a later start (or anyone of the same user) sends; the token heard, or none: the
        // request is ignored.
        columns<QByteArray, std::optional<QString>>("line", "token");
        row("without a token", QByteArray("show\n"), std::optional<QString>(QString()));
        row("Wayland token", QByteArray("show 1f0c-aa9_b\n"), std::optional<QString>("1f0c-aa9_b"));
        row("X11 startup id", QByteArray("show kde-1-h-app-0_TIME99\n"),
            std::optional<QString>("kde-1-h-app-0_TIME99"));
        row("longest", "show " + QByteArray(SingleInstance::MaxRequest - 6, 'x') + "\n",
            std::optional<QString>(QString(SingleInstance::MaxRequest - 6, 'x')));
        row("too long", "show " + QByteArray(SingleInstance::MaxRequest - 5, 'x') + "\n", std::optional<QString>());
        row("blank in the token", QByteArray("show a b\n"), std::optional<QString>());
        row("control character", QByteArray("show a\x1b[2J\n"), std::optional<QString>());
        row("empty token", QByteArray("show \n"), std::optional<QString>());
        row("no line end", QByteArray("show"), std::optional<QString>());
        row("other word", QByteArray("shown\n"), std::optional<QString>());
    }

    void showRequests()
    {
        QFETCH(QByteArray, line);
        QFETCH(std::optional<QString>, token);
        QCOMPARE(SingleInstance::tokenOfRequest(line), token);
        if (token)
            QCOMPARE(SingleInstance::tokenOfRequest(SingleInstance::showRequest(*token)), token);
    }

    void menuEntryMatchesTheWindow()
    {
        // The desktop matches the window to its menu entry by the entry's StartupWMClass (X11)
        // and by its file name (Wayland app id).
        QFile entry(QStringLiteral(RINGLARK_DATA_DIR "/desktop/") + DesktopIdentity::desktopId() + ".desktop");
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray text = entry.readAll();
        QVERIFY(text.contains("\nStartupWMClass=" + DesktopIdentity::applicationName().toUtf8() + "\n"));
        QVERIFY(text.contains("\nIcon=" + DesktopIdentity::desktopId().toUtf8() + "\n"));
    }

    void staleLockIsTakenOver()
    {
        TestFolder folder;
        // A lock written by a copy that has died: a process number that cannot be alive.
        folder.write("ringlark.lock", "2147483646\nringlark\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        SingleInstance instance(folder.path());
        QVERIFY(instance.acquire());
    }

    void comPortNames_data()
    {
        columns<int, QString>("com", "device");
        row("COM1", 1, "/dev/ttyS0");
        row("COM4", 4, "/dev/ttyS3");
        row("COM5", 5, "/dev/ttyUSB0");
        row("COM12", 12, "/dev/ttyACM3");
        row("COM13", 13, "");
        row("linked", 3, "/dev/null");
    }

    void comPortNames()
    {
        QFETCH(int, com);
        QFETCH(QString, device);
        TestFolder folder;
        QDir(folder.path()).mkdir("ports");
        QVERIFY(QFile::link("/dev/null", folder.file("ports/COM3")));
        QCOMPARE(comDevicePath(com, folder.path()), device);
    }

    void openFailureReasons()
    {
        // A missing device is named by the modem search (tst_detect), a held one by the busy box.
        QVERIFY(explainOpenFailure("/dev/null", "Permission error while locking the device").contains("in use"));
        QVERIFY(!explainOpenFailure(QString(), QString()).isEmpty());
    }

    void userFolderTakesTheProgramsData()
    {
        // The program's folder became read-only: the user's settings, calls and blocked numbers go
        // to the user's data folder, and what is there already stays. Shipped files stay where
        // they are installed and are read from there, so that an upgrade reaches the user.
        TestFolder install, user;
        QVERIFY(QDir(install.path()).mkpath("bin") && QDir(install.path()).mkpath("share/ringlark"));
        const QString bin = install.file("bin"), share = install.file("share/ringlark");
        for (const char *name : {"acsetup.bin", "Array.bin", "blocked.bin"})
            install.write(QString("bin/") + name, QByteArray("program ") + name);
        install.write("share/ringlark/desetup.bin", "new defaults");
        install.write("share/ringlark/RINGLARK.HLP", "new help");
        user.write("blocked.bin", "the user's newer list");
        user.write("RINGLARK.HLP", "old help, copied by an earlier version");
        user.write("ringlark.ico", "old icon");
        seedUserFolder(bin, user.path());
        QCOMPARE(user.bytes("acsetup.bin"), QByteArray("program acsetup.bin"));
        QCOMPARE(user.bytes("Array.bin"), QByteArray("program Array.bin"));
        QCOMPARE(user.bytes("blocked.bin"), QByteArray("the user's newer list"));
        QVERIFY(!user.exists("desetup.bin"));
        // Next start: the user's folder is the program's; nothing is copied over it again.
        user.write("Array.bin", "calls since");
        seedUserFolder(bin, user.path());
        QCOMPARE(user.bytes("Array.bin"), QByteArray("calls since"));

        QCOMPARE(findShippedFolder(bin), QDir(share).absolutePath());
        AppState state(user.path(), findShippedFolder(bin));
        QCOMPARE(state.helpFile(), QDir(share).filePath("RINGLARK.HLP"));
        QCOMPARE(state.setupFile.defaultsPath(), QDir(share).filePath("desetup.bin"));
        QCOMPARE(state.shippedFile("ringlark.ico"), user.file("ringlark.ico")); // not installed: the old copy serves
    }
};

QTEST_MAIN(tst_Platform)
#include "tst_platform.moc"
