// The call log: Array.bin byte for byte, compaction through ArrayTemp1.bin, the Calls Log rows
// and their sort keys, browsing in the caller display, and failed writes.
#include "AppState.h"
#include "CallLog.h"
#include "CallRecord.h"
#include "LogBrowser.h"
#include "MsgBox.h"
#include "SortKeys.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>


namespace {

const QString LogFile = QStringLiteral("Array.bin");
const QString ScratchFile = QStringLiteral("ArrayTemp1.bin");

// A record as the file holds it, written out here by hand: the fields, "END", full stops to 80.
QByteArray recordBytes(int callNumber, const QString &name, const QString &number = QStringLiteral("(555)-123-4567"),
                       int rings = 1, const QString &date = QStringLiteral("3/21/2026"),
                       const QString &time = QStringLiteral("02:05 PM"))
{
    const QByteArray text = QStringLiteral("CL=%1DT=%2TM=%3NM=%4NB=%5RG=%6END")
                                .arg(QString::number(callNumber), date, time, name, number, QString::number(rings))
                                .toLatin1();
    return text + QByteArray(80 - text.size(), '.');
}

// The same record under another call number, as compaction writes it (space-padded to 80).
QByteArray renumberedBytes(const QByteArray &record, int callNumber)
{
    const QByteArray text = "CL=" + QByteArray::number(callNumber) + record.mid(record.indexOf("DT="));
    return text.left(80) + QByteArray(80 - std::min<qsizetype>(text.size(), 80), ' ');
}

QByteArray markerBytes(int recordNumber)
{
    const QByteArray m = QByteArray::number(recordNumber) + "DELETE";
    return m + QByteArray(80 - m.size(), ' ');
}

QString recordLine(const QString &name, const QString &number = QStringLiteral("(555)-123-4567"))
{
    return QStringLiteral("DT=3/21/2026TM=02:05 PMNM=") + name + QStringLiteral("NB=") + number;
}

// The call log of a fresh program folder.
struct Log {
    TestFolder folder;
    AppState state{folder.path()};
    CallLog log{state};
    LogBrowser browser{state};

    QByteArray bytes() const { return folder.bytes(LogFile); }
    QStringList labels() const
    {
        return {QString::number(state.LogPosition), state.display.Label1(), state.display.Label2(),
                state.display.Label3()};
    }
};

} // namespace

class tst_CallLog : public QObject {
    Q_OBJECT
private slots:
    void findRecord_data();
    void findRecord();
    void initTestCase();
    void firstCall();
    void recordLength_data();
    void recordLength();
    void appendKeepsStoredRecords();
    void appendShowsNewestFirst();
    void deletionMarkerCompactedAway();
    void compaction_data();
    void compaction();
    void leftoverScratchDiscarded_data();
    void leftoverScratchDiscarded();
    void unchangedLogIsNotRewritten();
    void listNewestFirst();
    void sortOrder_data();
    void sortOrder();
    void equalKeysKeepOrder();
    void invertDigits_data();
    void invertDigits();
    void browse_data();
    void browse();
    void recordDisplay_data();
    void recordDisplay();
    void failedAppendIsReported_data();
    void failedAppendIsReported();
    void failedCompactionIsReported_data();
    void failedCompactionIsReported();
    void beyond32767Calls();
};

void tst_CallLog::initTestCase()
{
    pinLocale();
}

void tst_CallLog::firstCall()
{
    Log l;
    QVERIFY(!l.folder.exists(LogFile));
    l.log.DisplayFinalList();
    QVERIFY(l.folder.exists(LogFile)); // a log is there from the first start on, empty
    QCOMPARE(l.bytes(), QByteArray());

    MsgBoxScript boxes;
    QVERIFY(l.log.AppendCallRecord(recordLine(QStringLiteral("JOHN  DOE")), 3));
    const QByteArray expected = "CL=1DT=3/21/2026TM=02:05 PMNM=JOHN  DOENB=(555)-123-4567RG=3END";
    QCOMPARE(l.bytes(), expected + QByteArray(80 - expected.size(), '.'));
    QCOMPARE(l.state.calls.count(), 1);
    QCOMPARE(l.state.calls.at(1).toLatin1(), l.bytes());
    QVERIFY(boxes.shown.isEmpty());
}

