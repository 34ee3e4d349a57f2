// Incoming calls from the simulated modem to the screen, the speaker and Array.bin, through the
// real main window: shown, spoken, stored, refused on the line, browsed.
#include "AppState.h"
#include "BlockedFile.h"
#include "Clock.h"
#include "ModemSim.h"
#include "MsgBox.h"
#include "SoundOutput.h"
#include "TestSupport.h"
#include "clsPlayWaveFile.h"
#include "frmMain.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <memory>

namespace {

// Stands in for the sound card: one device, and the words it was given.
class SoundRecorder : public SoundOutput {
public:
    int waveOutGetNumDevs() override { return 1; }
    bool sndPlaySound(const QByteArray &image) override
    {
        for (int id = 101; id <= 114; ++id) {
            if (clsPlayWaveFile::resource(id) == image)
                played << id;
        }
        return true;
    }
    QList<int> played;
};

const QByteArray JohnDoe = "\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 5551234567\r\nNAME = JOHN DOE\r\n";
const QByteArray MaryRoe = "\r\nDATE = 0321\r\nTIME = 1406\r\nNMBR = 3055550100\r\nNAME = MARY ROE\r\n";
const QByteArray Ring = "\r\nRING\r\n";

QByteArray dots(const QByteArray &record)
{
    return record + QByteArray(80 - record.size(), '.');
}

struct Rig {
    explicit Rig(QMap<int, QString> records = {})
    {
        folder.copyProgramData();
        records.insert(2, "COM_Port = 1");
        records.insert(4, "Call_Id_AT_Command = AT+VCID=1");
        folder.writeSettings(records);
        modem = std::make_unique<ModemSimThread>();
        modem->linkAs(folder.path(), 1);
        state = std::make_unique<AppState>(folder.path());
        window = std::make_unique<frmMain>(*state);
        loaded = window->Form_Load();
        modem->clearLog();
    }
    ~Rig()
    {
        window.reset();
        state.reset();
    }
    ModemSim::Call call(const QByteArray &report, int ringsAfter = 2) const
    {
        ModemSim::Call c;
        c.report = report;
        c.ringsBefore = 1;
        c.ringsAfter = ringsAfter;
        c.ringGapMs = 10;
        c.chunkSize = 6;
        c.chunkGapMs = 1;
        return c;
    }
    int storedCalls() const { return int(folder.bytes("Array.bin").size() / 80); }
    QByteArray record(int n) const { return folder.bytes("Array.bin").mid((n - 1) * 80, 80); }
    CallState &callState() { return window->services().call; }

    TestFolder folder;
    std::unique_ptr<ModemSimThread> modem;
    std::unique_ptr<AppState> state;
    std::unique_ptr<frmMain> window;
    bool loaded = false;
};

} // namespace

class tst_Calls : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void callIsShownSpokenAndStored();
    void nothingHappensBeforeTheNameLineEnds();
    void withoutPopUpTheWindowStaysDown();
    void refusedCallsAreDroppedOnTheLine_data();
    void refusedCallsAreDroppedOnTheLine();
    void callsWithoutCallerId();
    void reportBeforeTheFirstRing_data();
    void reportBeforeTheFirstRing();
    void serviceInProgressKeepsTheHandlerAway();
    void chatterWithoutRingsDoesNotPileUp();
    void browsingAfterCalls();
    void arrowsWaitWhileRinging();
    void callWhileAWriteFailureBoxIsOpen();
    void numberOnlyReportAtTheEndOfTheCall_data();
    void numberOnlyReportAtTheEndOfTheCall();
    void pagerIsToldAfterTheCall();

private:
    std::unique_ptr<TestScope> m_t;
    std::unique_ptr<SoundRecorder> m_sound;
};

void tst_Calls::initTestCase()
{
    pinLocale();
}

void tst_Calls::init()
{
    // Ten seconds of silence end a call: here in 200 ms.
    m_t = std::make_unique<TestScope>(50.0, QDateTime(QDate(2026, 12, 6), QTime(10, 0)));
    m_sound = std::make_unique<SoundRecorder>();
    SoundOutput::install(m_sound.get());
}

