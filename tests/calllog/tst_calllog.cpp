// The call log: Array.bin byte for byte, compaction through ArrayTemp1.bin, the Calls Log rows
// and their order, browsing in the caller display, and failed writes.
#include "AppState.h"
#include "CallDeletion.h"
#include "CallExport.h"
#include "CallLog.h"
#include "CallLogFilter.h"
#include "LogBrowser.h"
#include "MsgBox.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString LogFile = QStringLiteral("Array.bin");
const QString ScratchFile = QStringLiteral("ArrayTemp1.bin");

// A record as the file holds it, written out here by hand: the fields, "END", full stops to 80.
QByteArray rec(int callNumber, const QString &name, int rings = 1)
{
    const QString text = QStringLiteral("CL=%1DT=3/21/2026TM=02:05 PMNM=%2NB=(555)-123-4567RG=%3END");
    return text.arg(QString::number(callNumber), name, QString::number(rings)).toLatin1().leftJustified(80, '.');
}

const auto marker = [](int recordNumber) { return (QByteArray::number(recordNumber) + "DELETE").leftJustified(80); };

// The call as the caller-ID parser hands it over.
const auto line = [](const QString &name) { return "DT=3/21/2026TM=02:05 PMNM=" + name + "NB=(555)-123-4567"; };

// The call log of a fresh program folder; message boxes are recorded, not shown.
struct Log {
    TestFolder folder;
    AppState state{folder.path()};
    CallLog log{state, state.calls};
    LogBrowser browser{state, state.settings};
    MsgBoxScript boxes;
    QByteArray bytes() const { return folder.bytes(LogFile); }
};

} // namespace