void tst_CallLog::recordLength_data()
{
    QTest::addColumn<int>("nameLength");
    QTest::addColumn<int>("rings");
    QTest::addColumn<int>("keptName"); // characters of the name in the record
    QTest::addColumn<int>("fullStops");

    // "CL=1" + date, time, "NM=", "NB=" and the number (43) + "RG=1END" leave 26 for the name.
    QTest::newRow("END at 77: one full stop") << 25 << 1 << 25 << 1;
    QTest::newRow("END at 78: none") << 26 << 1 << 26 << 0;
    QTest::newRow("one character too long") << 27 << 1 << 26 << 0;
    QTest::newRow("far too long") << 70 << 1 << 26 << 0;
    QTest::newRow("ten rings take one more") << 70 << 10 << 25 << 0;
}

void tst_CallLog::recordLength()
{
    QFETCH(int, nameLength);
    QFETCH(int, rings);
    QFETCH(int, keptName);
    QFETCH(int, fullStops);
    QString name;
    for (int i = 0; i < nameLength; ++i)
        name += QChar('A' + i % 26);

    Log l;
    QVERIFY(l.log.AppendCallRecord(recordLine(name), rings));
    const QByteArray stored = l.bytes();
    QCOMPARE(stored.size(), 80);
    const QByteArray tail = "NB=(555)-123-4567RG=" + QByteArray::number(rings) + "END";
    const QByteArray expected = "CL=1DT=3/21/2026TM=02:05 PMNM=" + name.left(keptName).toLatin1() + tail;
    QCOMPARE(stored, expected + QByteArray(fullStops, '.'));

    // The record stays a live call through the next load.
    l.log.DisplayFinalList();
    QCOMPARE(l.state.calls.count(), 1);
    QCOMPARE(l.log.model().row(0)[1], name.left(keptName));
    QCOMPARE(l.bytes(), stored);
}

void tst_CallLog::appendKeepsStoredRecords()
{
    Log l;
    const QByteArray stored = recordBytes(1, "ANNA") + recordBytes(2, "BOB") + markerBytes(3) + recordBytes(4, "DAN");
    l.folder.write(LogFile, stored);
    l.log.DisplayFinalList();
    const QByteArray compacted = l.bytes();
    QCOMPARE(compacted, recordBytes(1, "ANNA") + recordBytes(2, "BOB") + renumberedBytes(recordBytes(4, "DAN"), 3));

    // The next call continues the numbering of the compacted log; the stored records stay as they are.
    QVERIFY(l.log.AppendCallRecord(recordLine(QStringLiteral("EVE"), QStringLiteral("PRIVATE NUMBER")), 2));
    QCOMPARE(l.bytes(), compacted + recordBytes(4, "EVE", "PRIVATE NUMBER", 2));
    QCOMPARE(l.state.calls.nextRecord(), 5);
    QCOMPARE(l.log.model().rowCount(), 4);
    QCOMPARE(l.log.model().row(0)[0], QStringLiteral("4"));
}

void tst_CallLog::appendShowsNewestFirst()
{
    Log l;
    l.folder.write(LogFile, recordBytes(1, "CARL") + recordBytes(2, "ANNA") + recordBytes(3, "BOB"));
    l.log.DisplayFinalList();
    // The user sorted the list by name; a new call still puts the newest call on top.
    l.log.model().SortListView(2, 1, true);
    QCOMPARE(l.log.model().column(1), (QStringList{"2", "3", "1"}));
    QVERIFY(l.log.AppendCallRecord(recordLine(QStringLiteral("ZOE")), 1));
    QCOMPARE(l.log.model().column(1), (QStringList{"4", "3", "2", "1"}));
    QVERIFY(l.log.AppendCallRecord(recordLine(QStringLiteral("ADAM")), 1));
    QCOMPARE(l.log.model().column(2), (QStringList{"ADAM", "ZOE", "BOB", "ANNA", "CARL"}));
}

