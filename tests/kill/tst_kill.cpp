// The real program killed with SIGKILL, at random moments and at each operation on its data
// files, while calls come in and a user blocks some callers with the Block button. After every
// kill: each call whose end had passed before the kill (its last ring and the ten seconds after
// it) is in the log exactly once, whole and numbered by its place; calls seen stored stay stored;
// blocked callers are refused; callers the screening rules refuse are refused with their reason
// stored, and those they allow are shown although the blocked list holds their number; and the
// program starts again without a message box.
// RINGLARK_KILL_SECONDS sets how long it goes on (22 s in the suite).
#include "BlockedFile.h"
#include "CallRecord.h"
#include "ModemSim.h"
#include "ScreeningStore.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <csignal>
#include <sys/prctl.h>

namespace {

// The end of a call, ten seconds after its last ring, passes in 200 ms.
constexpr char TimeFactor[] = "50";
constexpr qint64 EndOfCallMs = 10000 / 50;
// What a loaded machine may add before the stored call is on the disk.
constexpr qint64 MarginMs = 800;
// Kills at file operations go through the first this many operations of a run, in turn.
constexpr int OperationsCovered = 60;

struct Placed {
    QString name;
    QString number;
    qint64 endedAt = -1;  // test clock (ms) when its last ring had gone out; -1 while ringing
    qint64 killedAt = -1; // when the program it rang to was killed
};

// The log's records by caller name, or why the log is not whole records numbered by place.
QHash<QString, int> storedByName(const QByteArray &log, QString *fault)
{
    QHash<QString, int> names;
    if (log.size() % CallRecord::Length != 0)
        *fault = QStringLiteral("a torn record");
    for (qsizetype at = 0; at + CallRecord::Length <= log.size(); at += CallRecord::Length) {
        const QString r = QString::fromLatin1(log.mid(at, CallRecord::Length));
        if (!CallRecord::isLive(r) || !r.startsWith(QStringLiteral("CL=%1DT=").arg(at / CallRecord::Length + 1)))
            *fault =
                QStringLiteral("record %1 is not whole or not numbered by its place").arg(at / CallRecord::Length + 1);
        ++names[CallRecord::fields(r).name.simplified()];
    }
    return names;
}

// The digits of each number in the blocked list.
QStringList listedNumbers(const QByteArray &blocked)
{
    QStringList numbers;
    for (qsizetype at = 0; at + 50 <= blocked.size(); at += 50) {
        const QByteArray r = blocked.mid(at, 50);
        const qsizetype nb = r.indexOf("NB="), nm = r.indexOf("NM=");
        if (nb >= 0 && nm > nb)
            numbers
                << QString::fromLatin1(r.mid(nb + 3, nm - nb - 3)).remove(QRegularExpression(QStringLiteral("[^0-9]")));
    }
    return numbers;
}

// The names of the calls refused.txt marks.
QSet<QString> markedNames(const QByteArray &marks)
{
    QSet<QString> names;
    for (const QByteArray &line : marks.split('\n')) {
        const QString text = QString::fromUtf8(QByteArray::fromPercentEncoding(line));
        const qsizetype nm = text.indexOf(QStringLiteral("NM=")), nb = text.indexOf(QStringLiteral("NB="));
        if (nm >= 0 && nb > nm)
            names << text.mid(nm + 3, nb - nm - 3).simplified();
    }
    return names;
}

// The screening database's calls: the reasons stored, by caller name.
QHash<QString, QStringList> reasonsByName(const QString &folder)
{
    QHash<QString, QStringList> reasons;
    ScreeningStore store(folder);
    if (!store.open())
        return reasons;
    for (const ScreenedCall &c : store.calls()) {
        const qsizetype nm = c.record.indexOf(QStringLiteral("NM=")), rg = c.record.indexOf(QStringLiteral("RG="));
        if (nm >= 0 && rg > nm && c.refused)
            reasons[c.record.mid(nm + 3, rg - nm - 3).simplified()] << c.reason;
    }
    return reasons;
}

// A number the blocked list holds and the user's rules allow: its calls are shown.
const QString FriendNumber = QStringLiteral("4440000001");

} // namespace

class tst_Kill : public QObject {
    Q_OBJECT
private slots:
    void killedProgramKeepsItsData_data()
    {
        // The desktop program, whose user blocks callers with Block; or the service, which has no
        // user (the desktop's command line sets the rules for both). How long each is killed.
        columns<bool, int>("service", "runSeconds");
        row("the desktop program", false, 22);
        row("the service", true, 12);
    }

