// The modem search against simulated modems linked as COM ports of a program folder whose
// other COM numbers name no device: the scan, the caller-ID probe, the system's modem list.
#include "AppState.h"
#include "ComPorts.h"
#include "ModemRegistry.h"
#include "ModemSearch.h"
#include "ModemSim.h"
#include "TestSupport.h"
#include "WindowRig.h"

#include <QDir>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <map>
#include <memory>

namespace {

struct ListView : ISearchView {
    void clearList() override { lines.clear(); }
    void addLine(const QString &line) override { lines << line; }
    void setProgress(const QString &text) override { progress = text; }
    void showPortNumber(int port) override { shownPort = port; }
    QStringList lines;
    QString progress;
    int shownPort = 0;
};

struct Registry : ModemRegistry {
    Registry() { install(this); }
    ~Registry() override { install(nullptr); }
    QList<KnownModem> modems(const QString &) override { return list; }
    QList<KnownModem> list;
};

// What a simulated modem does besides taking its caller-ID commands.
void behave(ModemSim &sim, const QString &how)
{
    sim.setSilent(how == "silent");
    if (how == "stops") // answers ATI, then nothing more (pulled out, or hung)
        QObject::connect(&sim, &ModemSim::commandReceived, &sim, [&sim](const QString &c) {
            if (c == "ATI10")
                sim.setSilent(true);
        });
}

// Simulated modems on the given COM numbers; every other number names a device that is not there.
struct Rig {
    // COM number -> caller-ID commands it takes, or "silent" / "stops" for a device that does not answer
    explicit Rig(const QMap<int, QStringList> &modems)
    {
        folder.copyDefaults();
        noOtherPorts(folder.path(), modems.keys());
        for (int n : modems.keys()) {
            auto m = std::make_unique<ModemSimThread>();
            m->linkAs(folder.path(), n);
            const QStringList takes = modems.value(n);
            m->run([takes](ModemSim &sim) {
                sim.setCallerIdCommands(takes);
                behave(sim, takes.value(0));
            });
            sims.emplace(n, std::move(m));
        }
        state = std::make_unique<AppState>(folder.path());
        state->setupFile.load(state->settings);
        search = std::make_unique<ModemSearch>(*state, *state, *state, view);
    }
    QByteArray record(int n) const { return folder.bytes("acsetup.bin").mid((n - 1) * 100, 100); }

    TestFolder folder;
    std::map<int, std::unique_ptr<ModemSimThread>> sims;
    std::unique_ptr<AppState> state;
    ListView view;
    std::unique_ptr<ModemSearch> search;
};

// Every caller-ID command the search knows (read when called: a static of another file).
QStringList everything()
{
    return ModemSearch::CallerIdCandidates;
}

} // namespace

class tst_Detect : public QObject {
    Q_OBJECT
private slots:
    void init() { m_t = std::make_unique<TestScope>(100.0); } // a three-second reply in 30 ms
    void cleanup() { m_t.reset(); }

    void scanFindsTheModem_data()
    {
        QTest::addColumn<int>("com");
        row("COM3", 3);
        row("COM16, the last one scanned", 16);
    }

    void scanFindsTheModem()
    {
        QFETCH(int, com);
        Registry none;
        Rig rig({{com, everything()}});
        rig.search->automaticSearch();
        QVERIFY(rig.state->ModemConfigured);
        QVERIFY(!rig.state->ModemDetectionRunning);
        const QStringList &l = rig.view.lines;
        QVERIFY2(l.contains("/nonexistent/COM1 does not exist."), qPrintable(l.join("|"))); // said at once
        const QString n = QString::number(com);
        QVERIFY(l.contains("Checking COM" + n + "..."));
        QCOMPARE(l.filter("Ringlark Simulated 56K Voice Modem (I").size(), 10); // one answer line per ATI
        QCOMPARE(l.mid(l.size() - 3),
                 (QStringList{"Modem_Name = Modem", "COM_Port = " + n, "Modem Caller ID String = AT+VCID=1"}));
        QVERIFY(com == 16 || !l.contains("Checking COM4...")); // the first modem with caller ID ends the search
        QCOMPARE(rig.record(2), settingsRecord("COM_Port = " + n));
        QCOMPARE(rig.record(3), settingsRecord("Modem_Name = Modem"));
        QCOMPARE(rig.record(4), settingsRecord("Call_Id_AT_Command = AT+VCID=1"));
        QCOMPARE(rig.sims.at(com)->commandTexts().mid(10), QStringList{"AT+VCID=1"}); // nothing else tried
        QVERIFY(!rig.search->comm2().PortOpen()); // caller ID may take the modem now
        QVERIFY(m_t->boxes.shown.isEmpty());
    }

