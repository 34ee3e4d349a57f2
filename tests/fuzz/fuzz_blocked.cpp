// blocked.bin as found on disk, whatever it holds: membership, compaction, unblocking (the
// record marked deleted, then a compaction) and blocking one more number.
#include "BlockedFile.h"
#include "FuzzSupport.h"
#include "MsgBox.h"

#include <QFileInfo>
#include <algorithm>

namespace {

QList<BlockedFile::Entry> wholeEntries(const QByteArray &bytes)
{
    // What a compaction must keep: the entries of whole records, in file order.
    QList<BlockedFile::Entry> l;
    const qsizetype whole = bytes.size() / BlockedFile::RecordLength * BlockedFile::RecordLength;
    fuzz::put(QStringLiteral("whole.bin"), bytes.left(whole));
    for (const BlockedFile::Entry &e : BlockedFile(fuzz::file(QStringLiteral("whole.bin")), QString()).readEntries())
        l << e;
    return l;
}

bool same(const QList<BlockedFile::Entry> &a, const QList<BlockedFile::Entry> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].number != b[i].number || a[i].name != b[i].name)
            return false;
    }
    return true;
}

void checkWhole(const BlockedFile &f)
{
    FUZZ_CHECK(fuzz::get(QFileInfo(f.path()).fileName()).size() % BlockedFile::RecordLength == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::removeAll();
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    fuzz::put(QStringLiteral("blocked.bin"), input);
    BlockedFile file(fuzz::file(QStringLiteral("blocked.bin")), fuzz::file(QStringLiteral("blocktemp.bin")));

    // Every number the list shows is blocked. A look-up reads the whole file, so of a long list
    // the first and last eight are looked up, and eight more the input picks.
    const QList<BlockedFile::Entry> shown = file.readEntries();
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (i < 8 || i >= shown.size() - 8)
            FUZZ_CHECK(file.contains(shown[i].number));
    }
    for (size_t k = 1; k < std::min<size_t>(size, 9) && shown.size() > 16; ++k)
        FUZZ_CHECK(file.contains(shown[data[k] % shown.size()].number));

    const QList<BlockedFile::Entry> kept = wholeEntries(input);
    MsgBoxScript boxes;
    FUZZ_CHECK(file.compact());
    checkWhole(file);
    FUZZ_CHECK(same(file.readEntries(), kept));
    const QByteArray compacted = fuzz::get(QStringLiteral("blocked.bin"));
    FUZZ_CHECK(file.compact());
    FUZZ_CHECK(fuzz::get(QStringLiteral("blocked.bin")) == compacted);
    // A file the compaction dropped more of than deletion markers is kept as found, and the
    // user is told once.
    QCoreApplication::processEvents();
    const QStringList copies = QDir(fuzz::folder()).entryList({QStringLiteral("blocked.bin.damaged-*")}, QDir::Files);
    FUZZ_CHECK(copies.size() == boxes.shown.size() && copies.size() <= 1);
    FUZZ_CHECK(copies.isEmpty() || fuzz::get(copies.first()) == input);

    // Unblocking one of the numbers shown drops that entry and no other.
    if (!kept.isEmpty()) {
        const qsizetype victim = data[0] % kept.size();
        const int at = file.findRecord(kept[victim].number);
        FUZZ_CHECK(at >= 1 && at <= kept.size());
        const QList<BlockedFile::Entry> before = file.readEntries();
        FUZZ_CHECK(before[at - 1].number == kept[victim].number);
        FUZZ_CHECK(file.writeDeletionMarker(at));
        checkWhole(file);
        FUZZ_CHECK(file.compact());
        checkWhole(file);
        QList<BlockedFile::Entry> expected = before;
        expected.removeAt(at - 1);
        FUZZ_CHECK(same(file.readEntries(), expected));
    }

    // A number blocked now is found, as a whole record after the others.
    const QList<BlockedFile::Entry> before = file.readEntries();
    FUZZ_CHECK(file.append(QStringLiteral("(555) 010-9999"), QStringLiteral("NEW CALLER")));
    checkWhole(file);
    FUZZ_CHECK(file.contains(QStringLiteral("(555) 010-9999")));
    const QList<BlockedFile::Entry> after = file.readEntries();
    FUZZ_CHECK(after.size() == before.size() + 1 && after.last().number == QLatin1String("(555) 010-9999"));
    return 0;
}