    void killedProgramKeepsItsData()
    {
        QFETCH(bool, service);
        QFETCH(int, runSeconds);
        const int seconds = qEnvironmentVariableIntValue("RINGLARK_KILL_SECONDS") > 0
                                ? qEnvironmentVariableIntValue("RINGLARK_KILL_SECONDS")
                                : runSeconds;
        TestFolder folder;
        folder.copyProgramData();
        QVERIFY(QFile::copy(QStringLiteral(KILL_DRIVER), folder.file("ringlark")));
        QFile::setPermissions(folder.file("ringlark"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString programFile = service ? QStringLiteral(RINGLARK_BIN_DIR "/ringlarkd") : folder.file("ringlark");
        const QStringList arguments = service ? QStringList{"--data", folder.path()} : QStringList();
        folder.writeModemSettings({{27, QStringLiteral("BlockSelectedCallsEnable = True")}});
        ModemSimThread modem;
        QVERIFY(modem.linkAs(folder.path(), 1));
        const qint64 settingsSize = folder.bytes("acsetup.bin").size();
        // The user's rules, set as a script sets them: numbers from 777 are refused, and a friend
        // whose number is on the blocked list is let through.
        folder.write("blocked.bin", BlockedFile::entryRecord("(444)-000-0001", "FRIEND"));
        {
            QProcess rules;
            rules.start(folder.file("ringlark"), {"--block", "^777", "--allow", "^1?444"});
            QVERIFY(rules.waitForFinished(10000));
            QCOMPARE(rules.exitCode(), 0);
        }

        QRandomGenerator random(20240321);
        QList<Placed> placed;
        QSet<QString> seen;                       // callers seen in the log after some kill
        QStringList blockedNumbers{FriendNumber}; // numbers the user blocked (callers named BLOCK)
        int attempts = 0, atOperation = 0, due = 0, losses = 0, twice = 0, torn = 0, loudStarts = 0, refusals = 0,
            blockedAgain = 0;
        QString fault;
        QStringList screeningFaults; // callers the rules decided wrongly, or whose reason is lost
        int screenedDue = 0;         // checks of a screened call whose end had passed
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < seconds * 1000) {
            ++attempts;
            const bool byOperation = attempts % 2 == 1;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("QT_QPA_PLATFORM", "offscreen");
            env.insert("LD_PRELOAD", KILL_SHIM);
            env.insert("RINGLARK_TIME_FACTOR", TimeFactor);
            if (byOperation) {
                ++atOperation;
                env.insert("RINGLARK_KILL_AT", QString::number(1 + (atOperation - 1) % OperationsCovered));
            }
            modem.clearLog();
            QProcess program;
            program.setProcessEnvironment(env);
            // If the test itself is stopped (its time limit), the program goes with it.
            program.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
            program.start(programFile, arguments);
            QVERIFY(program.waitForStarted());
            const qint64 killAfter = random.bounded(3000);
            QElapsedTimer run;
            run.start();
            bool armed = false;
            int calls = 0;
            qint64 aliveAt = clock.elapsed(); // the program was last seen running
            while (program.state() == QProcess::Running && run.elapsed() < 4000) {
                aliveAt = clock.elapsed();
                if (!byOperation && run.elapsed() >= killAfter)
                    break;
                if (!armed && modem.commandTexts().contains(QStringLiteral("AT+VCID=1"))) {
                    armed = true;
                    QTest::qWait(100); // a box at start-up comes right after the port is armed
                }
                const bool ringing = modem.sim()->callInProgress();
                if (!ringing && !placed.isEmpty() && placed.last().endedAt < 0)
                    placed.last().endedAt = clock.elapsed();
                // The next call rings once this one has ended: rings within its ten seconds would be
                // the same call.
                const bool lineFree = placed.isEmpty() || (placed.last().endedAt >= 0 &&
                                                           clock.elapsed() > placed.last().endedAt + EndOfCallMs + 100);
                if (armed && lineFree && calls < 3) {
                    ++calls;
                    // A caller the user blocks, one already blocked (refused), or any other.
                    const int kind = random.bounded(6);
                    Placed p;
                    p.number = QStringLiteral("555%1").arg(placed.size() + 1, 7, 10, QLatin1Char('0'));
                    p.name = QStringLiteral("CALLER %1").arg(placed.size() + 1);
                    if (kind == 0 && !service) {
                        p.name = QStringLiteral("BLOCK %1").arg(placed.size() + 1);
                        blockedNumbers << p.number;
                    } else if (kind == 2) {
                        p.number = QStringLiteral("777%1").arg(placed.size() + 1, 7, 10, QLatin1Char('0'));
                        p.name = QStringLiteral("PATTERN %1").arg(placed.size() + 1);
                    } else if (kind == 3) {
                        p.number = FriendNumber;
                        p.name = QStringLiteral("FRIEND %1").arg(placed.size() + 1);
                    } else if (kind == 1 && listedNumbers(folder.bytes("blocked.bin")).size() > 1) {
                        // A number the list holds now: this call must be refused.
                        QStringList listed = listedNumbers(folder.bytes("blocked.bin"));
                        listed.removeAll(FriendNumber);
                        p.number = listed[random.bounded(int(listed.size()))];
                        p.name = QStringLiteral("AGAIN %1").arg(placed.size() + 1);
                        ++blockedAgain;
                    }
                    ModemSim::Call call;
                    call.report = ModemSim::report("0321", "1405", p.number, p.name);
                    call.ringsAfter = 1;
                    call.ringGapMs = 50;
                    modem.placeCall(call);
                    placed << p;
                }
                QTest::qWait(20);
            }
            // Not armed after four seconds: a box held the start-up (it shows on standard error).
            program.kill();
            program.waitForFinished();
            const qint64 killedAt = aliveAt;
            // A blocked caller is answered and hung up on (ATA), by Block or by the list.
            refusals += int(modem.commandTexts().count(QStringLiteral("ATA")));
            if (program.readAllStandardError().contains("message box:"))
                ++loudStarts;
            while (modem.sim()->callInProgress())
                QTest::qWait(20);
            if (!placed.isEmpty() && placed.last().endedAt < 0)
                placed.last().endedAt = clock.elapsed(); // its end comes after the kill
            for (qsizetype i = placed.size() - calls; i < placed.size(); ++i)
                placed[i].killedAt = killedAt;

            QString logFault;
            const QHash<QString, int> stored = storedByName(folder.bytes("Array.bin"), &logFault);
            if (!logFault.isEmpty())
                fault = logFault;
            if (!logFault.isEmpty() || folder.bytes("blocked.bin").size() % 50 != 0 ||
                folder.bytes("acsetup.bin").size() != settingsSize)
                ++torn;
            // The screening's decisions and their reasons, as stored by the runs so far.
            const QHash<QString, QStringList> reasons = reasonsByName(folder.path());
            const QSet<QString> marks = markedNames(folder.bytes("refused.txt"));
            for (const Placed &p : std::as_const(placed)) {
                const bool ended = p.endedAt + EndOfCallMs + MarginMs <= p.killedAt;
                screenedDue += ended && (p.name.startsWith(QLatin1String("PATTERN")) ||
                                         p.name.startsWith(QLatin1String("FRIEND")));
                if (p.name.startsWith(QLatin1String("PATTERN")) && ended &&
                    (!marks.contains(p.name) || reasons.value(p.name) != QStringList{"pattern ^777"}))
                    screeningFaults << p.name;
                if (p.name.startsWith(QLatin1String("FRIEND")) && (marks.contains(p.name) || reasons.contains(p.name)))
                    screeningFaults << p.name;
            }
            for (const Placed &p : std::as_const(placed)) {
                const int n = stored.value(p.name);
                twice += n > 1;
                const bool ended = p.endedAt + EndOfCallMs + MarginMs <= p.killedAt;
                due += ended;
                if ((ended || seen.contains(p.name)) && n == 0) {
                    ++losses;
                    qWarning("lost: %s (%s)", qPrintable(p.name), ended ? "its end had passed" : "seen stored before");
                }
                if (n > 0)
                    seen << p.name;
            }
        }
        const QByteArray blocked = folder.bytes("blocked.bin");
        // The user blocked the callers chosen and no other; their later calls were refused, and
        // marked so, and no other call was.
        QStringList strangers;
        for (const QString &number : listedNumbers(blocked)) {
            if (!blockedNumbers.contains(number))
                strangers << number;
        }
        const QSet<QString> marked = markedNames(folder.bytes("refused.txt"));
        QStringList wrongMarks;
        for (const Placed &p : std::as_const(placed)) {
            const bool again = p.name.startsWith(QLatin1String("AGAIN"));
            if ((again && seen.contains(p.name) && !marked.contains(p.name)) ||
                (p.name.startsWith(QLatin1String("CALLER")) && marked.contains(p.name)))
                wrongMarks << p.name;
        }
        qInfo("kill test: %d kills (%d at a file operation, %d at random moments), %lld calls placed, %lld stored, "
              "%d checks of a call whose end had passed; %d blocked by the user, %lld entries in the blocked list, %d "
              "calls from "
              "them, %d answered to refuse; %d losses, %d stored twice, %d torn files, %d starts with a message box",
              attempts, atOperation, attempts - atOperation, qlonglong(placed.size()), qlonglong(seen.size()), due,
              int(blockedNumbers.size()), qlonglong(blocked.size() / 50), blockedAgain, refusals, losses, twice, torn,
              loudStarts);
        QVERIFY(attempts > 0 && due > 0);
        QVERIFY2(!blocked.isEmpty() && refusals > 0, "blocked callers came, and were refused");
        QVERIFY(!service || blockedNumbers == QStringList{FriendNumber}); // nobody pressed Block
        QVERIFY2(strangers.isEmpty(), qPrintable("blocked, never chosen: " + strangers.join(' ')));
        QVERIFY2(wrongMarks.isEmpty(), qPrintable("refusal marks wrong for: " + wrongMarks.join(' ')));
        qInfo("kill test: %d checks of a call the screening rules refused or allowed", screenedDue);
        QVERIFY(screenedDue > 0);
        screeningFaults.removeDuplicates();
        QVERIFY2(screeningFaults.isEmpty(), qPrintable("screened wrongly: " + screeningFaults.join(' ')));
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        QCOMPARE(losses, 0);
        QCOMPARE(twice, 0);
        QCOMPARE(torn, 0);
        QCOMPARE(loudStarts, 0);
    }
};

QTEST_GUILESS_MAIN(tst_Kill)
#include "tst_kill.moc"
