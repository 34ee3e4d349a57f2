// The blocked list: blocked.bin byte for byte, the membership tests, deletion and compaction,
// and the Block command with its confirmations, including a block while the call still rings.
#include "AppState.h"
#include "BlockCommand.h"
#include "BlockedFile.h"
#include "Clock.h"
#include "MainWindowPort.h"
#include "ModemSim.h"
#include "MsgBox.h"
#include "TestSupport.h"
#include "clsModemFunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <functional>
#include <memory>

#include <unistd.h>

namespace {

const QString John = QStringLiteral("(555)-123-4567");
const QString JohnName = QStringLiteral("JOHN SMITH");

// An entry as the file holds it, built here by hand: length 48, the text, full stops to 48.
QByteArray entryBytes(const QString &number, const QString &name)
{
    QByteArray text = ("NB=" + number + "NM=" + name + "END").toLatin1();
    return QByteArray("\x30\x00", 2) + text + QByteArray(48 - text.size(), '.');
}

QByteArray markerBytes(int recordNumber)
{
    const QByteArray m = QByteArray::number(recordNumber) + "DELETE";
    return m + QByteArray(50 - m.size(), ' ');
}

// Stands in for the caller-ID port connection: reopens the port and re-arms caller ID as the
// real one does, so that the simulated modem sees the whole zap on the line.
class ReopeningPort : public IPortConnection {
public:
    explicit ReopeningPort(AppState &state) : m_state(state) {}
    void ModemPortOpen() override
    {
        ++opened;
        if (onOpen)
            onOpen();
        m_state.MSComm1.setPortOpen(false);
        m_state.MSComm1.setPortOpen(true);
        m_state.MSComm1.Output(QStringLiteral("AT+VCID=1\r"));
    }
    int opened = 0;
    std::function<void()> onOpen;

private:
    AppState &m_state;
};

struct Rig {
    Rig()
        : state(folder.path()), port(state), modem(state, port), file(state.blockedPath(), state.blockedScratchPath()),
          block(state, window, modem, file)
    {
        state.settings.BlockSelectedCallsEnable = true;
        state.MSComm1.setCommPort(1);
        block.callDropped = [this] {
            ++dropped;
            if (onDropped)
                onDropped();
        };
    }

    void show(const QString &number, const QString &name)
    {
        state.display.setLabel1(number);
        state.display.setLabel2(name);
    }

    // A call rings: the port is open on the simulated modem and the end-of-call timer runs.
    bool ring()
    {
        sim = std::make_unique<ModemSimThread>();
        if (!sim->linkAs(folder.path(), 1) || !state.MSComm1.setPortOpen(true))
            return false;
        state.Timer1.restart(10000);
        return true;
    }

    // Everything the program wrote to the modem before this moment.
    QByteArray sentSoFar()
    {
        const QString marker = QStringLiteral("ATI1");
        state.MSComm1.Output(marker + QChar(13));
        if (!sim->waitForCommand(marker, 5000))
            return "marker never arrived";
        const QByteArray all = sim->received();
        return all.left(all.size() - marker.size() - 1);
    }

    QByteArray blocked() const { return folder.bytes(QStringLiteral("blocked.bin")); }

    TestFolder folder;
    AppState state;
    FakeWindow window;
    ReopeningPort port;
    clsModemFunctions modem;
    BlockedFile file;
    BlockCommand block;
    std::unique_ptr<ModemSimThread> sim;
    int dropped = 0;
    std::function<void()> onDropped;
};

bool *flagNamed(InProgressFlags &f, const QString &name)
{
    const QMap<QString, bool *> flags = {
        {"ForwardingInProgress", &f.ForwardingInProgress},
        {"PrivateCallsInProgress", &f.PrivateCallsInProgress},
        {"BlockCallInProgress", &f.BlockCallInProgress},
        {"ZapInProgress", &f.ZapInProgress},
        {"DialInProgress", &f.DialInProgress},
        {"ModemSearchInProgress", &f.ModemSearchInProgress},
        {"PagerInProgress", &f.PagerInProgress},
    };
    return flags.value(name, nullptr);
}

void setModified(const QString &path, const QDateTime &t)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(t, QFileDevice::FileModificationTime));
}

} // namespace