void tst_CallLog::deletionMarkerCompactedAway()
{
    Log l;
    const QByteArray first = recordBytes(1, "ANNA"), second = recordBytes(2, "BOB"), third = recordBytes(3, "CARL");
    l.folder.write(LogFile, first + second + third);
    QVERIFY(l.log.file().writeDeletionMarker(2));
    QCOMPARE(l.bytes(), first + "2DELETE" + QByteArray(73, ' ') + third);

    l.log.DisplayFinalList();
    QCOMPARE(l.bytes(), first + recordBytes(2, "CARL"));
    QVERIFY(!l.folder.exists(ScratchFile));
    QCOMPARE(l.state.calls.count(), 2);
    QCOMPARE(l.log.model().column(2), (QStringList{"CARL", "ANNA"}));
}

void tst_CallLog::compaction_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("compacted");

    QTest::newRow("first deleted") << markerBytes(1) + recordBytes(2, "BOB") + recordBytes(3, "CARL")
                                   << recordBytes(1, "BOB") + recordBytes(2, "CARL");

    // Call 10 becomes call 9: one character shorter, padded with one blank after the full stops.
    QByteArray ten, nine;
    for (int n = 1; n <= 10; ++n) {
        if (n == 4)
            ten += markerBytes(4);
        else
            ten += recordBytes(n, QStringLiteral("CALLER %1").arg(n));
    }
    for (int n = 1; n <= 10; ++n) {
        if (n != 4)
            nine += renumberedBytes(recordBytes(n, QStringLiteral("CALLER %1").arg(n)), n < 4 ? n : n - 1);
    }
    QVERIFY(nine.endsWith("CALLER 10NB=(555)-123-4567RG=1END" + QByteArray(16, '.') + ' '));
    QTest::newRow("10 renumbered to 9") << ten << nine;

    QByteArray noEnd = recordBytes(2, "BOB");
    noEnd.replace("END", "...");
    QByteArray noRings = recordBytes(3, "CARL");
    noRings.replace("RG=", "XX=");
    QTest::newRow("dead records dropped")
        << recordBytes(1, "ANNA") + QByteArray(80, '\0') + QByteArray(80, ' ') + noEnd + noRings + recordBytes(6, "FAY")
        << recordBytes(1, "ANNA") + recordBytes(2, "FAY");
    QTest::newRow("torn last record") << recordBytes(1, "ANNA") + recordBytes(2, "BOB").left(30)
                                      << recordBytes(1, "ANNA");
    QTest::newRow("all deleted") << markerBytes(1) + markerBytes(2) << QByteArray();
    QTest::newRow("gap in the numbers") << recordBytes(1, "ANNA") + recordBytes(5, "EVE")
                                        << recordBytes(1, "ANNA") + recordBytes(2, "EVE");
    QTest::newRow("nothing to do") << recordBytes(1, "ANNA") + recordBytes(2, "BOB")
                                   << recordBytes(1, "ANNA") + recordBytes(2, "BOB");
}

void tst_CallLog::compaction()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, compacted);
    Log l;
    l.folder.write(LogFile, stored);
    MsgBoxScript boxes;
    l.log.DisplayFinalList();
    QCOMPARE(l.bytes(), compacted);
    QVERIFY(!l.folder.exists(ScratchFile));
    QVERIFY(boxes.shown.isEmpty());
    // The call list mirrors the file: call n is record n.
    QCOMPARE(l.state.calls.count(), int(compacted.size() / 80));
    for (int n = 1; n <= l.state.calls.count(); ++n)
        QCOMPARE(l.state.calls.at(n).toLatin1(), compacted.mid((n - 1) * 80, 80));
    QCOMPARE(l.log.model().rowCount(), l.state.calls.count());
}

