// Array.bin as found on disk, whatever it holds: read, compacted and renumbered, browsed in the
// main window, sorted in the Calls Log list, one call deleted and one stored.
#include "AppState.h"
#include "CallLog.h"
#include "CallLogFile.h"
#include "CallRecord.h"
#include "FuzzSupport.h"
#include "LogBrowser.h"
#include "MsgBox.h"
#include "SortKeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <algorithm>
#include <utility>

namespace {

QStringList recordsOf(const QByteArray &bytes)
{
    QStringList l;
    for (qsizetype at = 0; at < bytes.size(); at += CallRecord::Length)
        l << QString::fromLatin1(bytes.mid(at, CallRecord::Length));
    return l;
}

// A record in the form the program writes it: its fields must all come through a compaction.
bool programShaped(const QString &r)
{
    static const QRegularExpression shape(
        QStringLiteral("^CL=\\d{1,5}DT=[^=]*TM=[^=]*NM=[^=]*NB=[^=]*RG=\\d+END\\.*$"));
    return r.size() == CallRecord::Length && shape.match(r).hasMatch();
}

// The file after a load: whole records, each live, numbered 1, 2, 3 ... in order.
QStringList checkedLog()
{
    const QByteArray bytes = fuzz::get(QStringLiteral("Array.bin"));
    FUZZ_CHECK(bytes.size() % CallRecord::Length == 0);
    const QStringList records = recordsOf(bytes);
    for (qsizetype i = 0; i < records.size(); ++i) {
        FUZZ_CHECK(CallRecord::isLive(records[i]));
        FUZZ_CHECK(records[i].startsWith(QStringLiteral("CL=%1DT").arg(i + 1)));
    }
    return records;
}

// The file as found, kept beside the log when it held more than calls and deletion markers.
QByteArray damagedCopy()
{
    const QStringList copies = QDir(fuzz::folder()).entryList({QStringLiteral("Array.bin.damaged-*")}, QDir::Files);
    FUZZ_CHECK(copies.size() <= 1);
    return copies.isEmpty() ? QByteArray() : fuzz::get(copies.first());
}

// A record that starts with its number and date keys, as every record the program writes or
// renumbers does.
bool keyed(const QString &r)
{
    static const QRegularExpression key(QStringLiteral("^CL=\\d+DT"));
    return key.match(r).hasMatch() && CallRecord::isLive(r);
}

bool isMarker(const QString &r)
{
    static const QRegularExpression marker(QStringLiteral("^[0-9]+DELETE *$"));
    return r.size() == CallRecord::Length && marker.match(r).hasMatch();
}

// The calls the program wrote that stand whole anywhere in the file, also out of step with the
// records around them, each followed by the end of the file, a marker or a keyed record: no
// tidy-up may lose one of them, whatever stray bytes came before.
QList<CallRecord::Fields> wholeCallsAnywhere(const QByteArray &bytes)
{
    QList<CallRecord::Fields> calls;
    for (qsizetype at = bytes.indexOf("CL="); at >= 0 && at + CallRecord::Length <= bytes.size();
         at = bytes.indexOf("CL=", at + 1)) {
        const QString r = QString::fromLatin1(bytes.mid(at, CallRecord::Length));
        const qsizetype next = at + CallRecord::Length;
        const QString after = QString::fromLatin1(bytes.mid(next, CallRecord::Length));
        if (programShaped(r) &&
            (next == bytes.size() || isMarker(after) || (after.size() == CallRecord::Length && keyed(after))))
            calls << CallRecord::fields(r);
    }
    return calls;
}

// The same call after renumbering, which may shorten its name from the end.
bool sameCall(const CallRecord::Fields &was, const CallRecord::Fields &is)
{
    return was.date == is.date && was.time == is.time && was.number == is.number && was.rings == is.rings &&
           was.name.startsWith(is.name);
}

void checkSame(const CallRecord::Fields &a, const CallRecord::Fields &b)
{
    FUZZ_CHECK(a.date == b.date && a.time == b.time && a.number == b.number && a.rings == b.rings);
    FUZZ_CHECK(a.name == b.name);
}

void checkSorted(CallLogModel &model, int column, bool ascending)
{
    QStringList before = model.column(column);
    model.SortListView(column, column - 1, ascending);
    QStringList after = model.column(column);
    // Each row's key once: reading a date or a time is most of the work here.
    QString previous;
    for (qsizetype i = 0; i < after.size(); ++i) {
        QString key = SortKeys::forKind(after[i], column - 1);
        const int c = i == 0 ? 0 : QString::compare(previous, key, Qt::CaseInsensitive);
        FUZZ_CHECK(ascending ? c <= 0 : c >= 0);
        previous = std::move(key);
    }
    before.sort();
    after.sort();
    FUZZ_CHECK(before == after); // the same rows, only in another order
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::removeAll();
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    fuzz::put(QStringLiteral("Array.bin"), input);
    fuzz::put(QStringLiteral("found.bin"), input);

    MsgBoxScript boxes;
    AppState state(fuzz::folder());
    CallLog log(state, state.calls);
    log.DisplayFinalList();
    QCoreApplication::processEvents(); // the notice of a damaged log comes once the load is done

    // What reads the log without tidying it (the export) sees the calls that the tidy-up keeps.
    QList<CallRecord::Fields> read;
    FUZZ_CHECK(CallLogFile::forEachCall(fuzz::file(QStringLiteral("found.bin")),
                                        [&read](const QString &r) { read << CallRecord::fields(r); }));
    // Compaction keeps every live record, in order, and every field of one the program wrote.
    QStringList stored = recordsOf(input);
    if (!stored.isEmpty())
        stored.last().append(QString(CallRecord::Length - stored.last().size(), QChar(0)));
    QStringList live;
    std::copy_if(stored.begin(), stored.end(), std::back_inserter(live), CallRecord::isLive);
    // Records in step, each keyed or a marker: the log is read record by record, as it always was.
    const bool inStep = std::all_of(stored.begin(), stored.end(), [](const QString &r) {
        return keyed(r) || isMarker(r) ||
               (!CallRecord::isLive(r) && !r.contains(QLatin1String("CL=")) && !r.contains(QLatin1String("DELETE")));
    });
    const bool damaged = std::any_of(stored.begin(), stored.end(),
                                     [](const QString &r) { return !CallRecord::isLive(r) && !isMarker(r); });
    const QStringList copies = QDir(fuzz::folder()).entryList({QStringLiteral("Array.bin.damaged-*")}, QDir::Files);
    // Anything dropped that is not a deletion marker: the file as found is kept, and the user told.
    FUZZ_CHECK(boxes.shown.size() == copies.size());
    FUZZ_CHECK(damagedCopy() == (copies.isEmpty() ? QByteArray() : input));
    if (inStep) {
        FUZZ_CHECK(copies.size() == (damaged ? 1 : 0));
    }
    const QStringList compacted = checkedLog();
    if (inStep) {
        FUZZ_CHECK(compacted.size() == live.size());
    }
    FUZZ_CHECK(state.calls.records() == compacted);
    FUZZ_CHECK(read.size() == compacted.size());
    for (qsizetype i = 0; i < read.size(); ++i)
        FUZZ_CHECK(sameCall(read[i], CallRecord::fields(compacted[i])) || !programShaped(compacted[i]));
    // Every whole call, wherever it starts, is there in its order.
    qsizetype next = 0;
    for (const CallRecord::Fields &call : wholeCallsAnywhere(input)) {
        while (next < compacted.size() && !sameCall(call, CallRecord::fields(compacted[next])))
            ++next;
        FUZZ_CHECK(next < compacted.size());
        ++next;
    }
    if (inStep) {
        for (qsizetype i = 0; i < live.size(); ++i) {
            if (programShaped(live[i]) &&
                CallRecord::fields(live[i]).callNumber.size() >= QString::number(i + 1).size())
                checkSame(CallRecord::fields(live[i]), CallRecord::fields(compacted[i]));
        }
    }
    // A second start finds nothing left to tidy.
    log.DisplayFinalList();
    FUZZ_CHECK(fuzz::get(QStringLiteral("Array.bin")) == compacted.join(QString()).toLatin1());
    QCoreApplication::processEvents();
    FUZZ_CHECK(boxes.shown.size() == copies.size());

    // Browsing from the newest call past the oldest and back stays inside the log.
    LogBrowser browser(state, state.settings);
    const int n = state.calls.count();
    state.LogPosition = state.calls.nextRecord();
    for (int i = 0; i <= n + 1; ++i) {
        browser.GetFromLogTopToBottom();
        FUZZ_CHECK(state.LogPosition >= 0 && state.LogPosition <= n);
    }
    FUZZ_CHECK(state.LogPosition == 0 && state.display.name() == CallerDisplay::BottomOfList);
    for (int i = 0; i <= n + 1; ++i) {
        browser.GetFromLogBottomToTop();
        FUZZ_CHECK(state.LogPosition >= 1 && state.LogPosition <= n + 1);
    }
    FUZZ_CHECK(state.LogPosition == n + 1 && state.display.name() == CallerDisplay::TopOfList);

    for (int column = 1; column <= CallLogModel::Columns; ++column) {
        checkSorted(log.model(), column, true);
        checkSorted(log.model(), column, false);
    }

    // Deleting one call as the Calls Log does: its record marked, then a compaction.
    if (n > 0) {
        const int victim = 1 + data[0] % n;
        const int at = log.file().findRecord(CallRecord::fields(compacted[victim - 1]).callNumber);
        FUZZ_CHECK(at == victim);
        FUZZ_CHECK(log.file().writeDeletionMarker(at));
        log.DisplayFinalList();
        const QStringList after = checkedLog();
        FUZZ_CHECK(after.size() == n - 1);
        for (int i = 0, j = 0; i < n; ++i) {
            if (i + 1 == victim)
                continue;
            if (programShaped(compacted[i]))
                checkSame(CallRecord::fields(compacted[i]), CallRecord::fields(after[j]));
            ++j;
        }
    }

    // A call stored after all that goes after the last record; the others stay as they are.
    const QByteArray before = fuzz::get(QStringLiteral("Array.bin"));
    const QString line = QStringLiteral("DT=01/02/2024TM=10:15 AMNM=JOHN DOENB=(555) 123-4567");
    FUZZ_CHECK(log.AppendCallRecord(line, 2));
    const QStringList after = checkedLog();
    FUZZ_CHECK(fuzz::get(QStringLiteral("Array.bin")).startsWith(before));
    FUZZ_CHECK(CallRecord::fields(after.last()).name == QLatin1String("JOHN DOE"));
    QCoreApplication::processEvents();
    FUZZ_CHECK(boxes.shown.size() == copies.size());
    return 0;
}