class tst_Blocked : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void entryRecord_data();
    void entryRecord();
    void appendKeepsEarlierRecords();
    void membership_data();
    void membership();
    void incomingNumber_data();
    void incomingNumber();
    void emptyOrMissingListMatchesNothing();
    void nameContainingEnd();
    void readEntriesSkipsMarkers();
    void deletionMarkerOverwritesOneRecord();
    void findRecord_data();
    void findRecord();
    void compaction_data();
    void compaction();
    void failedCompactionLeavesTheList();

    void blockNumber_data();
    void blockNumber();
    void settingReadFromTheFile_data();
    void settingReadFromTheFile();
    void firstBlockWritesFiftyBytes();
    void clickWhileAnotherCommandRuns();
    void clickMarksTheWindowBusy();
    void yesDuringRingingDropsTheCallFirst();
    void zapClearsItsFlag_data();
    void zapClearsItsFlag();
    void failedAppendIsReported_data();
    void failedAppendIsReported();

private:
    std::unique_ptr<FastClock> m_clock;
};

void tst_Blocked::init()
{
    // A zap holds the line for two seconds after each command; here that is 20 ms.
    m_clock = std::make_unique<FastClock>(100.0);
    Clock::install(m_clock.get());
}

void tst_Blocked::cleanup()
{
    Clock::install(nullptr);
}

void tst_Blocked::entryRecord_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("fits, padded") << John << JohnName << "NB=(555)-123-4567NM=JOHN SMITHEND...............";
    QTest::newRow("no name") << John << ""
                             << "NB=(555)-123-4567NM=END.........................";
    // 14 + 25 = 39 characters: exactly full, no full stop left.
    QTest::newRow("exactly full") << John << "ABCDEFGHIJKLMNOPQRSTUVWXY"
                                  << "NB=(555)-123-4567NM=ABCDEFGHIJKLMNOPQRSTUVWXYEND";
    // The number is what calls are matched against: the name gives way.
    QTest::newRow("too long, name shortened") << John << "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"
                                              << "NB=(555)-123-4567NM=ABCDEFGHIJKLMNOPQRSTUVWXYEND";
    QTest::newRow("long number, name shortened") << "0044-20-7946-0958-12345"
                                                 << "WESTMINSTER ABBEY GIFT SHOP"
                                                 << "NB=0044-20-7946-0958-12345NM=WESTMINSTER ABBEEND";
}

void tst_Blocked::entryRecord()
{
    QFETCH(QString, number);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QCOMPARE(text.size(), 48);
    const QByteArray r = BlockedFile::entryRecord(number, name);
    QCOMPARE(r.size(), 50);
    QCOMPARE(r.left(2), QByteArray("\x30\x00", 2));
    QCOMPARE(QString::fromLatin1(r.mid(2)), text);
}