    void probeTriesTheCandidatesInOrder()
    {
        Registry known;
        known.list = {{"COM1", "Voice Modem"}};
        Rig rig({{1, {"AT#CLS=8#CID=1"}}});
        rig.search->automaticSearch();
        QCOMPARE(rig.sims.at(1)->commandTexts(), QStringList{"AT"} + everything().mid(0, 5)); // no ATI
        QCOMPARE(rig.state->settings.Call_Id_AT_Command, QStringLiteral("AT#CLS=8#CID=1"));
        QCOMPARE(rig.record(4), settingsRecord("Call_Id_AT_Command = AT#CLS=8#CID=1"));
        QCOMPARE(rig.record(3), settingsRecord("Modem_Name = Voice Modem"));
    }

    void knownModemsWithoutCallerId()
    {
        // However many the system lists, each is asked "AT": a device that is gone is no modem,
        // a held one gives no verdict; the two that refuse every caller-ID command get the
        // message each, and the last one is kept.
        Registry known;
        for (int n = 4; n <= 11; ++n)
            known.list.append({QStringLiteral("COM%1").arg(n), "Gone"});
        known.list += {{"COM1", "Held"}, {"COM2", "First"}, {"COM12", ""}};
        Rig rig({{1, everything()}, {2, {}}, {12, {}}});
        PortHolder held(rig.sims.at(1)->devicePath());
        if (!held.holding())
            QSKIP("cannot hold the port here");
        rig.search->automaticSearch();
        QCOMPARE(m_t->boxes.titles(), QStringList(2, "Modem Detection"));
        QVERIFY(m_t->boxes.shown[0].text.startsWith("Your Modem do not supports Caller ID!\rCaller Identification"));
        QVERIFY(rig.sims.at(1)->commandTexts().isEmpty());
        QCOMPARE(rig.sims.at(2)->commandTexts(), QStringList{"AT"} + everything());
        QCOMPARE(rig.record(2), settingsRecord("COM_Port = 12"));
        QCOMPARE(rig.record(3), settingsRecord("Modem_Name = Modem")); // an empty name
        QCOMPARE(rig.record(4), settingsRecord("Call_Id_AT_Command = No_CallerId_String_Found"));
        QCOMPARE(rig.view.lines.mid(0, 1), QStringList{"Modem did not detect Caller ID String"});
    }

    void verdicts_data()
    {
        columns<QString, QString, QString>("device", "problem", "kept");
        row("a held listed modem: no verdict", "held", "in use by another program (ringlark-modem", "");
        row("a modem that stops answering: no verdict", "stops", "stopped answering", "");
        row("a silent listed device is no modem: the scan finds COM3", "arduino", "", "3");
    }

    void verdicts()
    {
        QFETCH(QString, device);
        QFETCH(QString, problem);
        QFETCH(QString, kept);
        Registry known;
        QMap<int, QStringList> modems{{1, {"stops"}}};
        if (device == "held") {
            known.list = {{"COM1", "Voice Modem"}};
            modems = {{1, everything()}};
        } else if (device == "arduino") {
            known.list = {{"COM2", "Arduino Uno"}};
            modems = {{2, {"silent"}}, {3, everything()}};
        }
        Rig rig(modems);
        std::unique_ptr<PortHolder> held;
        if (device == "held" && !(held = std::make_unique<PortHolder>(rig.sims.at(1)->devicePath()))->holding())
            QSKIP("cannot hold the port here");
        const QByteArray before = rig.folder.bytes("acsetup.bin");
        rig.search->automaticSearch();
        QCOMPARE(m_t->boxes.titles(), QStringList());
        const QString list = rig.view.lines.join('|');
        if (kept.isEmpty()) {
            // Nothing stored, so the next start searches again; the reason stays in view.
            QCOMPARE(rig.folder.bytes("acsetup.bin"), before);
            QVERIFY(!rig.state->ModemConfigured);
            QVERIFY2(list.contains(problem), qPrintable(list));
            QVERIFY(rig.state->detectionProblems.join('|').contains(problem)); // for the "not found" box
        } else {
            QCOMPARE(rig.record(2), settingsRecord("COM_Port = " + kept));
            QCOMPARE(rig.record(4), settingsRecord("Call_Id_AT_Command = AT+VCID=1"));
            QCOMPARE(rig.sims.at(2)->commandTexts().value(0), QStringLiteral("AT"));
            QVERIFY(!rig.sims.at(2)->commandTexts().contains("AT+VCID=1"));
        }
    }