void tst_CallLog::leftoverScratchDiscarded_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("compacted");
    QTest::newRow("log with a deletion") << recordBytes(1, "ANNA") + markerBytes(2) + recordBytes(3, "CARL")
                                         << recordBytes(1, "ANNA") + recordBytes(2, "CARL");
    QTest::newRow("log without changes") << recordBytes(1, "ANNA") << recordBytes(1, "ANNA");
    QTest::newRow("empty log") << QByteArray() << QByteArray();
}

void tst_CallLog::leftoverScratchDiscarded()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, compacted);
    Log l;
    l.folder.write(LogFile, stored);
    // Left by a run that died while compacting: longer than the new log and full of other calls.
    l.folder.write(ScratchFile, recordBytes(1, "OLD ONE") + recordBytes(2, "OLD TWO") + recordBytes(3, "OLD THREE") +
                                    recordBytes(4, "OLD FOUR"));
    l.log.DisplayFinalList();
    QCOMPARE(l.bytes(), compacted);
    QVERIFY(!l.folder.exists(ScratchFile));
    QCOMPARE(l.state.calls.count(), int(compacted.size() / 80));
}

void tst_CallLog::unchangedLogIsNotRewritten()
{
    Log l;
    const QByteArray stored = recordBytes(1, "ANNA") + recordBytes(2, "BOB");
    l.folder.write(LogFile, stored);
    const QDateTime longAgo(QDate(2001, 1, 1), QTime(12, 0));
    {
        QFile f(l.folder.file(LogFile));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(longAgo, QFileDevice::FileModificationTime));
    }
    l.log.DisplayFinalList();
    QCOMPARE(l.bytes(), stored);
    QCOMPARE(QFileInfo(l.folder.file(LogFile)).lastModified(), longAgo);
    QCOMPARE(l.state.calls.count(), 2);
}

void tst_CallLog::listNewestFirst()
{
    Log l;
    l.folder.write(LogFile, recordBytes(1, "ANNA", "(555)-123-4561", 2, "1/5/2026", "09:15 AM") +
                                recordBytes(2, "BOB", "PRIVATE NUMBER", 10, "3/21/2026", "02:05 PM") +
                                recordBytes(3, "CARL", "(212)-555-0100", 9, "12/1/2025", "11:59 PM"));
    l.log.DisplayFinalList();
    const CallLogModel &m = l.log.model();
    QCOMPARE(m.rowCount(), 3);
    QCOMPARE(m.columnCount(), 6);
    QCOMPARE(m.column(1), (QStringList{"3", "2", "1"}));
    const CallLogModel::Row expected{"2", "BOB", "PRIVATE NUMBER", "3/21/2026", "02:05 PM", "10"};
    QCOMPARE(m.row(1), expected);
    QCOMPARE(m.data(m.index(0, 1)).toString(), QStringLiteral("CARL"));
    QCOMPARE(l.state.calls.nextRecord(), 4);
}