void tst_Blocked::appendKeepsEarlierRecords()
{
    TestFolder folder;
    BlockedFile file(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
    QVERIFY(file.append(John, JohnName));
    QVERIFY(file.append("(212)-555-0100", "ACME LOANS"));
    QCOMPARE(folder.bytes("blocked.bin"), entryBytes(John, JohnName) + entryBytes("(212)-555-0100", "ACME LOANS"));

    // A deletion marker still counts as a record: the next entry goes after it.
    QVERIFY(file.writeDeletionMarker(2));
    QVERIFY(file.append("(305)-555-0199", ""));
    QCOMPARE(folder.bytes("blocked.bin"),
             entryBytes(John, JohnName) + markerBytes(2) + entryBytes("(305)-555-0199", ""));
}

void tst_Blocked::membership_data()
{
    QTest::addColumn<QString>("sought");
    QTest::addColumn<bool>("found");

    QTest::newRow("whole number") << John << true;
    QTest::newRow("second entry") << "(212)-555-0100" << true;
    QTest::newRow("part of a number") << "555" << true;
    QTest::newRow("a name") << "ACME" << true;
    QTest::newRow("letter case is significant") << "acme" << false;
    QTest::newRow("not listed") << "(999)-999-9999" << false;
    QTest::newRow("number of the deleted entry") << "(305)-555-0199" << false;
    QTest::newRow("text of the deletion marker") << "2DELETE" << false;
}

void tst_Blocked::membership()
{
    QFETCH(QString, sought);
    QFETCH(bool, found);
    TestFolder folder;
    // Record 2 was (305)-555-0199 before it was unblocked.
    folder.write("blocked.bin",
                 entryBytes(John, JohnName) + markerBytes(2) + entryBytes("(212)-555-0100", "ACME LOANS"));
    BlockedFile file(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
    QCOMPARE(file.contains(sought), found);
}

void tst_Blocked::incomingNumber_data()
{
    QTest::addColumn<QString>("callerNumber");
    QTest::addColumn<bool>("blocked");

    QTest::newRow("ten digits of a listed number") << "5551234567" << true;
    QTest::newRow("one digit off") << "5551234568" << false;
    QTest::newRow("seven digits") << "1234567" << false;
    QTest::newRow("withheld number") << "PRIVATE NUMBER" << false;
}

void tst_Blocked::incomingNumber()
{
    QFETCH(QString, callerNumber);
    QFETCH(bool, blocked);
    TestFolder folder;
    folder.write("blocked.bin", entryBytes(John, JohnName));
    BlockedFile file(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
    QCOMPARE(IsIncomingNumberBlocked(file, callerNumber), blocked);
}

void tst_Blocked::emptyOrMissingListMatchesNothing()
{
    TestFolder folder;
    BlockedFile file(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
    QVERIFY(!file.contains(John));
    QVERIFY(!IsIncomingNumberBlocked(file, "5551234567"));
    QCOMPARE(file.findRecord(John), 0);
    QVERIFY(file.readEntries().isEmpty());
    folder.write("blocked.bin", QByteArray());
    QVERIFY(!file.contains(John));
    QVERIFY(file.readEntries().isEmpty());
}

void tst_Blocked::nameContainingEnd()
{
    TestFolder folder;
    BlockedFile file(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
    QVERIFY(file.append("(555)-987-6543", "HENDERSON"));
    QCOMPARE(folder.bytes("blocked.bin"), entryBytes("(555)-987-6543", "HENDERSON"));
    QVERIFY(file.contains("(555)-987-6543"));
    QVERIFY(file.contains("HENDERSON"));
    QVERIFY(IsIncomingNumberBlocked(file, "5559876543"));
    QCOMPARE(file.findRecord("(555)-987-6543"), 1);
    // The first "END" closes the name: the list shows what comes before it.
    const QList<BlockedFile::Entry> entries = file.readEntries();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].number, QStringLiteral("(555)-987-6543"));
    QCOMPARE(entries[0].name, QStringLiteral("H"));
}

void tst_Blocked::readEntriesSkipsMarkers()
{
    TestFolder folder;
    folder.write("blocked.bin", entryBytes(John, JohnName) + markerBytes(2) + entryBytes("(212)-555-0100", "") +
                                    entryBytes("PRIVATE NUMBER", "PRIVATE NAME"));
    BlockedFile file(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
    const QList<BlockedFile::Entry> entries = file.readEntries();
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0].number, John);
    QCOMPARE(entries[0].name, JohnName);
    QCOMPARE(entries[1].number, QStringLiteral("(212)-555-0100"));
    QCOMPARE(entries[1].name, QString());
    QCOMPARE(entries[2].number, QStringLiteral("PRIVATE NUMBER"));
    QCOMPARE(entries[2].name, QStringLiteral("PRIVATE NAME"));
}

void tst_Blocked::deletionMarkerOverwritesOneRecord()
{
    QCOMPARE(BlockedFile::deletionMarker(3), QByteArray("3DELETE") + QByteArray(43, ' '));
    QCOMPARE(BlockedFile::deletionMarker(32767), QByteArray("32767DELETE") + QByteArray(39, ' '));

    TestFolder folder;
    const QByteArray r1 = entryBytes(John, JohnName);
    const QByteArray r2 = entryBytes("(212)-555-0100", "ACME LOANS");
    const QByteArray r3 = entryBytes("(305)-555-0199", "");
    folder.write("blocked.bin", r1 + r2 + r3);
    BlockedFile file(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
    QVERIFY(file.writeDeletionMarker(2));
    QCOMPARE(folder.bytes("blocked.bin"), r1 + markerBytes(2) + r3);
    QVERIFY(!file.contains("(212)-555-0100"));
    QVERIFY(!file.contains("ACME"));
}

void tst_Blocked::findRecord_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("record");

    QTest::newRow("first") << John << 1;
    QTest::newRow("after a deletion marker") << "(305)-555-0199" << 3;
    QTest::newRow("first of two equal entries") << "(212)-555-0100" << 4;
    QTest::newRow("equal, not contained") << "555" << 0;
    QTest::newRow("a name is not a number") << "ACME LOANS" << 0;
    QTest::newRow("letter case is significant") << "private number" << 0;
    QTest::newRow("a withheld number") << "PRIVATE NUMBER" << 6;
    // The list window was read from an older file: the search ends at the end of the file.
    QTest::newRow("not in the file") << "(999)-999-9999" << 0;
}

void tst_Blocked::findRecord()
{
    QFETCH(QString, number);
    QFETCH(int, record);
    TestFolder folder;
    folder.write("blocked.bin", entryBytes(John, JohnName) + markerBytes(2) + entryBytes("(305)-555-0199", "") +
                                    entryBytes("(212)-555-0100", "ACME LOANS") +
                                    entryBytes("(212)-555-0100", "ACME AGAIN") +
                                    entryBytes("PRIVATE NUMBER", "PRIVATE NAME"));
    BlockedFile file(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
    QCOMPARE(file.findRecord(number), record);
}

void tst_Blocked::compaction_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("leftover"); // an interrupted run's blocktemp.bin; empty: none
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<bool>("rewritten");

    const QByteArray r1 = entryBytes(John, JohnName);
    const QByteArray r2 = entryBytes("(212)-555-0100", "ACME LOANS");
    const QByteArray r3 = entryBytes("(305)-555-0199", "HENDERSON");
    const QByteArray oldRun = r3 + r3 + r3 + r3 + r3;

    QTest::newRow("marker between two entries") << true << r1 + markerBytes(2) + r3 << QByteArray() << r1 + r3 << true;
    QTest::newRow("markers only") << true << markerBytes(1) + markerBytes(2) << QByteArray() << QByteArray() << true;
    QTest::newRow("first and last deleted")
        << true << markerBytes(1) + r2 + markerBytes(3) << QByteArray() << r2 << true;
    QTest::newRow("nothing to drop") << true << r1 + r2 + r3 << QByteArray() << r1 + r2 + r3 << false;
    QTest::newRow("empty list") << true << QByteArray() << QByteArray() << QByteArray() << false;
    // A longer leftover must not leave its tail in the new list.
    QTest::newRow("leftover scratch file") << true << r1 + markerBytes(2) << oldRun << r1 << true;
    QTest::newRow("leftover, nothing to drop") << true << r1 + r2 << oldRun << r1 + r2 << false;
    QTest::newRow("torn last record") << true << r1 + r2 + r3.left(20) << QByteArray() << r1 + r2 << true;
    QTest::newRow("no list yet") << false << QByteArray() << QByteArray() << QByteArray() << true;
}

void tst_Blocked::compaction()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, leftover);
    QFETCH(QByteArray, after);
    QFETCH(bool, rewritten);
    TestFolder folder;
    const QDateTime longAgo(QDate(2001, 1, 1), QTime(12, 0), Qt::UTC);
    if (exists) {
        folder.write("blocked.bin", before);
        setModified(folder.file("blocked.bin"), longAgo);
    }
    if (!leftover.isEmpty())
        folder.write("blocktemp.bin", leftover);

    BlockedFile file(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
    QString error;
    QVERIFY2(file.compact(&error), qPrintable(error));
    QVERIFY(folder.exists("blocked.bin"));
    QCOMPARE(folder.bytes("blocked.bin"), after);
    QVERIFY(!folder.exists("blocktemp.bin"));
    if (exists)
        QCOMPARE(QFileInfo(folder.file("blocked.bin")).lastModified() != longAgo, rewritten);
}

void tst_Blocked::failedCompactionLeavesTheList()
{
    TestFolder folder;
    const QByteArray before = entryBytes(John, JohnName) + markerBytes(2);
    folder.write("blocked.bin", before);
    // The scratch file cannot be written (a folder of that name is in the way).
    QVERIFY(QDir(folder.path()).mkdir("blocktemp.bin"));
    BlockedFile file(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
    QString error;
    QVERIFY(!file.compact(&error));
    QVERIFY2(error.contains("blocktemp.bin"), qPrintable(error));
    QCOMPARE(folder.bytes("blocked.bin"), before);
}

void tst_Blocked::blockNumber_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("listed");
    QTest::addColumn<bool>("ringing");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("title"); // the one box shown; empty: none
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("appended");
    QTest::addColumn<bool>("unloaded"); // the Blocked Number List window was asked to close
    QTest::addColumn<bool>("timer2Stopped");

    const QString confirm = QStringLiteral("Block Number Confirmation!");
    const QString listedTitle = QStringLiteral("Phone Number Block");
    const QString disabledTitle = QStringLiteral("Block Call 'Turn ON' is not possible!");
    const QString disabledText = QStringLiteral(
        "'Selected Calls Block' is not enabled.\rGo to Setup Menu and and turn ON 'Selected Calls Block'.");
    const QString ask = QStringLiteral("Are you sure you want to block JOHN SMITH at (555)-123-4567?\r"
                                       "The Blocked Number will not be able to reach you, unless you UnBlock it.");
    const QString askRinging =
        QStringLiteral("Are you sure you want to Block JOHN SMITH at (555)-123-4567?\r"
                       "The Blocked Number will not be able to reach you, unless you UnBlock it!");
    const int info = int(MsgStyle::Information);
    const int question = int(MsgStyle::Question);
    const int yes = int(vbYes);
    const int no = int(vbNo);

    QTest::newRow("setting off") << false << "" << John << JohnName << false << false << yes << disabledTitle
                                 << disabledText << info << false << false << true;
    QTest::newRow("setting off, listed") << false << "" << John << JohnName << true << false << yes << disabledTitle
                                         << disabledText << info << false << false << true;
    QTest::newRow("empty number") << true << QString() << QString() << QString() << false << false << yes << QString()
                                  << QString() << 0 << false << false << true;
    QTest::newRow("No") << true << "" << John << JohnName << false << false << no << confirm << ask << question << false
                        << true << true;
    QTest::newRow("Yes") << true << "" << John << JohnName << false << false << yes << confirm << ask << question
                         << true << true << true;
    QTest::newRow("Yes without a name") << true << "" << John << "" << false << false << yes << confirm
                                        << "Are you sure you want to block  at (555)-123-4567?\r"
                                           "The Blocked Number will not be able to reach you, unless you UnBlock it."
                                        << question << true << true << true;
    QTest::newRow("already listed") << true << "" << John << JohnName << true << false << yes << listedTitle
                                    << "JOHN SMITH at (555)-123-4567 is already Blocked. No need to Block again."
                                    << info << false << true << true;
    QTest::newRow("ringing, No") << true << "" << John << JohnName << false << true << no << confirm << askRinging
                                 << question << false << true << true;
    QTest::newRow("ringing, already listed")
        << true << "" << John << JohnName << true << true << yes << listedTitle
        << "JOHN SMITH at (555)-123-4567is already Blocked. No need to Block again." << info << false << true << true;
    for (const char *flag :
         {"ForwardingInProgress", "PrivateCallsInProgress", "ZapInProgress", "DialInProgress", "ModemSearchInProgress"})
        QTest::addRow("%s", flag) << true << flag << John << JohnName << false << false << yes << QString() << QString()
                                  << 0 << false << false << false;
    // These two services never take the port from under a block.
    for (const char *flag : {"BlockCallInProgress", "PagerInProgress"})
        QTest::addRow("%s is not consulted", flag) << true << flag << John << JohnName << false << false << yes
                                                   << confirm << ask << question << true << true << true;
}

void tst_Blocked::blockNumber()
{
    QFETCH(bool, enabled);
    QFETCH(QString, flag);
    QFETCH(QString, number);
    QFETCH(QString, name);
    QFETCH(bool, listed);
    QFETCH(bool, ringing);
    QFETCH(int, answer);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(int, style);
    QFETCH(bool, appended);
    QFETCH(bool, unloaded);
    QFETCH(bool, timer2Stopped);

    Rig rig;
    rig.state.settings.BlockSelectedCallsEnable = enabled;
    if (!flag.isEmpty())
        *flagNamed(rig.state.flags, flag) = true;
    const QByteArray other = entryBytes("(212)-555-0100", "ACME LOANS");
    const QByteArray before = listed ? other + entryBytes(number, name) : other;
    if (enabled || listed)
        rig.folder.write("blocked.bin", before);
    rig.show(number, name);
    if (ringing)
        QVERIFY(rig.ring());
    rig.state.Timer2.restart(30000);

    MsgBoxScript boxes;
    boxes.answer(MsgAnswer(answer));
    QStringList windowCallsAtBox;
    boxes.onShow = [&](const MsgRecord &) { windowCallsAtBox = rig.window.calls; };
    rig.block.BlockNumber();

    if (title.isEmpty()) {
        QVERIFY(boxes.shown.isEmpty());
    } else {
        QCOMPARE(boxes.titles(), QStringList{title});
        QCOMPARE(boxes.shown[0].text, text);
        QCOMPARE(int(boxes.shown[0].style), style);
    }
    if (enabled || listed)
        QCOMPARE(rig.blocked(), appended ? before + entryBytes(number, name) : before);
    else
        QVERIFY(!rig.folder.exists("blocked.bin"));
    QCOMPARE(rig.window.calls, unloaded ? QStringList{"unloadBlocked"} : QStringList());
    // The list window is gone before the user is asked, and so before anything is written.
    if (unloaded && !title.isEmpty())
        QCOMPARE(windowCallsAtBox, QStringList{"unloadBlocked"});
    QCOMPARE(rig.state.Timer2.Enabled(), !timer2Stopped);
    QCOMPARE(rig.dropped, 0);
    if (ringing) {
        // The call goes on: it ends by its own timer and its record is stored as usual.
        QCOMPARE(rig.state.Timer1.Interval(), 10000);
        QVERIFY(rig.state.Timer1.Enabled());
        QCOMPARE(rig.sentSoFar(), QByteArray());
        QCOMPARE(rig.port.opened, 0);
    } else {
        QCOMPARE(rig.state.Timer1.Interval(), 0);
    }
}

void tst_Blocked::settingReadFromTheFile_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<bool>("refused");
    QTest::newRow("True") << "BlockSelectedCallsEnable = True" << false;
    QTest::newRow("lower-case true") << "BlockSelectedCallsEnable = true" << true;
    QTest::newRow("False") << "BlockSelectedCallsEnable = False" << true;
}

