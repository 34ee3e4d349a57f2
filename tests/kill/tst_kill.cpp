// The real program killed with SIGKILL, at random moments and at each operation on its data
// files, while calls come in and numbers are on the blocked list. After every kill: the calls
// stored before it are all still there, the files hold whole records, and the program starts
// again without a message box. RINGLARK_KILL_SECONDS sets how long it goes on (22 s in the
// suite).
#include "BlockedFile.h"
#include "CallRecord.h"
#include "CallTexts.h"
#include "ModemSim.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <csignal>
#include <sys/prctl.h>

namespace {

// The end of a call, ten seconds after its last ring, passes in 200 ms.
constexpr char TimeFactor[] = "50";
// Kills at file operations go through the first this many operations of a run, in turn.
constexpr int OperationsCovered = 60;

QSet<QString> storedCalls(const QByteArray &log)
{
    QSet<QString> numbers;
    for (qsizetype at = 0; at + CallRecord::Length <= log.size(); at += CallRecord::Length)
        numbers << CallRecord::fields(QString::fromLatin1(log.mid(at, CallRecord::Length))).number;
    return numbers;
}


} // namespace

class tst_Kill : public QObject {
    Q_OBJECT
private slots:
    void killedProgramKeepsItsData()
    {
        const int seconds = qEnvironmentVariableIntValue("RINGLARK_KILL_SECONDS") > 0
                                ? qEnvironmentVariableIntValue("RINGLARK_KILL_SECONDS")
                                : 22;
        TestFolder folder;
        folder.copyProgramData();
        QVERIFY(QFile::copy(QStringLiteral(RINGLARK_BIN_DIR "/ringlark"), folder.file("ringlark")));
        QFile::setPermissions(folder.file("ringlark"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        folder.writeModemSettings();
        ModemSimThread modem;
        QVERIFY(modem.linkAs(folder.path(), 1));
        const qint64 settingsSize = folder.bytes("acsetup.bin").size();

        QRandomGenerator random(20240321);
        QSet<QString> known; // calls seen in Array.bin after the last kill
        int attempts = 0, atOperation = 0, losses = 0, torn = 0, loudStarts = 0, callNumber = 0, refusals = 0;
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
            // Now and then the next caller is on the blocked list: refused, dropped, stored at once.
            const bool blockNext = random.bounded(3) == 0;
            const QString nextNumber = QStringLiteral("555%1").arg(callNumber + 1, 7, 10, QLatin1Char('0'));
            if (blockNext) {
                QFile b(folder.file("blocked.bin"));
                QVERIFY(b.open(QIODevice::Append));
                // As the program itself stores them: the number in its display pattern.
                b.write(BlockedFile::entryRecord(CallTexts::displayPattern(nextNumber), QStringLiteral("KILL TEST")));
            }

            modem.clearLog();
            QProcess program;
            program.setProcessEnvironment(env);
            // If the test itself is stopped (its time limit), the program goes with it.
            program.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
            program.start(folder.file("ringlark"));
            QVERIFY(program.waitForStarted());
            const qint64 killAfter = random.bounded(1500);
            QElapsedTimer run;
            run.start();
            bool armed = false;
            int calls = 0;
            while (program.state() == QProcess::Running && run.elapsed() < 4000) {
                if (!byOperation && run.elapsed() >= killAfter)
                    break;
                if (!armed && modem.commandTexts().contains(QStringLiteral("AT+VCID=1"))) {
                    armed = true;
                    QTest::qWait(100); // a box at start-up comes right after the port is armed
                }
                if (armed && !modem.sim()->callInProgress() && calls < 3) {
                    ++calls;
                    ++callNumber;
                    ModemSim::Call call;
                    call.report = ModemSim::report("0321", "1405", QStringLiteral("555%1").arg(callNumber, 7, 10, QLatin1Char('0')),
                                                   QStringLiteral("CALLER %1").arg(callNumber));
                    call.ringsAfter = 1;
                    call.ringGapMs = 50;
                    modem.placeCall(call);
                }
                QTest::qWait(20);
            }
            // Not armed after four seconds: a box held the start-up (it shows on standard error).
            program.kill();
            program.waitForFinished();
            // A blocked caller is answered and hung up on (ATA): the list is in the program's format.
            refusals += int(modem.commandTexts().count(QStringLiteral("ATA")));
            if (program.readAllStandardError().contains("message box:"))
                ++loudStarts;
            while (modem.sim()->callInProgress())
                QTest::qWait(20);

            const QByteArray log = folder.bytes("Array.bin");
            if (log.size() % CallRecord::Length != 0 || folder.bytes("blocked.bin").size() % 50 != 0 ||
                folder.bytes("acsetup.bin").size() != settingsSize)
                ++torn;
            const QSet<QString> now = storedCalls(log);
            for (const QString &n : std::as_const(known))
                losses += !now.contains(n);
            known = now;
        }
        qInfo("kill test: %d kills (%d at a file operation, %d at random moments), %d calls placed, %lld stored, "
              "%d refused; %d losses, %d torn files, %d starts with a message box",
              attempts, atOperation, attempts - atOperation, callNumber, qlonglong(known.size()), refusals, losses,
              torn, loudStarts);
        QVERIFY(attempts > 0 && !known.isEmpty());
        QVERIFY(refusals > 0); // blocked callers came, and were refused
        QCOMPARE(losses, 0);
        QCOMPARE(torn, 0);
        QCOMPARE(loudStarts, 0);
    }
};

QTEST_GUILESS_MAIN(tst_Kill)
#include "tst_kill.moc"