    void silentPortTakesThirtySeconds()
    {
        // Ten identification commands with about three seconds each, on the program's clock.
        // A slower clock than the others: a busy machine's delays are multiplied by its speed.
        m_t.reset();
        m_t = std::make_unique<TestScope>(20.0);
        Registry none;
        Rig rig({{1, {"silent"}}});
        const QDateTime start = Clock::current().now();
        QVERIFY(!rig.search->portTest(1));
        const qint64 ms = start.msecsTo(Clock::current().now());
        QVERIFY2(ms >= 30000 && ms < 34000, qPrintable(QString::number(ms)));
    }

    void searchLife_data()
    {
        QTest::addColumn<QString>("act");
        row("the window's close box during the search", QString("close"));
        row("Exit during the search", QString("exit"));
        row("the Modem menu while the window is loaded", QString("menu"));
    }

    void searchLife()
    {
        // A first start with a silent modem: the search runs long enough to be interrupted.
        QFETCH(QString, act);
        Registry none;
        WindowRig rig({{2, "COM_Port = 0"}});
        noOtherPorts(rig.folder.path(), {1});
        rig.modem->run([](ModemSim &sim) { sim.setSilent(true); });
        if (act != "menu") {
            QTimer::singleShot(50, [&] {
                if (act == "close") {
                    QVERIFY(rig.window->detectWindow());
                    rig.window->detectWindow()->close();
                } else {
                    m_t->boxes.answer(vbYes);
                    rig.window->ui.mnuExit->trigger();
                }
            });
        }
        QCOMPARE(rig.load(), act != "exit");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (act == "exit") {
            QCOMPARE(m_t->boxes.titles(), QStringList{"Exit Confirmation!"});
            QVERIFY(!rig.state->MSComm1.PortOpen());
        } else if (act == "close") {
            QCOMPARE(m_t->boxes.titles(), QStringList()); // a stopped search gives no verdict
        } else {
            QCOMPARE(m_t->boxes.titles(), QStringList{"Modem Detection"}); // no modem: said once
        }
        if (act != "menu") {
            QVERIFY(!rig.window->detectWindow());
            QVERIFY2(rig.modem->commandTexts().size() < 10, qPrintable(rig.modem->commandTexts().join(' ')));
            return;
        }
        rig.modem->clearLog();
        rig.window->ui.mnuModemSelection->trigger(); // searches again
        QCOMPARE(rig.modem->commandTexts().mid(0, 10).value(9), QStringLiteral("ATI10"));
        QCOMPARE(rig.window->detectWindow()->Label1->text(), QStringLiteral("Test Finished"));
        QCOMPARE(rig.window->detectWindow()->lblPortNumber->text(), QStringLiteral("1")); // not 0: no port found
    }

    void stoppedSearchKeepsTheModem_data()
    {
        QTest::addColumn<QString>("how");
        row("the window's close box during a search from the Modem menu", QString("close"));
    }

    void stoppedSearchKeepsTheModem()
    {
        // A working modem on COM1; the Modem menu searches again and the search is cut short:
        // nothing stored changes, no verdict is shown, and caller ID is armed again on the modem.
        QFETCH(QString, how);
        Registry none;
        WindowRig rig;
        noOtherPorts(rig.folder.path(), {1});
        QVERIFY(rig.load());
        const QByteArray before = rig.folder.bytes("acsetup.bin");
        QObject::connect(
            rig.modem->sim(), &ModemSim::commandReceived, rig.state.get(),
            [&](const QString &c) {
                if (c != QLatin1String("ATI3"))
                    return;
                if (how == "close")
                    rig.window->detectWindow()->close();
            },
            Qt::QueuedConnection);
        rig.modem->clearLog();
        rig.window->ui.mnuModemSelection->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(rig.modem->commandTexts().contains("AT+VCID=1"), 5000);
        QCOMPARE(m_t->boxes.titles(), QStringList());
        QCOMPARE(rig.folder.bytes("acsetup.bin"), before);
        QVERIFY(rig.state->ModemConfigured);
        QVERIFY(rig.state->MSComm1.PortOpen());
    }