void tst_Blocked::settingReadFromTheFile()
{
    QFETCH(QString, record);
    QFETCH(bool, refused);
    Rig rig;
    rig.folder.writeSettings({{27, record}});
    rig.state.setupFile.load(rig.state.settings);
    rig.show(John, JohnName);
    MsgBoxScript boxes;
    rig.block.BlockNumber();
    QCOMPARE(boxes.titles(),
             QStringList{refused ? "Block Call 'Turn ON' is not possible!" : "Block Number Confirmation!"});
}

void tst_Blocked::firstBlockWritesFiftyBytes()
{
    Rig rig;
    rig.show(John, JohnName);
    MsgBoxScript boxes;
    boxes.answer(vbYes);
    rig.block.cmdBlock_Click();
    QByteArray expected("\x30\x00", 2);
    expected += "NB=(555)-123-4567NM=JOHN SMITHEND";
    expected += QByteArray(15, '.');
    QCOMPARE(expected.size(), 50);
    QCOMPARE(rig.blocked(), expected);

    // A second caller goes into record 2; record 1 stays as it was.
    rig.show("(212)-555-0100", "ACME LOANS");
    boxes.answer(vbYes);
    rig.block.cmdBlock_Click();
    QCOMPARE(rig.blocked(), expected + entryBytes("(212)-555-0100", "ACME LOANS"));
    QCOMPARE(boxes.titles(), QStringList({"Block Number Confirmation!", "Block Number Confirmation!"}));
}

