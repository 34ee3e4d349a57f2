// blocked.bin as found on disk, whatever it holds: membership, compaction, unblocking (the
// record marked deleted, then a compaction) and blocking one more number.
#include "BlockedFile.h"
#include "FuzzSupport.h"
#include "MsgBox.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace {

// The entries the program wrote that stand whole anywhere in the file, also out of step with the
// records around them, each followed by the end of the file, a marker or an entry: no tidy-up
// may lose one of them, and each blocks its number before the tidy-up too.
QStringList wholeEntriesAnywhere(const QByteArray &bytes)
{
    static const QRegularExpression shape(QStringLiteral("^NB=([^=]*)NM=[^=]*END\\.*$"));
    static const QRegularExpression goesOn(QStringLiteral("^(0\\x{0}NB=.*END.*|[0-9]+DELETE *)$"),
                                           QRegularExpression::DotMatchesEverythingOption);
    const QByteArray lead("\x30\x00NB=", 5);
    QStringList numbers;
    for (qsizetype at = bytes.indexOf(lead); at >= 0 && at + BlockedFile::RecordLength <= bytes.size();
         at = bytes.indexOf(lead, at + 1)) {
        const QRegularExpressionMatch m = shape.match(QString::fromLatin1(bytes.mid(at + 2, BlockedFile::TextLength)));
        const qsizetype next = at + BlockedFile::RecordLength;
        const QByteArray after = bytes.mid(next, BlockedFile::RecordLength);
        if (m.hasMatch() && (next == bytes.size() || (after.size() == BlockedFile::RecordLength &&
                                                      goesOn.match(QString::fromLatin1(after)).hasMatch())))
            numbers << m.captured(1);
    }
    return numbers;
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

    const QStringList whole = wholeEntriesAnywhere(input);
    for (const QString &number : whole)
        FUZZ_CHECK(file.contains(number));
    MsgBoxScript boxes;
    FUZZ_CHECK(file.compact());
    checkWhole(file);
    // The list as shown before the tidy-up, less a torn last entry.
    const QList<BlockedFile::Entry> kept = file.readEntries();
    FUZZ_CHECK(same(kept, shown) ||
               (input.size() % BlockedFile::RecordLength != 0 && same(kept, shown.mid(0, shown.size() - 1))));
    qsizetype next = 0;
    for (const QString &number : whole) {
        while (next < kept.size() && kept[next].number != number)
            ++next;
        FUZZ_CHECK(next < kept.size());
        ++next;
    }
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