void tst_CallLog::sortOrder_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("sorted");

    QTest::newRow("rings descending") << 6 << 5 << false << QStringList{"9", "10", "2", "1"}
                                      << QStringList{"10", "9", "2", "1"};
    QTest::newRow("rings ascending") << 6 << 5 << true << QStringList{"9", "10", "2", "0"}
                                     << QStringList{"0", "2", "9", "10"};
    QTest::newRow("call numbers descending") << 1 << 0 << false << QStringList{"1", "2", "10", "9", "100", "11"}
                                             << QStringList{"100", "11", "10", "9", "2", "1"};
    // Negatives first, the largest magnitude first, then zero and the positives.
    QTest::newRow("signed numbers ascending")
        << 1 << 0 << true << QStringList{"3", "-5", "0", "-10", "2.5", "-0.5", "100"}
        << QStringList{"-10", "-5", "-0.5", "0", "2.5", "3", "100"};
    QTest::newRow("signed numbers descending")
        << 6 << 5 << false << QStringList{"-1", "1", "-20", "20", "-3"} << QStringList{"20", "1", "-1", "-3", "-20"};
    QTest::newRow("names as text") << 2 << 1 << true << QStringList{"ZOE", "9 LIVES INC", "ADAMS", "10 DOWNING"}
                                   << QStringList{"10 DOWNING", "9 LIVES INC", "ADAMS", "ZOE"};
    QTest::newRow("numbers as shown") << 3 << 2 << true
                                      << QStringList{"PRIVATE NUMBER", "(555)-123-4567", "(212)-555-0100"}
                                      << QStringList{"(212)-555-0100", "(555)-123-4567", "PRIVATE NUMBER"};
    QTest::newRow("dates ascending") << 4 << 3 << true << QStringList{"3/21/2026", "12/1/2025", "1/5/2026", "2/28/2026"}
                                     << QStringList{"12/1/2025", "1/5/2026", "2/28/2026", "3/21/2026"};
    QTest::newRow("dates descending") << 4 << 3 << false << QStringList{"12/1/2025", "3/21/2026", "1/5/2026"}
                                      << QStringList{"3/21/2026", "1/5/2026", "12/1/2025"};
    QTest::newRow("times ascending") << 5 << 4 << true
                                     << QStringList{"02:05 PM", "11:30 AM", "12:15 AM", "12:00 PM", "09:45 PM"}
                                     << QStringList{"12:15 AM", "11:30 AM", "12:00 PM", "02:05 PM", "09:45 PM"};
}

void tst_CallLog::sortOrder()
{
    QFETCH(int, column);
    QFETCH(int, kind);
    QFETCH(bool, ascending);
    QFETCH(QStringList, values);
    QFETCH(QStringList, sorted);
    CallLogModel m;
    for (int i = 0; i < values.size(); ++i) {
        CallRecord::Fields f{QString::number(i + 1), "NAME", "5551234567", "1/1/2026", "01:00 AM", "1"};
        QString *cells[] = {&f.callNumber, &f.name, &f.number, &f.date, &f.time, &f.rings};
        *cells[column - 1] = values[i];
        m.addRow(f);
    }
    m.SortListView(column, kind, ascending);
    QCOMPARE(m.column(column), sorted);
    // Whole rows move, not the cells of one column.
    if (column != 1) {
        for (int i = 0; i < sorted.size(); ++i)
            QCOMPARE(m.row(i)[0], QString::number(values.indexOf(sorted[i]) + 1));
    }
}

void tst_CallLog::equalKeysKeepOrder()
{
    // Enough rows that a sort which is not stable shows it (small ranges sort stably by chance).
    constexpr int Rows = 200;
    CallLogModel m;
    for (int i = 0; i < Rows; ++i)
        m.addRow({QString::number(Rows - i), "NAME", "5551234567", "1/1/2026", "01:00 AM", QString::number(i % 3)});
    for (bool ascending : {false, true}) {
        m.SortListView(6, 5, ascending);
        const QStringList rings = m.column(6);
        const QStringList numbers = m.column(1);
        for (int i = 1; i < Rows; ++i) {
            if (rings[i] == rings[i - 1])
                QVERIFY2(numbers[i].toInt() < numbers[i - 1].toInt(), qPrintable(QStringLiteral("row %1").arg(i)));
            else
                QCOMPARE(rings[i].toInt() > rings[i - 1].toInt(), ascending);
        }
    }
    // All names equal: nothing moves.
    const QStringList before = m.column(1);
    m.SortListView(2, 1, true);
    QCOMPARE(m.column(1), before);
}

void tst_CallLog::invertDigits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("inverted");
    QTest::newRow("all digits") << "0123456789"
                                << "9876543210";
    QTest::newRow("hyphen becomes a blank") << "-12"
                                            << " 87";
    QTest::newRow("point and letters stay") << "1.5e3x"
                                            << "8.4e6x";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_CallLog::invertDigits()
{
    QFETCH(QString, text);
    QFETCH(QString, inverted);
    QCOMPARE(SortKeys::InvertDigits(text), inverted);
}