void tst_Blocked::clickWhileAnotherCommandRuns()
{
    Rig rig;
    rig.show(John, JohnName);
    rig.state.Timer3.restart(65535); // another command is running
    MsgBoxScript boxes;
    boxes.answer(vbYes);
    rig.block.cmdBlock_Click();
    QVERIFY(boxes.shown.isEmpty());
    QVERIFY(rig.window.calls.isEmpty());
    QVERIFY(!rig.folder.exists("blocked.bin"));
    // The marker belongs to the other command: it stays.
    QCOMPARE(rig.state.Timer3.Interval(), 65535);
    QVERIFY(rig.state.Timer3.Enabled());
}

void tst_Blocked::clickMarksTheWindowBusy()
{
    Rig rig;
    rig.show(John, JohnName);
    MsgBoxScript boxes;
    int intervalAtBox = -1;
    bool enabledAtBox = false;
    boxes.onShow = [&](const MsgRecord &) {
        intervalAtBox = rig.state.Timer3.Interval();
        enabledAtBox = rig.state.Timer3.Enabled();
    };
    rig.block.cmdBlock_Click();
    QCOMPARE(boxes.titles(), QStringList{"Block Number Confirmation!"});
    QCOMPARE(intervalAtBox, 65535);
    QVERIFY(enabledAtBox);
    QCOMPARE(rig.state.Timer3.Interval(), 0);
    QVERIFY(!rig.state.Timer3.Enabled());

    // Not busy any more: the next click runs.
    rig.block.cmdBlock_Click();
    QCOMPARE(boxes.shown.size(), 2);
}