void tst_Calls::cleanup()
{
    SoundOutput::install(nullptr);
    m_sound.reset();
    m_t.reset();
}

void tst_Calls::callIsShownSpokenAndStored()
{
    Rig rig;
    QVERIFY(rig.loaded);
    rig.window->minimise();
    rig.modem->placeCall(rig.call(JohnDoe));
    QTRY_COMPARE_WITH_TIMEOUT(rig.state->display.Label1(), QStringLiteral("(555)-123-4567"), 5000);
    QCOMPARE(rig.state->display.Label2(), QStringLiteral("JOHN  DOE"));
    QCOMPARE(rig.state->display.Label3(), QStringLiteral("March 21, 2026\r\n02:05 PM"));
    QVERIFY(!rig.window->isInTray());
    QVERIFY(rig.window->isVisible());
    QCOMPARE(m_sound->played, QList<int>({112, 106, 106, 106, 102, 103, 104, 105, 106, 107, 108}));
    // The last report as received (a ring that came in the same read may follow it), framed by CR LF.
    const QByteArray kept = rig.folder.bytes("acsetup.bin").mid(400, 100);
    QVERIFY2(kept.startsWith("\r\n" + Ring + JohnDoe), kept.constData());
    QByteArray framed = kept;
    while (framed.endsWith(' '))
        framed.chop(1);
    QVERIFY2(framed.endsWith("\r\n\r\n"), kept.constData()); // the last line's end, then the frame

    QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
    QCOMPARE(rig.record(1), dots("CL=1DT=3/21/2026TM=02:05 PMNM=JOHN  DOENB=(555)-123-4567RG=3END"));
    QCOMPARE(rig.state->LogPosition, 1);
    QCOMPARE(rig.state->display.Label2(), QStringLiteral("JOHN  DOE"));
    QVERIFY(rig.state->Timer2.isRunning());
    QCOMPARE(rig.state->Timer1.Interval(), 0);
    QVERIFY(rig.callState().buffer.isEmpty());
    QCOMPARE(rig.window->services().log.model().rowCount(), 1);
    QVERIFY(rig.modem->commandTexts().isEmpty()); // a shown call is left alone on the line
}