void tst_CallLog::browse_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("presses");   // D "<===", U "===>", A shown again from the tray
    QTest::addColumn<QStringList>("shown"); // after each press: position, Label2

    QTest::newRow("down to the bottom") << 3 << 4 << "DDDDD"
                                        << QStringList{"3 CALLER 3", "2 CALLER 2", "1 CALLER 1", "0 Bottom of the List",
                                                       "0 Bottom of the List"};
    QTest::newRow("up from the bottom") << 3 << 0 << "UUUU"
                                        << QStringList{"1 CALLER 1", "2 CALLER 2", "3 CALLER 3", "4 Top of the List"};
    QTest::newRow("past the top and back")
        << 3 << 3 << "UUD" << QStringList{"4 Top of the List", "4 Top of the List", "3 CALLER 3"};
    QTest::newRow("bottom and back") << 3 << 1 << "DU" << QStringList{"0 Bottom of the List", "1 CALLER 1"};
    QTest::newRow("empty log, down") << 0 << 1 << "D" << QStringList{"0 Bottom of the List"};
    QTest::newRow("empty log, up") << 0 << 1 << "U" << QStringList{"1 Top of the List"};
    QTest::newRow("shown again") << 3 << 2 << "A" << QStringList{"2 CALLER 2"};
    QTest::newRow("shown again, oldest") << 3 << 1 << "A" << QStringList{"1 CALLER 1"};
    QTest::newRow("shown again at the bottom") << 3 << 0 << "A" << QStringList{"0 Bottom of the List"};
}

void tst_CallLog::browse()
{
    QFETCH(int, records);
    QFETCH(int, start);
    QFETCH(QString, presses);
    QFETCH(QStringList, shown);
    Log l;
    l.state.settings.DateFormat = QStringLiteral("Short Date");
    for (int n = 1; n <= records; ++n)
        l.state.calls.append(QString::fromLatin1(recordBytes(n, QStringLiteral("CALLER %1").arg(n))));
    l.state.LogPosition = start;
    for (int i = 0; i < presses.size(); ++i) {
        if (presses[i] == QLatin1Char('D'))
            l.browser.GetFromLogTopToBottom();
        else if (presses[i] == QLatin1Char('U'))
            l.browser.GetFromLogBottomToTop();
        else
            l.browser.showAgain();
        const QStringList now = l.labels();
        QCOMPARE(now[0] + QLatin1Char(' ') + now[2], shown[i]);
        if (now[2].endsWith(QLatin1String("of the List"))) {
            QCOMPARE(now[1], QString());
            QCOMPARE(now[3], QString());
        } else {
            QCOMPARE(now[1], QStringLiteral("(555)-123-4567"));
            QCOMPARE(now[3], QStringLiteral("3 / 21 / 2026\r\n02:05 PM"));
        }
    }
}

void tst_CallLog::recordDisplay_data()
{
    QTest::addColumn<QString>("dateFormat");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("label1");
    QTest::addColumn<QString>("label3");

    const QString jan5 = QStringLiteral("1/5/2026");
    const QString shown = QStringLiteral("(555)-123-4567");
    QTest::newRow("short date") << "Short Date" << jan5 << "03:05 PM" << shown << shown << "1 / 5 / 2026\r\n03:05 PM";
    QTest::newRow("long date") << "Long Date" << jan5 << "03:05 PM" << shown << shown << "January 5, 2026\r\n03:05 PM";
    // 5 January 2026 is a Monday.
    QTest::newRow("day with long date") << "Day with Long Date" << jan5 << "03:05 PM" << shown << shown
                                        << "Monday January 5, 2026\r\n03:05 PM";
    QTest::newRow("24-hour time") << "Short Date" << jan5 << "15:05" << shown << shown << "1 / 5 / 2026\r\n03:05 PM";
    QTest::newRow("unreadable date and time") << "Long Date"
                                              << "13 99"
                                              << "25:00" << shown << shown << "13 99\r\n25:00";
    QTest::newRow("digits get the pattern") << "Short Date" << jan5 << "09:00 AM"
                                            << "5551234567" << shown << "1 / 5 / 2026\r\n09:00 AM";
    QTest::newRow("code word as stored") << "Short Date" << jan5 << "09:00 AM"
                                         << "UNKNOWN NUMBER"
                                         << "UNKNOWN NUMBER"
                                         << "1 / 5 / 2026\r\n09:00 AM";
}