void tst_Blocked::yesDuringRingingDropsTheCallFirst()
{
    Rig rig;
    rig.show(John, JohnName);
    QVERIFY(rig.ring());
    QStringList events;
    rig.port.onOpen = [&] {
        events << QStringLiteral("port reopened");
        // The zap still holds the port: caller-ID reception must keep away from the replies.
        QVERIFY(rig.state.flags.ZapInProgress);
        QVERIFY2(!rig.file.contains(John), "the entry was written before the call was dropped");
    };
    rig.onDropped = [&] {
        events << QStringLiteral("call dropped");
        QVERIFY2(rig.file.contains(John), "the end of the call ran before the entry was written");
    };
    MsgBoxScript boxes;
    boxes.answer(vbYes);
    rig.block.cmdBlock_Click();

    QCOMPARE(boxes.titles(), QStringList{"Block Number Confirmation!"});
    QCOMPARE(events, QStringList({"port reopened", "call dropped"}));
    QCOMPARE(rig.dropped, 1);
    QCOMPARE(rig.blocked(), entryBytes(John, JohnName));
    QVERIFY(!rig.state.flags.ZapInProgress);
    // The end of the call has been processed: the timer must not run it a second time.
    QCOMPARE(rig.state.Timer1.Interval(), 0);
    QVERIFY(rig.sim->waitForCommand("AT+VCID=1", 5000));
    QCOMPARE(rig.sim->commandTexts(), QStringList({"ATA", "ATH", "AT+VCID=1"}));
}