class tst_CallLog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinLocale(); }

    void firstCall_data()
    {
        // The stored record from the name on, without the full stops.
        columns<QString, int, QString>("name", "rings", "stored");
        const QString az = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), longer = az + "0123456789";
        // "CL=1", date, time, "NM=", "NB=" and the number (43) and "RG=1END" leave 26 for the name.
        row("END at 78: no full stop", az, 1, az + "NB=(555)-123-4567RG=1END");
        row("name shortened to keep END", longer, 1, az + "NB=(555)-123-4567RG=1END");
        row("ten rings take one more", longer, 10, az.left(25) + "NB=(555)-123-4567RG=10END");
    }

    void firstCall()
    {
        QFETCH(QString, name);
        QFETCH(int, rings);
        QFETCH(QString, stored);
        Log l;
        QVERIFY(l.log.AppendCallRecord(line(name), rings));
        const QString record = ("CL=1DT=3/21/2026TM=02:05 PMNM=" + stored).leftJustified(80, '.');
        QCOMPARE(l.bytes(), record.toLatin1());
        // The record stays a live call through the next load.
        l.log.DisplayFinalList();
        QCOMPARE(l.state.calls.records(), QStringList{record});
    }

    void compaction_data()
    {
        // `damaged`: the file held more than calls and deletion markers, and is kept as it was.
        columns<QByteArray, QByteArray, bool>("stored", "compacted", "damaged");
        // Call 10 becomes call 9: one character shorter, padded with one blank after the full stops.
        QByteArray eight;
        for (int n = 1; n <= 8; ++n)
            eight += rec(n, "CALLER");
        const QByteArray joe = rec(10, "JOE");
        row("10 renumbered to 9", eight + marker(9) + joe, eight + "CL=9" + joe.mid(5) + ' ', false);
        // What a crash leaves (NULs, a record without its END, a torn last record) holds no call.
        const QByteArray dead = QByteArray(80, '\0') + rec(2, "B").replace("END", "...");
        const QByteArray torn = rec(4, "D").left(30);
        row("dead records dropped", rec(1, "A") + dead + rec(3, "C") + torn, rec(1, "A") + rec(2, "C"), true);
        row("zero-filled", QByteArray(800, '\0'), QByteArray(), true);
        row("not a call log", QByteArray("CALLS OF MARCH\r\n").repeated(9), QByteArray(), true);
        row("nothing to do", rec(1, "ANNA") + rec(2, "BOB"), rec(1, "ANNA") + rec(2, "BOB"), false);
        // A full record numbered 1 in tenth place (stored while the log could not be read): as
        // call 10 its name gives way to keep END, or the next start would drop it.
        QByteArray nine;
        for (int n = 1; n <= 9; ++n)
            nine += rec(n, "CALLER");
        const QString az = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        row("longer number keeps END", nine + rec(1, az), nine + rec(10, az.left(25)), false);
        // A damaged record with one byte between its END and its rings, and no name to shorten:
        // the end of its date gives way, so that "CL=1" still leaves room for the keys.
        const QByteArray ys(66, 'y');
        // Its "name" holds its rings key: shortening the name would take the key's "=".
        const QByteArray xs(55, 'x');
        row("rings key inside the name", nine + "CL=1DT=1TM=2NM=" + xs + "RG=NB=5END",
            nine + "CL=10DT=1TM=2NM=" + xs + "RG=END   ", false);
        // Its rings key right after its date key: what stands before the rings is the date key.
        row("rings key after the date key", "1DT=RG=" + xs.left(30) + "DT=" + xs.left(37) + "END",
            "CL=1DT=RG=END" + QByteArray(67, ' '), false);
        // A record without a name that needs one more digit: what gives way stands before its
        // rings, never its name's key.
        const QByteArray digits = QByteArray("5551234567").repeated(4);
        row("no name to shorten", nine + "CL=1DT=3/21/2026TM=02:05 PMNM=NB=" + digits + "RG=1END",
            nine + "CL=10DT=3/21/2026TM=02:05 PMNM=NB=" + digits.left(39) + "RG=1END", false);
        // Stray bytes put the records out of step: every whole call after them is found where it
        // starts, and only the stray bytes are damage (never a call made of two, nor one lost).
        const QByteArray three = rec(1, "ANNA") + rec(2, "BOB", 2) + rec(3, "CARL", 3);
        for (const int length : {1, 34, 79, 81, 163}) {
            for (const int place : {0, 1, 2}) {
                const QByteArray stray = QByteArray(length, place == 1 ? '\0' : 'x');
                row(qPrintable(QStringLiteral("%1 stray bytes after record %2").arg(length).arg(place)),
                    QByteArray(three).insert(place * 80, stray), three, true);
            }
        }
        // A caller whose name holds the keys of a call, then a short record: from the name on the
        // two look like one whole call, but the two stand as they are.
        const QByteArray keysInName =
            QByteArray("CL=1DT=3/21/2026TM=02:05 PMNM=ABCDEFGHIJKLMCL=1DT=NB=1RG=2END").leftJustified(80, '.');
        const QByteArray shortOne = QByteArray("CL=2DT=3/21/2026TM=02:05 PMNM=NB=RG=1END").leftJustified(80, '.');
        row("keys inside a name", keysInName + shortOne + rec(3, "C"), keysInName + shortOne + rec(3, "C"), false);
        row("stray bytes before a deletion marker", rec(1, "ANNA") + "zz" + marker(2) + rec(3, "CARL", 3),
            rec(1, "ANNA") + rec(2, "CARL", 3), true);
        row("a torn record, then whole ones", rec(1, "ANNA") + rec(2, "BOB").left(14) + rec(3, "CARL", 3),
            rec(1, "ANNA") + rec(2, "CARL", 3), true);
        row("no room between END and rings", QByteArray("\xca") + "DT=w" + ys + ".4END\xcbRG=" + "\xfa",
            "CL=1DT=w" + ys + "RG=END", true);
    }

    void compaction()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, compacted);
        QFETCH(bool, damaged);
        FastClock clock(1.0, QDateTime(QDate(2026, 3, 21), QTime(14, 5, 9)));
        ClockScope onClock(&clock);
        Log l;
        l.folder.write(LogFile, stored);
        // Left by a run that died while compacting: longer than the new log and full of other calls.
        l.folder.write(ScratchFile, rec(1, "OLD").repeated(12));
        // And a save of the whole log that was cut short; a file of the user's stays.
        l.folder.write(LogFile + ".a1B2c3", rec(1, "OLD"));
        l.folder.write(LogFile + ".notes", "mine");
        const QString olderCopy = LogFile + ".damaged-20260101-080000", copy = LogFile + ".damaged-20260321-140509";
        l.folder.write(olderCopy, "kept from before");
        const QDateTime longAgo(QDate(2001, 1, 1), QTime(12, 0));
        QFile file(l.folder.file(LogFile));
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(longAgo, QFileDevice::FileModificationTime));
        file.close();
        // What is read without a tidy-up (the export) holds the calls the tidy-up keeps.
        int calls = 0;
        QVERIFY(CallLogFile::forEachCall(l.folder.file(LogFile), [&calls](const QString &) { ++calls; }));
        QCOMPARE(calls, compacted.size() / 80);
        l.log.DisplayFinalList();
        QCOMPARE(l.bytes(), compacted);
        QCOMPARE(l.state.calls.records().join("").toLatin1(), compacted); // call n is record n
        QVERIFY(!l.folder.exists(ScratchFile));
        QVERIFY(!l.folder.exists(LogFile + ".a1B2c3") && l.folder.exists(LogFile + ".notes"));
        // What was not a call is kept beside the log, as found, and the user is told where, once.
        QCOMPARE(l.folder.bytes(olderCopy), QByteArray("kept from before"));
        QCOMPARE(l.folder.exists(copy), damaged);
        if (damaged)
            QCOMPARE(l.folder.bytes(copy), stored);
        QCoreApplication::processEvents();
        QCOMPARE(l.boxes.titles(), damaged ? QStringList{"Damaged File"} : QStringList());
        for (const MsgRecord &box : std::as_const(l.boxes.shown)) {
            const QStringList lines = box.text.split('\r');
            QVERIFY2(lines.contains(QDir::toNativeSeparators(l.folder.file(LogFile))) &&
                         lines.contains(QDir::toNativeSeparators(l.folder.file(copy))),
                     qPrintable(box.text));
        }
        l.log.DisplayFinalList();
        QCoreApplication::processEvents();
        QCOMPARE(l.boxes.shown.size(), damaged ? 1 : 0);
        // A log with nothing to drop or renumber is not written again at every start.
        QCOMPARE(QFileInfo(file).lastModified() == longAgo, stored == compacted);
    }

    void sortOrder_data()
    {
        // Column 2 (name) to 6 (rings); the values in the order of adding, then as sorted.
        columns<int, bool, QString, QString>("column", "ascending", "values", "sorted");
        row("rings descending", 6, false, "9,10,2,1", "10,9,2,1");
        // The key of a negative number is "&" and its magnitude with every digit d as 9 - d:
        // negatives first, the largest magnitude first.
        row("signed numbers", 6, true, "3,-5,0,-10,2.5,-0.5,100", "-10,-5,-0.5,0,2.5,3,100");
        row("names as text", 2, true, "ZOE,9 LIVES INC,ADAMS,10 DOWNING", "10 DOWNING,9 LIVES INC,ADAMS,ZOE");
        row("dates", 4, true, "3/21/2026,12/1/2025,1/5/2026", "12/1/2025,1/5/2026,3/21/2026");
        row("times", 5, true, "02:05 PM,11:30 AM,12:15 AM,12:00 PM", "12:15 AM,11:30 AM,12:00 PM,02:05 PM");
        // Enough equal keys that a sort which is not stable shows it (small ranges sort stably by chance).
        const QString sorted = QString("2,").repeated(67) + QString("1,").repeated(67) + QString("0,").repeated(67);
        row("equal keys keep their order", 6, false, QString("0,1,2,").repeated(67).chopped(1), sorted.chopped(1));
    }

    void sortOrder()
    {
        QFETCH(int, column);
        QFETCH(bool, ascending);
        QFETCH(QString, values);
        QFETCH(QString, sorted);
        const QStringList cells = values.split(',');
        CallLogModel m;
        for (int i = 0; i < cells.size(); ++i)
            m.addRow({QString::number(i + 1), cells[i], cells[i], cells[i], cells[i], cells[i]});
        // The Calls Log window sorts column c with the kind of data c - 1.
        m.SortListView(column, column - 1, ascending);
        QCOMPARE(m.column(column).join(','), sorted);
        for (int i = 0; i < m.rowCount(); ++i) {
            const int added = m.row(i)[0].toInt(), above = i > 0 ? m.row(i - 1)[0].toInt() : 0;
            QCOMPARE(m.row(i)[column - 1], cells[added - 1]); // whole rows move
            QVERIFY(above < added || cells[above - 1] != cells[added - 1]);
        }
    }

    void browse_data()
    {
        // Each step: D "<===", U "===>" or A (shown again from the tray), then the position it
        // leads to; position 0 is "Bottom of the List", records + 1 "Top of the List". Every
        // record holds the same date and time fields; `date` is the date label they give.
        columns<int, int, QString, QString, QString, QString>("records", "start", "steps", "format", "fields", "date");
        const QString jan5 = QStringLiteral("DT=1/5/2026TM=03:05 PM");
        row("down to the bottom and back", 3, 4, "D3 D2 D1 D0 D0 U1", "Short Date", jan5, "1 / 5 / 2026\r\n03:05 PM");
        row("up to the top and back", 3, 0, "U1 U2 U3 U4 U4 D3", "Long Date", jan5, "January 5, 2026\r\n03:05 PM");
        // 5 January 2026 is a Monday.
        row("shown again", 3, 1, "A1 D0 A0", "Day with Long Date", jan5, "Monday January 5, 2026\r\n03:05 PM");
        row("empty log", 0, 0, "U1 D0", "Long Date", jan5, "");
        row("24-hour time", 1, 2, "D1", "Short Date", "DT=1/5/2026TM=15:05", "1 / 5 / 2026\r\n03:05 PM");
        row("unreadable date and time", 1, 2, "D1", "Long Date", "DT=13 99TM=25:00", "13 99\r\n25:00");
    }

    void browse()
    {
        QFETCH(int, records);
        QFETCH(int, start);
        QFETCH(QString, steps);
        QFETCH(QString, format);
        QFETCH(QString, fields);
        QFETCH(QString, date);
        Log l;
        l.state.settings.DateFormat = format;
        for (int n = 1; n <= records; ++n)
            l.state.calls.append(QString("CL=%1%2NM=CALLER %1NB=(555)-123-4567RG=1END").arg(n).arg(fields));
        l.state.LogPosition = start;
        for (const QString &step : steps.split(' ')) {
            const auto press = step[0] == 'D' ? &LogBrowser::GetFromLogTopToBottom : &LogBrowser::GetFromLogBottomToTop;
            (l.browser.*(step[0] == 'A' ? &LogBrowser::showAgain : press))();
            const QString p = step.mid(1);
            const bool call = p.toInt() >= 1 && p.toInt() <= records;
            const QString name = call ? "CALLER " + p : p == "0" ? "Bottom of the List" : "Top of the List";
            const CallerDisplay &d = l.state.display;
            QCOMPARE((QStringList{QString::number(l.state.LogPosition), d.number(), d.name(), d.time()}),
                     (QStringList{p, call ? "(555)-123-4567" : "", name, call ? date : ""}));
        }
    }

    void failedWritesLoseNoCall()
    {
        Log l;
        QVERIFY(l.log.AppendCallRecord(line("ANNA"), 1));
        // Room for the stored record, not for the new log: the disk fills up halfway through. The
        // checks come after the limit is lifted: a failure message must not meet a full disk.
        bool appended = true;
        QString fullDiskError, folderError;
        if (FileSizeLimit fullDisk(100); fullDisk.ok())
            appended = l.log.AppendCallRecord(line("BOB"), 2, &fullDiskError);
        QVERIFY(!appended && !fullDiskError.isEmpty());
        QCOMPARE(l.bytes(), rec(1, "ANNA")); // the old log, whole
        // Array.bin is a folder.
        QVERIFY(QFile::remove(l.folder.file(LogFile)) && QDir(l.folder.path()).mkdir(LogFile));
        QVERIFY(!l.log.AppendCallRecord(line("CARL"), 3, &folderError) && !folderError.isEmpty());
        QVERIFY(QDir(l.folder.path()).rmdir(LogFile));
        QVERIFY(l.boxes.shown.isEmpty()); // the caller tells the user, once its call is settled
        // The calls are kept and go to the file with the next write.
        QVERIFY(l.log.AppendCallRecord(line("DAN"), 4));
        const QByteArray all = rec(1, "ANNA") + rec(2, "BOB", 2) + rec(3, "CARL", 3) + rec(4, "DAN", 4);
        QCOMPARE(l.bytes(), all);
        // A compaction that cannot write its scratch file leaves the log as it was.
        QVERIFY(l.log.file().writeDeletionMarker(2) && QDir(l.folder.path()).mkdir(ScratchFile));
        l.log.DisplayFinalList();
        QCOMPARE(l.bytes(), all.left(80) + marker(2) + all.mid(160));
        QCOMPARE(l.state.calls.count(), 3); // the calls are there all the same
        QCOMPARE(l.boxes.titles(), QStringList{"File Write Error"});
        const QString path = QDir::toNativeSeparators(l.folder.file(LogFile));
        for (const MsgRecord &box : std::as_const(l.boxes.shown))
            QVERIFY2(box.text.split('\r').contains(path), qPrintable(box.text));
        // A call whose write failed outlives a reload of the log, and is written with it.
        QVERIFY(QDir(l.folder.path()).rmdir(ScratchFile));
        appended = true;
        if (FileSizeLimit fullDisk(100); fullDisk.ok())
            appended = l.log.AppendCallRecord(line("EVE"), 5);
        QVERIFY(!appended);
        l.log.DisplayFinalList();
        QCOMPARE(l.bytes(), rec(1, "ANNA") + rec(2, "CARL", 3) + rec(3, "DAN", 4) + rec(4, "EVE", 5));
    }

    void refusedMarkGoesWithItsCall_data()
    {
        // What stops the first write: a full disk, or refused.txt that cannot be written.
        columns<QString>("fault");
        row("full disk", "full disk");
        row("marks not writable", "marks");
    }

    void refusedMarkGoesWithItsCall()
    {
        QFETCH(QString, fault);
        Log l;
        QVERIFY(l.log.AppendCallRecord(line("ANNA"), 1));
        const QString marks = l.folder.file(RefusedCalls::fileName());
        bool appended = true;
        QString error;
        if (fault == "marks") {
            QVERIFY(QDir(l.folder.path()).mkdir(RefusedCalls::fileName()));
            appended = l.log.AppendCallRecord(line("BOB"), 2, &error, true);
            QVERIFY(QDir(l.folder.path()).rmdir(RefusedCalls::fileName()));
            QCOMPARE(l.log.failedPath(), marks);
        } else if (FileSizeLimit fullDisk(100); fullDisk.ok()) {
            appended = l.log.AppendCallRecord(line("BOB"), 2, &error, true);
        }
        QVERIFY(!appended && !error.isEmpty());
        QCOMPARE(l.bytes(), rec(1, "ANNA")); // not stored yet
        // The next write takes both; the mark is written once, whatever was retried.
        QVERIFY(l.log.AppendCallRecord(line("CARL"), 3));
        QCOMPARE(l.bytes(), rec(1, "ANNA") + rec(2, "BOB", 2) + rec(3, "CARL", 3));
        QCOMPARE(l.folder.bytes(RefusedCalls::fileName()).count('\n'), 1);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(CallExport::write(l.folder.file(LogFile), marks, out, nullptr));
        QVERIFY2(out.data().contains(",BOB,(555)-123-4567,2,yes\r\n") &&
                     out.data().contains(",ANNA,(555)-123-4567,1,no\r\n") &&
                     out.data().contains(",CARL,(555)-123-4567,3,no\r\n"),
                 out.data().constData());
    }

    void unreadableLogIsNeverOverwritten()
    {
        Log l;
        QByteArray stored;
        for (int n = 1; n <= 3; ++n)
            stored += rec(n, "CALLER");
        l.folder.write(LogFile, stored);
        bool appended = true;
        {
            // No file can be opened while the log is loaded (the process ran out of handles).
            rlimit old{};
            getrlimit(RLIMIT_NOFILE, &old);
            // The lowest free descriptor becomes the limit: every further open fails.
            const int lowestFree = ::open("/dev/null", O_RDONLY);
            ::close(lowestFree);
            rlimit none = old;
            none.rlim_cur = rlim_t(lowestFree);
            if (setrlimit(RLIMIT_NOFILE, &none) != 0)
                QSKIP("cannot limit open files here");
            l.log.DisplayFinalList();
            // A call ends meanwhile: it cannot be written, and is numbered by its place in the file.
            appended = l.log.AppendCallRecord(line("DAN"), 4);
            setrlimit(RLIMIT_NOFILE, &old);
        }
        QCOMPARE(l.boxes.titles(), QStringList{"File Read Error"});
        QVERIFY(!appended);
        QCOMPARE(l.state.calls.count(), 1);
        QCOMPARE(l.log.model().row(0), (CallLogModel::Row{"4", "DAN", "(555)-123-4567", "3/21/2026", "02:05 PM", "4"}));
        // The next call comes once the file can be read again: the earlier calls are still there.
        QVERIFY(l.log.AppendCallRecord(line("EVE"), 5));
        QCOMPARE(l.bytes(), stored + rec(4, "DAN", 4) + rec(5, "EVE", 5));
        QCOMPARE(l.log.model().column(1), (QStringList{"5", "4", "3", "2", "1"}));
    }

    void longLog()
    {
        // Beyond 32,767 calls, where a 16-bit count would wrap. Built as bytes: storing the calls
        // one by one would rewrite the log each time.
        constexpr int Calls = 32768;
        QByteArray stored = marker(1);
        for (int n = 2; n <= Calls + 1; ++n)
            stored += rec(n, QStringLiteral("C%1").arg(n - 1), 7);
        Log l;
        l.folder.write(LogFile, stored);
        l.log.DisplayFinalList();
        CallLogModel &m = l.log.model();
        QCOMPARE(m.row(0), (CallLogModel::Row{"32768", "C32768", "(555)-123-4567", "3/21/2026", "02:05 PM", "7"}));
        // Memory holds the newest 32,767 calls, whatever the log's length; the oldest is read from
        // the file when the main window browses down to it.
        QCOMPARE(m.rowCount(), CallLog::Held);
        QCOMPARE(l.state.calls.records().size(), CallLog::Held);
        l.state.LogPosition = Calls + 1;
        l.browser.GetFromLogTopToBottom();
        QCOMPARE(l.state.display.name(), QStringLiteral("C32768"));
        l.browser.GetFromLogBottomToTop();
        QCOMPARE(l.state.display.name(), QStringLiteral("Top of the List"));
        l.state.LogPosition = 2;
        l.browser.GetFromLogTopToBottom();
        QCOMPARE(l.state.display.name(), QStringLiteral("C1"));
        // The user sorted the list by name; new calls still go on top, numbered on from the
        // compacted log.
        m.SortListView(2, 1, true);
        QCOMPARE(m.row(0)[1], QStringLiteral("C10"));
        QVERIFY(l.log.AppendCallRecord(line("NEW"), 1) && l.log.AppendCallRecord(line("NEWER"), 2));
        QCOMPARE(m.column(1).mid(0, 3), (QStringList{"32770", "32769", "32768"}));
        QCOMPARE(l.bytes().right(160), rec(Calls + 1, "NEW") + rec(Calls + 2, "NEWER", 2));
    }

    void csvExport_data()
    {
        // A stored name (Latin-1, as Array.bin holds it), the CSV row it becomes.
        columns<QString, QByteArray>("name", "csv");
        row("plain", QString("ANNA"), QByteArray("2,3/21/2026,02:05 PM,ANNA,(555)-123-4567,1,no\r\n"));
        row("comma", QString("DOE, JOHN"), QByteArray("2,3/21/2026,02:05 PM,\"DOE, JOHN\",(555)-123-4567,1,no\r\n"));
        row("quotes", QString("\"BIG\" AL"),
            QByteArray("2,3/21/2026,02:05 PM,\"\"\"BIG\"\" AL\",(555)-123-4567,1,no\r\n"));
        row("non-ASCII", QString::fromUtf8("JOSÉ ÑU"),
            QByteArray("2,3/21/2026,02:05 PM,JOS\xc3\x89 \xc3\x91U,(555)-123-4567,1,no\r\n"));
        row("line ends", QString("A\rB\nC"), QByteArray("2,3/21/2026,02:05 PM,\"A\rB\nC\",(555)-123-4567,1,no\r\n"));
        // A name a spreadsheet would run as a formula goes out as text.
        row("formula", QString("=HYPERLINK(\"x.io\")"),
            QByteArray("2,3/21/2026,02:05 PM,\"'=HYPERLINK(\"\"x.io\"\")\",(555)-123-4567,1,no\r\n"));
        row("plus", QString("+1 SALES"), QByteArray("2,3/21/2026,02:05 PM,'+1 SALES,(555)-123-4567,1,no\r\n"));
        row("minus", QString("-2+3"), QByteArray("2,3/21/2026,02:05 PM,'-2+3,(555)-123-4567,1,no\r\n"));
        row("at", QString("@SUM(A1)"), QByteArray("2,3/21/2026,02:05 PM,'@SUM(A1),(555)-123-4567,1,no\r\n"));
        row("inside only", QString("A=B"), QByteArray("2,3/21/2026,02:05 PM,A=B,(555)-123-4567,1,no\r\n"));
        // Refused calls are known by their own mark, whatever their place.
        row("refused", QString("REFUSED"), QByteArray("2,3/21/2026,02:05 PM,REFUSED,(555)-999-0000,1,yes\r\n"));
    }

    void csvExport()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, csv);
        Log l;
        const bool refused = name == "REFUSED";
        QByteArray second = rec(7, name);
        if (refused)
            second.replace("(555)-123-4567", "(555)-999-0000");
        // A deleted call between them, not compacted yet: the calls are numbered by their place.
        l.folder.write(LogFile, rec(1, "FIRST") + marker(2) + second);
        const QString refusedFile = l.folder.file(RefusedCalls::fileName());
        if (refused)
            QVERIFY(RefusedCalls::add(refusedFile, CallRecord::fields(QString::fromLatin1(second)), 3, nullptr));
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString error;
        QVERIFY(CallExport::write(l.folder.file(LogFile), refusedFile, out, &error));
        QCOMPARE(out.data(), "Call,Date,Time,Name,Number,Rings,Refused\r\n"
                             "1,3/21/2026,02:05 PM,FIRST,(555)-123-4567,1,no\r\n" +
                                 csv);
        QCOMPARE(l.folder.bytes(LogFile).size(), 240); // read only: nothing tidied up
    }

    void refusedMarks_data()
    {
        // The log (each call's name; the same date, time and number for all), the lines of
        // refused.txt (`n:NAME` a mark of the call named NAME stored as call n; `old` a line of
        // the earlier form, date, time and number only), the Refused column.
        columns<QString, QString, QString>("calls", "marks", "refused");
        row("one of a minute's calls", "ANNA,BOB,CARL", "2:BOB", "no,yes,no");
        row("the same call twice, the second refused", "ANNA,ANNA", "2:ANNA", "no,yes");
        row("stored under a number since renumbered", "ANNA,CARL", "3:CARL", "no,yes");
        // An older call was deleted since: the mark is for the nearest same call below its number.
        row("moved down, the same call before it", "ANNA,ANNA", "3:ANNA", "no,yes");
        row("two marks, two calls", "ANNA,ANNA,ANNA", "1:ANNA,3:ANNA", "yes,no,yes");
        row("a name with a line end", "A\nB,C", "1:A\nB", "yes,no");
        row("earlier form: one call per line", "ANNA,BOB", "old", "yes,no");
        row("earlier form, twice", "ANNA,BOB,CARL", "old,old", "yes,yes,no");
        row("no mark", "ANNA", "", "no");
    }

    void refusedMarks()
    {
        QFETCH(QString, calls);
        QFETCH(QString, marks);
        QFETCH(QString, refused);
        Log l;
        QByteArray log;
        int n = 0;
        for (const QString &name : calls.split(','))
            log += rec(++n, name);
        l.folder.write(LogFile, log);
        const QString refusedFile = l.folder.file(RefusedCalls::fileName());
        for (const QString &mark : marks.split(',', Qt::SkipEmptyParts)) {
            if (mark == "old") {
                QFile f(refusedFile);
                QVERIFY(f.open(QIODevice::Append) && f.write("DT=3/21/2026TM=02:05 PMNB=(555)-123-4567\n") > 0);
            } else {
                const QString record = QString::fromLatin1(rec(0, mark.section(':', 1)));
                QVERIFY(RefusedCalls::add(refusedFile, CallRecord::fields(record), mark.section(':', 0, 0).toInt(),
                                          nullptr));
            }
        }
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(CallExport::write(l.folder.file(LogFile), refusedFile, out, nullptr));
        QStringList column;
        for (const QString &csvLine : QString::fromUtf8(out.data()).split("\r\n").mid(1, n))
            column << csvLine.section(',', -1);
        QCOMPARE(column.join(','), refused);
        // The Calls Log's Refused column marks the same calls, listed newest first.
        l.log.DisplayFinalList();
        l.log.model().setRefusals(RefusedCalls::Column(RefusedCalls::read(refusedFile), {}));
        QStringList listed = l.log.model().column(CallLogModel::RefusedColumn);
        std::reverse(listed.begin(), listed.end());
        for (QString &c : listed)
            c = c.isEmpty() ? "no" : c;
        QCOMPARE(listed.join(','), refused);
    }

    void search_data()
    {
        // The text typed, the names left (newest first, as the list shows them).
        columns<QString, QString>("text", "shown");
        row("nothing typed", "", "NEW DOE,BOB BAKER,JOHN  DOE");
        row("part of a name, any case", "doe", "NEW DOE,JOHN  DOE");
        row("a doubled blank typed once", "john doe", "JOHN  DOE");
        row("number as shown", "(555)-123", "JOHN  DOE");
        row("number by its digits", "555 123 45", "JOHN  DOE");
        row("digits of two numbers", "0100", "NEW DOE,BOB BAKER");
        row("no such caller", "zed", "");
    }

    void search()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        CallLogModel m;
        m.addRow({"1", "JOHN  DOE", "(555)-123-4567", "3/21/2026", "02:05 PM", "1"});
        m.addRow({"2", "BOB BAKER", "(305)-555-0100", "3/21/2026", "02:06 PM", "2"});
        m.addRow({"3", "NEW DOE", "(305)-555-0100", "3/21/2026", "02:07 PM", "1"});
        CallLogFilter filter;
        filter.setSourceModel(&m);
        filter.setSearch(text);
        m.SortListView(1, 0, false); // the log's own sort goes on under the search
        QStringList names;
        for (int r = 0; r < filter.rowCount(); ++r)
            names << filter.index(r, 1).data().toString();
        QCOMPARE(names.join(','), shown);
        // A new call that matches shows up at once.
        m.insertSorted({"4", "ZED DOE", "(212)-555-0000", "3/21/2026", "02:08 PM", "1"});
        QCOMPARE(filter.rowCount(), names.size() + (text.isEmpty() || text == "doe" || text == "zed" ? 1 : 0));
    }

    void findRecord_data()
    {
        // A call sought by its number, the record that holds it (0: none), which a deletion marks.
        // `at`: where that record starts, when stray bytes put it out of its place.
        columns<QByteArray, QString, int, int>("stored", "callNumber", "record", "at");
        const QByteArray log = rec(1, "A") + "2DELETE" + QByteArray(73, ' ') + rec(3, "C") + rec(4, "D");
        row("the oldest call", log, "1", 1, -1);
        row("the newest call", log, "4", 4, -1);
        // The search passes the deleted record and ends at the end of the file.
        row("a deleted call", log, "2", 0, -1);
        row("no such call", log, "7", 0, -1);
        // An empty text is a prefix of every number, but no number.
        row("no number", log, "", 0, -1);
        // Not compacted yet: the first record that holds the number, from the first record on.
        row("out of place", rec(7, "A") + rec(2, "B") + rec(7, "C"), "7", 1, -1);
        // A damaged record that kept its old number is not taken for the call at that place.
        row("its own place first", rec(2, "X") + rec(2, "B"), "2", 2, -1);
        // Not renumbered yet, and another call at its place: that one is not deleted in its stead.
        row("another call in its place", rec(5, "A") + rec(1, "B"), "1", 2, -1);
        // Stray bytes after the first record: the call is marked where it starts, and the stray
        // bytes, counted as one record, are left as they are.
        const QByteArray stray = rec(1, "A") + QByteArray(34, '\0') + rec(2, "B") + rec(3, "C");
        row("after stray bytes", stray, "3", 4, 194);
        row("its place holds stray bytes", stray, "2", 3, 114);
    }

    void findRecord()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, callNumber);
        QFETCH(int, record);
        QFETCH(int, at);
        Log l;
        l.folder.write(LogFile, stored);
        QCOMPARE(l.log.file().findRecord(callNumber), record);
        // Deleting it in the Calls Log marks that record in place, and nothing else.
        QString error;
        QVERIFY(markCallsDeleted(l.log.file(), {callNumber}, &error));
        QByteArray marked = stored;
        if (record > 0)
            marked.replace(at >= 0 ? at : (record - 1) * 80, 80, marker(record));
        QCOMPARE(l.bytes(), marked);
    }
};

QTEST_GUILESS_MAIN(tst_CallLog)
#include "tst_calllog.moc"