void tst_CallLog::recordDisplay()
{
    QFETCH(QString, dateFormat);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, number);
    QFETCH(QString, label1);
    QFETCH(QString, label3);
    Log l;
    l.state.settings.DateFormat = dateFormat;
    l.state.calls.append(QString::fromLatin1(recordBytes(1, "JOHN  DOE", number, 1, date, time)));
    l.state.LogPosition = l.state.calls.nextRecord();
    l.browser.GetFromLogTopToBottom();
    QCOMPARE(l.labels(), (QStringList{"1", label1, "JOHN  DOE", label3}));
}

void tst_CallLog::failedAppendIsReported_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("room"); // bytes a file may take on the "full" disk
    QTest::newRow("not a file") << "directory" << 0;
    // Room for the stored record, not for the new log: the write fails halfway.
    QTest::newRow("disk full halfway") << "full" << 100;
    QTest::newRow("disk full") << "full" << 0;
}

void tst_CallLog::failedAppendIsReported()
{
    QFETCH(QString, kind);
    QFETCH(int, room);
    Log l;
    l.log.DisplayFinalList();
    QVERIFY(l.log.AppendCallRecord(recordLine(QStringLiteral("ANNA")), 1));
    const QByteArray first = l.bytes();

    MsgBoxScript boxes;
    bool appended = true;
    if (kind == QLatin1String("directory")) {
        QVERIFY(QFile::remove(l.folder.file(LogFile)));
        QVERIFY(QDir(l.folder.path()).mkdir(LogFile));
        appended = l.log.AppendCallRecord(recordLine(QStringLiteral("BOB")), 2);
        QVERIFY(QDir(l.folder.path()).rmdir(LogFile));
    } else {
        {
            // Checks come after the limit is lifted: a failure message must not meet a full disk.
            FileSizeLimit limit{rlim_t(room)};
            QVERIFY(limit.ok());
            appended = l.log.AppendCallRecord(recordLine(QStringLiteral("BOB")), 2);
        }
        // Whatever happened, the log on disk is the old one, whole.
        QCOMPARE(l.bytes(), first);
    }
    QVERIFY(!appended);
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].title, QStringLiteral("File Write Error"));
    QCOMPARE(boxes.shown[0].style, MsgStyle::Critical);
    const QStringList lines = boxes.shown[0].text.split(QChar(13));
    QVERIFY2(lines.contains(QDir::toNativeSeparators(l.folder.file(LogFile))), qPrintable(boxes.shown[0].text));
    QVERIFY(!lines.value(2).isEmpty()); // the reason, after the file name

    // The call is kept, and goes to the file with the next write.
    QCOMPARE(l.state.calls.count(), 2);
    QCOMPARE(l.log.model().rowCount(), 2);
    QVERIFY(l.log.AppendCallRecord(recordLine(QStringLiteral("CARL")), 3));
    QCOMPARE(l.bytes(),
             first + recordBytes(2, "BOB", "(555)-123-4567", 2) + recordBytes(3, "CARL", "(555)-123-4567", 3));
    QCOMPARE(boxes.shown.size(), 1);
}

void tst_CallLog::failedCompactionIsReported_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("scratch file is a folder") << "directory";
    QTest::newRow("disk full") << "full";
}