void tst_Blocked::zapClearsItsFlag_data()
{
    QTest::addColumn<bool>("ringing");
    QTest::addColumn<bool>("held"); // another program holds the port
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<int>("reopened");

    QTest::newRow("no call ringing") << false << false << QStringList() << QStringList() << 0;
    QTest::newRow("port busy") << true << true << QStringList{"Modem Port is Busy"} << QStringList() << 0;
    QTest::newRow("zapped") << true << false << QStringList() << QStringList({"ATA", "ATH", "AT+VCID=1"}) << 1;
}

void tst_Blocked::zapClearsItsFlag()
{
    QFETCH(bool, ringing);
    QFETCH(bool, held);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, commands);
    QFETCH(int, reopened);
    Rig rig;
    rig.sim = std::make_unique<ModemSimThread>();
    QVERIFY(rig.sim->linkAs(rig.folder.path(), 1));
    QProcess holder;
    if (held) {
        holder.start(QStringLiteral(RINGLARK_BIN_DIR "/ringlark-modemsim"), {"--hold", rig.sim->devicePath()});
        QVERIFY(holder.waitForReadyRead(10000));
        QVERIFY(holder.readAll().startsWith("holding"));
    }
    // The port is closed: the zap has to take it.
    if (ringing)
        rig.state.Timer1.restart(10000);
    MsgBoxScript boxes;
    rig.modem.ZapIncomingCall();
    QVERIFY(!rig.state.flags.ZapInProgress);
    QCOMPARE(boxes.titles(), titles);
    QCOMPARE(rig.port.opened, reopened);
    if (held) {
        holder.kill();
        holder.waitForFinished();
    }
    QVERIFY(rig.state.MSComm1.setPortOpen(true));
    QCOMPARE(QString::fromLatin1(rig.sentSoFar()),
             commands.isEmpty() ? QString() : commands.join(QChar(13)) + QChar(13));
}