void tst_Calls::nothingHappensBeforeTheNameLineEnds()
{
    Rig rig;
    const QByteArray first = Ring + JohnDoe.left(JohnDoe.indexOf("DOE") + 3); // "NAME = JOHN DOE", no line end
    rig.modem->send(first);
    QTRY_VERIFY_WITH_TIMEOUT(rig.callState().buffer.endsWith(QString::fromLatin1(first)), 5000);
    QVERIFY(rig.callState().RingSeen);
    QVERIFY(!rig.callState().ReportProcessed);
    QCOMPARE(rig.state->display.Label1(), QString());
    rig.modem->send("\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(rig.state->display.Label2(), QStringLiteral("JOHN  DOE"), 5000);
}

void tst_Calls::withoutPopUpTheWindowStaysDown()
{
    Rig rig({{6, "PopUpWindow = False"}});
    rig.window->minimise();
    rig.window->hide(); // in the tray, as with a notification area (there is none offscreen)
    rig.modem->placeCall(rig.call(JohnDoe));
    QTRY_COMPARE_WITH_TIMEOUT(rig.state->display.Label1(), QStringLiteral("(555)-123-4567"), 5000);
    QVERIFY(rig.window->isInTray());
    QVERIFY(rig.window->isHidden()); // not moved to the task bar
    QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
    QVERIFY(rig.window->isHidden());
    rig.window->trayMessage(514); // and a click on the tray icon still brings it up
    QVERIFY(!rig.window->isInTray());
}

void tst_Calls::refusedCallsAreDroppedOnTheLine_data()
{
    QTest::addColumn<bool>("telemarketer");
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("unknown caller, telemarketers blocked")
        << true << QByteArray("\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = O\r\nNAME = O\r\n")
        << dots("CL=1DT=3/21/2026TM=02:05 PMNM=UNKNOWN NAMENB=UNKNOWN NUMBERRG=1END");
    QTest::newRow("number on the blocked list") << false << JohnDoe
                                                << dots("CL=1DT=3/21/2026TM=02:05 PMNM=JOHN  DOENB=(555)-123-4567RG=1END");
}

void tst_Calls::refusedCallsAreDroppedOnTheLine()
{
    QFETCH(bool, telemarketer);
    QFETCH(QByteArray, report);
    QFETCH(QByteArray, stored);
    Rig rig({{26, telemarketer ? "BlockTeleMarketersStatus= True" : "BlockTeleMarketersStatus= False"}});
    if (!telemarketer) {
        const QByteArray text = "NB=(555)-123-4567NM=JOHN SMITHEND";
        rig.folder.write("blocked.bin", QByteArray("\x30\x00", 2) + text + QByteArray(48 - text.size(), '.'));
    }
    ModemSim::Call refused = rig.call(report);
    refused.ringGapMs = 300; // the answer comes long before the next ring would
    rig.modem->placeCall(refused);
    QVERIFY(rig.modem->waitForCommand("AT+VCID=1", 5000));
    QCOMPARE(rig.modem->commandTexts(), QStringList({"ATA", "ATH", "AT+VCID=1"}));
    QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
    QCOMPARE(rig.record(1), stored);
    QCOMPARE(rig.state->display.Label1(), QString()); // never shown
    QVERIFY(m_sound->played.isEmpty());              // nor announced
    QVERIFY(!rig.state->flags.ZapInProgress);
    QVERIFY(!rig.callState().ReportProcessed);

    // The next caller is handled as usual: the refused call did not swallow the reception.
    rig.modem->placeCall(rig.call(
        "\r\nDATE = 0321\r\nTIME = 1406\r\nNMBR = 3055550100\r\nNAME = MARY ROE\r\n"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.state->display.Label1(), QStringLiteral("(305)-555-0100"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 2, 5000);
    QVERIFY(rig.record(2).startsWith("CL=2DT=3/21/2026TM=02:06 PMNM=MARY  ROE"));
}

void tst_Calls::reportBeforeTheFirstRing_data()
{
    QTest::addColumn<bool>("telemarketer");
    QTest::addColumn<QStringList>("commands");
    QTest::newRow("shown and stored") << false << QStringList();
    QTest::newRow("refused on the line") << true << QStringList({"ATA", "ATH", "AT+VCID=1"});
}

void tst_Calls::reportBeforeTheFirstRing()
{
    QFETCH(bool, telemarketer);
    QFETCH(QStringList, commands);
    Rig rig({{26, telemarketer ? "BlockTeleMarketersStatus= True" : "BlockTeleMarketersStatus= False"}});
    ModemSim::Call call = rig.call("\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 5551234567\r\nNAME = O\r\n", 2);
    call.ringsBefore = 0;
    call.ringGapMs = telemarketer ? 300 : 10;
    rig.modem->placeCall(call);
    QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
    QCOMPARE(rig.modem->commandTexts(), commands);
    QVERIFY(rig.record(1).contains(telemarketer ? "NM=UNKNOWN NAMENB=(555)-123-4567RG=1END"
                                                : "NM=UNKNOWN NAMENB=(555)-123-4567RG=3END"));
    QTest::qWait(400); // the rings that were still to come (none after a drop) end no second call
    QCOMPARE(rig.storedCalls(), 1);
}

void tst_Calls::callsWithoutCallerId()
{
    Rig rig;
    for (int call = 1; call <= 3; ++call) {
        ModemSim::Call rings;
        rings.ringsBefore = 2;
        rings.ringGapMs = 10;
        rig.modem->placeCall(rings);
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), call, 5000);
        const QByteArray r = rig.record(call);
        QVERIFY2(r.startsWith("CL=" + QByteArray::number(call) + "DT=12/6/2026TM=10:"), r.constData());
        QVERIFY2(r.contains("NM=NO CALLER IDNB=UNKNOWN NUMBERRG=2END"), r.constData());
        if (call < 3)
            QCOMPARE(rig.state->display.Label2(), QString()); // the display is left alone
    }
    QCOMPARE(rig.state->display.Label1(), QStringLiteral("Your Modem or "));
    QCOMPARE(rig.state->display.Label2(), QStringLiteral("Phone Company do"));
    QCOMPARE(rig.state->display.Label3(), QStringLiteral("not show Caller ID !!"));
}

void tst_Calls::serviceInProgressKeepsTheHandlerAway()
{
    Rig rig;
    rig.state->flags.DialInProgress = true;
    rig.modem->send(Ring);
    QTRY_COMPARE_WITH_TIMEOUT(rig.state->MSComm1.InBufferCount(), Ring.size(), 5000);
    QCoreApplication::processEvents();
    QCOMPARE(rig.state->MSComm1.InBufferCount(), Ring.size()); // left for the service
    QVERIFY(rig.callState().buffer.isEmpty());
    QVERIFY(!rig.state->Timer1.isRunning());

    rig.state->flags.DialInProgress = false;
    rig.modem->send(Ring);
    QTRY_COMPARE_WITH_TIMEOUT(rig.callState().buffer, QString::fromLatin1(Ring + Ring), 5000);
    QVERIFY(rig.state->Timer1.isRunning());
}

void tst_Calls::chatterWithoutRingsDoesNotPileUp()
{
    Rig rig;
    for (int i = 0; i < 20; ++i)
        rig.modem->send(QByteArray(500, 'x') + "\r\nOK\r\n");
    rig.modem->send("LAST\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(rig.callState().buffer.endsWith("LAST\r\n"), 5000);
    QVERIFY(rig.callState().buffer.size() <= CallReception::MaxBufferWithoutRing);
    QVERIFY(!rig.state->Timer1.isRunning());
    rig.modem->placeCall(rig.call(JohnDoe));
    QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
    QCOMPARE(rig.record(1), dots("CL=1DT=3/21/2026TM=02:05 PMNM=JOHN  DOENB=(555)-123-4567RG=3END"));
}

void tst_Calls::browsingAfterCalls()
{
    Rig rig;
    rig.modem->placeCall(rig.call(JohnDoe));
    QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
    rig.modem->placeCall(rig.call("\r\nDATE = 0322\r\nTIME = 0905\r\nNMBR = 3055550100\r\nNAME = MARY ROE\r\n"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 2, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(rig.state->LogPosition, 2, 5000);

    const MainControls &ui = rig.window->ui;
    const struct {
        QPushButton *button;
        const char *number;
        const char *name;
        int position;
    } steps[] = {
        {ui.cmdDownLog, "(555)-123-4567", "JOHN  DOE", 1}, {ui.cmdDownLog, "", "Bottom of the List", 0},
        {ui.cmdDownLog, "", "Bottom of the List", 0},      {ui.cmdUpLog, "(555)-123-4567", "JOHN  DOE", 1},
        {ui.cmdUpLog, "(305)-555-0100", "MARY  ROE", 2},   {ui.cmdUpLog, "", "Top of the List", 3},
        {ui.cmdDownLog, "(305)-555-0100", "MARY  ROE", 2},
    };
    for (const auto &s : steps) {
        s.button->click();
        QCOMPARE(rig.state->display.Label1(), QString::fromLatin1(s.number));
        QCOMPARE(rig.state->display.Label2(), QString::fromLatin1(s.name));
        QCOMPARE(rig.state->LogPosition, s.position);
        QCOMPARE(rig.window->ui.Label2->text(), QString::fromLatin1(s.name));
    }
    QCOMPARE(rig.window->ui.Label3->text(), QStringLiteral("March 22, 2026\n09:05 AM"));
}

void tst_Calls::arrowsWaitWhileRinging()
{
    Rig rig;
    rig.modem->send(Ring);
    QTRY_VERIFY_WITH_TIMEOUT(rig.callState().RingSeen, 5000);
    rig.window->ui.cmdDownLog->click();
    rig.window->ui.cmdUpLog->click();
    QCOMPARE(rig.state->display.Label2(), QString());
}

void tst_Calls::callWhileAWriteFailureBoxIsOpen()
{
    Rig rig;
    rig.modem->placeCall(rig.call(JohnDoe));
    QTRY_COMPARE_WITH_TIMEOUT(rig.state->display.Label1(), QStringLiteral("(555)-123-4567"), 5000);
    // The disk is full when the call ends. While the box says so, the next caller rings, and
    // the disk has room again by then.
    auto fullDisk = std::make_unique<FileSizeLimit>(40);
    if (!fullDisk->ok())
        QSKIP("cannot limit the file size here");
    bool secondStored = false;
    m_t->boxes.onShow = [&](const MsgRecord &box) {
        QCOMPARE(box.title, QStringLiteral("File Write Error"));
        fullDisk.reset();
        rig.modem->placeCall(rig.call(MaryRoe));
        secondStored = QTest::qWaitFor([&] { return rig.storedCalls() == 2; }, 5000);
        QCOMPARE(rig.state->display.Label2(), QStringLiteral("MARY  ROE"));
    };
    QTRY_VERIFY_WITH_TIMEOUT(secondStored, 5000);
    QCOMPARE(m_t->boxes.shown.size(), 1);
    QVERIFY(rig.record(1).startsWith("CL=1DT=3/21/2026TM=02:05 PMNM=JOHN  DOENB=(555)-123-4567RG=3END"));
    QVERIFY(rig.record(2).startsWith("CL=2DT=3/21/2026TM=02:06 PMNM=MARY  ROENB=(305)-555-0100RG=3END"));
    // Closing the box left the reception as it was: the next caller is his own, too.
    QVERIFY(rig.callState().buffer.isEmpty());
    rig.modem->placeCall(rig.call(JohnDoe));
    QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 3, 5000);
    QVERIFY(rig.record(3).startsWith("CL=3DT=3/21/2026TM=02:05 PMNM=JOHN  DOE"));
    QCOMPARE(m_sound->played.count(112), 3); // each caller announced once
}

void tst_Calls::numberOnlyReportAtTheEndOfTheCall_data()
{
    QTest::addColumn<int>("ringsBefore");
    QTest::addColumn<bool>("blocked");
    QTest::newRow("after the first ring") << 1 << false;
    QTest::newRow("before any ring") << 0 << false;
    QTest::newRow("a blocked number") << 1 << true;
}

void tst_Calls::numberOnlyReportAtTheEndOfTheCall()
{
    QFETCH(int, ringsBefore);
    QFETCH(bool, blocked);
    Rig rig;
    if (blocked)
        rig.folder.write("blocked.bin", BlockedFile::entryRecord("(555)-123-4567", "JOHN"));
    // Number-only service: no name line; the caller hangs up before the next ring.
    ModemSim::Call call = rig.call("\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 5551234567\r\n", 0);
    call.ringsBefore = ringsBefore;
    rig.modem->placeCall(call);
    QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
    QCOMPARE(rig.record(1), dots("CL=1DT=3/21/2026TM=02:05 PMNM=BARRED NAMENB=(555)-123-4567RG=1END"));
    QCOMPARE(rig.callState().callsWithoutCallerId, 0); // the number was received
    QVERIFY(rig.modem->commandTexts().isEmpty());      // a caller who has hung up is not answered
    QCOMPARE(rig.state->display.Label1(), blocked ? QString() : QStringLiteral("(555)-123-4567"));
    QCOMPARE(m_sound->played.size(), blocked ? 0 : 11);
}

void tst_Calls::pagerIsToldAfterTheCall()
{
    Rig rig({{23, "CallSendToPagerStatus = True"}, {16, "5559999"}, {17, "7"}});
    rig.modem->placeCall(rig.call(JohnDoe));
    QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
    QVERIFY(rig.modem->waitForCommand("AT+VCID=1", 5000));
    QCOMPARE(rig.modem->commandTexts(), QStringList({"ATDT5559999;", "ATDT75551234567;", "ATH", "AT+VCID=1"}));
    QVERIFY(!rig.state->flags.PagerInProgress);
    // The next call is received as usual once caller ID is re-armed.
    rig.modem->placeCall(rig.call(MaryRoe));
    QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 2, 5000);
}

QTEST_MAIN(tst_Calls)
#include "tst_calls.moc"