void tst_CallLog::failedCompactionIsReported()
{
    QFETCH(QString, kind);
    Log l;
    const QByteArray stored = recordBytes(1, "ANNA") + markerBytes(2) + recordBytes(3, "CARL");
    l.folder.write(LogFile, stored);
    MsgBoxScript boxes;
    if (kind == QLatin1String("directory")) {
        QVERIFY(QDir(l.folder.path()).mkdir(ScratchFile));
        l.log.DisplayFinalList();
    } else {
        {
            FileSizeLimit limit(100); // the compacted log takes 160 bytes
            QVERIFY(limit.ok());
            l.log.DisplayFinalList();
        }
        QVERIFY(!l.folder.exists(ScratchFile));
    }
    QCOMPARE(l.bytes(), stored);
    QCOMPARE(boxes.titles(), QStringList{"File Write Error"});
    QVERIFY2(boxes.shown[0].text.split(QChar(13)).contains(QDir::toNativeSeparators(l.folder.file(LogFile))),
             qPrintable(boxes.shown[0].text));
    // The calls are all there to browse all the same.
    QCOMPARE(l.state.calls.count(), 2);
    QCOMPARE(l.log.model().column(2), (QStringList{"CARL", "ANNA"}));
}

void tst_CallLog::beyond32767Calls()
{
    // Built as bytes: appending 32,800 calls one by one would rewrite the log 32,800 times.
    constexpr int Stored = 32800;
    QByteArray stored;
    stored.reserve(Stored * 80);
    stored += markerBytes(1);
    for (int n = 2; n <= Stored; ++n)
        stored += recordBytes(n, QStringLiteral("CALLER %1").arg(n));
    Log l;
    l.folder.write(LogFile, stored);
    l.log.DisplayFinalList();
    QCOMPARE(l.state.calls.count(), Stored - 1);
    QCOMPARE(l.bytes().size(), (Stored - 1) * 80);
    QCOMPARE(l.bytes().right(80),
             renumberedBytes(recordBytes(Stored, QStringLiteral("CALLER %1").arg(Stored)), Stored - 1));
    QCOMPARE(l.log.model().row(0)[0], QString::number(Stored - 1));

    l.state.LogPosition = l.state.calls.nextRecord();
    l.browser.GetFromLogTopToBottom();
    QCOMPARE(l.state.LogPosition, Stored - 1);
    QCOMPARE(l.state.display.Label2(), QStringLiteral("CALLER %1").arg(Stored));
    l.browser.GetFromLogTopToBottom();
    QCOMPARE(l.state.LogPosition, Stored - 2);
    l.browser.GetFromLogBottomToTop();
    l.browser.GetFromLogBottomToTop();
    QCOMPARE(l.state.LogPosition, Stored);
    QCOMPARE(l.state.display.Label2(), QStringLiteral("Top of the List"));

    QVERIFY(l.log.AppendCallRecord(recordLine(QStringLiteral("NEWEST")), 1));
    QCOMPARE(l.bytes().size(), Stored * 80);
    QCOMPARE(l.bytes().right(80), recordBytes(Stored, "NEWEST"));
    QCOMPARE(l.log.model().row(0)[1], QStringLiteral("NEWEST"));
}

void tst_CallLog::findRecord_data()
{
    QTest::addColumn<QString>("callNumber");
    QTest::addColumn<int>("record");
    QTest::newRow("first") << "1" << 1;
    QTest::newRow("third") << "3" << 3;
    QTest::newRow("behind a deleted record") << "4" << 4;
    QTest::newRow("not in the file") << "7" << 0;
    QTest::newRow("a prefix is not the number") << "" << 0;
}

void tst_CallLog::findRecord()
{
    QFETCH(QString, callNumber);
    QFETCH(int, record);
    TestFolder folder;
    QByteArray all;
    for (int n = 1; n <= 4; ++n)
        all += CallRecord::build(n, recordLine(QStringLiteral("CALLER")), 1).toLatin1();
    all.replace(80, 80, CallRecord::deletionMarker(2).toLatin1());
    folder.write("Array.bin", all);
    CallLogFile file(folder.file("Array.bin"), folder.file("ArrayTemp1.bin"));
    QCOMPARE(file.findRecord(callNumber), record);
}

QTEST_GUILESS_MAIN(tst_CallLog)
#include "tst_calllog.moc"