void tst_Blocked::failedAppendIsReported_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("not a file") << "directory";
    QTest::newRow("read-only file") << "read-only";
}

void tst_Blocked::failedAppendIsReported()
{
    QFETCH(QString, kind);
    Rig rig;
    const QByteArray before = entryBytes("(212)-555-0100", "ACME LOANS");
    if (kind == QLatin1String("directory")) {
        QVERIFY(QDir(rig.folder.path()).mkdir("blocked.bin"));
    } else {
        if (::geteuid() == 0)
            QSKIP("running as root: file permissions do not stop a write");
        rig.folder.write("blocked.bin", before);
        QVERIFY(QFile::setPermissions(rig.folder.file("blocked.bin"), QFile::ReadOwner));
    }
    rig.show(John, JohnName);
    MsgBoxScript boxes;
    boxes.answer(vbYes);
    rig.block.BlockNumber();
    QCOMPARE(boxes.titles(), QStringList({"Block Number Confirmation!", "File Write Error"}));
    const MsgRecord &report = boxes.shown[1];
    QCOMPARE(report.style, MsgStyle::Critical);
    const QStringList lines = report.text.split(QChar(13));
    QVERIFY2(lines.contains(QDir::toNativeSeparators(rig.folder.file("blocked.bin"))), qPrintable(report.text));
    // The reason follows the file name.
    const qsizetype at = lines.indexOf(QDir::toNativeSeparators(rig.folder.file("blocked.bin")));
    QVERIFY2(!lines.value(at + 1).trimmed().isEmpty(), qPrintable(report.text));
    if (kind == QLatin1String("read-only"))
        QCOMPARE(rig.blocked(), before);
}

QTEST_MAIN(tst_Blocked)
#include "tst_blocked.moc"