    void heldPortIsNamed()
    {
        Registry none;
        Rig rig({{1, everything()}});
        PortHolder held(rig.sims.at(1)->devicePath());
        if (!held.holding())
            QSKIP("cannot hold the port here");
        rig.search->portTest(1);
        const QString said = rig.view.lines.filter("in use by another program").value(0);
        QVERIFY2(said.contains("ringlark-modem"), qPrintable(rig.view.lines.join('|')));
    }

    void noModemAtAll()
    {
        Registry none;
        Rig rig({});
        const QByteArray before = rig.folder.bytes("acsetup.bin");
        rig.search->automaticSearch();
        QVERIFY(!rig.state->ModemConfigured);
        QCOMPARE(rig.folder.bytes("acsetup.bin"), before);
        QVERIFY(m_t->boxes.shown.isEmpty());
    }

    void manualTest()
    {
        Rig rig({{5, everything()}});
        rig.state->Timer1.restart(10000); // a call rings: no test
        QVERIFY(!rig.search->manualTest(5));
        QVERIFY(rig.sims.at(5)->commandTexts().isEmpty());
        rig.state->Timer1.off();
        // Nor while the pager after a call, the end of a call or a user command has the port.
        for (bool *busy : {&rig.state->flags.PagerInProgress, &rig.state->callEnding}) {
            *busy = true;
            QVERIFY(!rig.search->manualTest(5));
            QString why;
            QVERIFY(!rig.search->chooseByHand(rig.sims.at(5)->devicePath(), "AT+VCID=1", &why));
            QCOMPARE(why, QStringLiteral("Wait until the running test or call has ended."));
            *busy = false;
        }
        QVERIFY(rig.sims.at(5)->commandTexts().isEmpty());
        QVERIFY(rig.search->manualTest(5));
        QVERIFY(rig.view.lines.contains("Modem is on COM 5"));
        QCOMPARE(rig.record(2), settingsRecord("COM_Port = 5"));
        QCOMPARE(rig.view.progress, QStringLiteral("Test Finished"));
        QVERIFY(!rig.state->flags.ModemSearchInProgress);
        QVERIFY(rig.search->manualTest(6));
        QCOMPARE(rig.view.lines.last(), QStringLiteral("No Modem is found on COM 6"));

        // By hand: any device (here one beyond the COM table) and any command, stored as a COM
        // number that links to it and the command.
        QString error;
        QVERIFY(!rig.search->chooseByHand("/dev/no-such-modem", "AT+VCID=1", &error));
        QCOMPARE(error, QStringLiteral("/dev/no-such-modem does not exist."));
        // A device that is there but no modem, or a modem that refuses the command, is told of,
        // and nothing is stored.
        const QByteArray stored = rig.folder.bytes("acsetup.bin");
        ModemSimThread silent;
        silent.run([](ModemSim &sim) { sim.setSilent(true); });
        QVERIFY(!rig.search->chooseByHand(silent.devicePath(), "AT+VCID=1", &error));
        QVERIFY2(error.contains("does not answer AT with OK"), qPrintable(error));
        QVERIFY(!rig.search->chooseByHand("/dev/null", "AT+VCID=1", &error));
        QVERIFY2(error.startsWith("/dev/null could not be opened"), qPrintable(error));
        ModemSimThread refusing;
        refusing.run([](ModemSim &sim) { sim.setCallerIdCommands({"AT+VCID=1"}); });
        QVERIFY(!rig.search->chooseByHand(refusing.devicePath(), "AT#CID=1", &error));
        QVERIFY2(error.contains("answers AT#CID=1 with ERROR"), qPrintable(error));
        QCOMPARE(rig.folder.bytes("acsetup.bin"), stored);
        QCOMPARE(rig.state->settings.comPortNumber(), 5);
        ModemSimThread pci;
        QVERIFY(rig.search->chooseByHand(pci.devicePath(), " AT#CID=1 ", &error));
        QCOMPARE(pci.commandTexts(), QStringList({"AT", "AT#CID=1"})); // asked before it is stored
        const int com = rig.state->settings.comPortNumber();
        QCOMPARE(comDevicePath(com, rig.folder.path()), pci.devicePath());
        QCOMPARE(rig.record(2), settingsRecord("COM_Port = " + QString::number(com)));
        QCOMPARE(rig.record(4), settingsRecord("Call_Id_AT_Command = AT#CID=1"));
        QVERIFY(rig.state->ModemConfigured);
    }

private:
    std::unique_ptr<TestScope> m_t;
};

QTEST_MAIN(tst_Detect)
#include "tst_detect.moc"
