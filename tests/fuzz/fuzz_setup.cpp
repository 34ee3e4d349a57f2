// acsetup.bin and desetup.bin as found on disk: loaded by the reading rules, then records written
// back one at a time and as the Setup dialog saves them.
#include "FuzzSupport.h"
#include "SetupFile.h"

namespace {

constexpr int SettingsSize = Settings::RecordLength * Settings::SettingRecords; // 2,800

// The settings as the program would write them: what must survive being written and read.
QStringList composed(const Settings &s)
{
    QStringList l;
    for (int rec = 1; rec <= Settings::SettingRecords; ++rec)
        l << (rec == Settings::LastReportRecord ? QString() : s.composeRecord(rec));
    return l;
}

QStringList reloaded()
{
    Settings s;
    SetupFile f(fuzz::folder());
    f.load(s);
    return composed(s);
}

// Bytes outside records first..last are as they were.
void checkUntouched(const QByteArray &before, const QByteArray &after, int first, int last)
{
    const qsizetype a = qsizetype(first - 1) * Settings::RecordLength, b = qsizetype(last) * Settings::RecordLength;
    FUZZ_CHECK(after.size() == std::max<qsizetype>(before.size(), b));
    FUZZ_CHECK(after.left(std::min(a, before.size())) == before.left(a));
    FUZZ_CHECK(after.mid(b) == before.mid(b));
}

// A value that holds its own key again after the key ("... Call_Id_AT_Command =") loses it once
// written: the padding gives that key its blank, and a key is removed wherever it stands. Written
// back once more, it is a fixed point.
bool holdsItsKey(int record, const QString &value)
{
    const QString key = Settings::keyOf(record);
    return !key.isEmpty() && value.mid(key.size()).contains(key.trimmed());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::removeAll();
    // The first byte says which file the bytes are: the user's settings, or the defaults that
    // an empty settings file is made from.
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const bool defaults = data[0] & 1;
    fuzz::put(QStringLiteral("acsetup.bin"), defaults ? QByteArray() : bytes);
    fuzz::put(QStringLiteral("desetup.bin"), defaults ? bytes : QByteArray(SettingsSize, ' '));

    Settings settings;
    SetupFile file(fuzz::folder());
    bool announced = false;
    const SetupFile::LoadOutcome out = file.load(settings, [&] { announced = true; });
    FUZZ_CHECK(out.error.isEmpty() && out.copyError.isEmpty());
    FUZZ_CHECK(announced == (defaults || bytes.isEmpty()));
    // Loading writes nothing but the first copy of the defaults.
    const QByteArray loaded = fuzz::get(QStringLiteral("acsetup.bin"));
    FUZZ_CHECK(loaded == (defaults || bytes.isEmpty() ? fuzz::get(QStringLiteral("desetup.bin")) : bytes));
    const QStringList values = composed(settings);

    // One record written back in place: only its 100 bytes change, and what the reading rules
    // made of it is a fixed point: written and read again, the setting stays.
    const int rec = 1 + (size > 1 ? data[1] : 0) % Settings::SettingRecords;
    QString error;
    const QString text =
        rec == Settings::LastReportRecord ? QStringLiteral("\r\nRING\r\n") : settings.composeRecord(rec);
    FUZZ_CHECK(file.WriteSetupRecord(rec, text, settings, &error));
    const QByteArray one = fuzz::get(QStringLiteral("acsetup.bin"));
    checkUntouched(loaded, one, rec, rec);
    FUZZ_CHECK(one.mid(qsizetype(rec - 1) * Settings::RecordLength, Settings::RecordLength) ==
               Settings::padRecord(text));
    const QStringList rewritten = composed(settings);
    // A value too long for its record is cut, and one that holds its key again loses it.
    for (int r = 1; r <= Settings::SettingRecords; ++r)
        FUZZ_CHECK(rewritten[r - 1] == values[r - 1] || values[r - 1].size() > Settings::RecordLength ||
                   holdsItsKey(r, values[r - 1]));

    // The Setup dialog's save: records 5 to 28; the file is then at least 2,800 bytes, records 1
    // to 4 and the reserved records behind them unchanged, and every setting reads back.
    FUZZ_CHECK(file.saveSetupDialog(settings, &error));
    const QByteArray saved = fuzz::get(QStringLiteral("acsetup.bin"));
    checkUntouched(one, saved, 5, Settings::SettingRecords);
    FUZZ_CHECK(saved.size() >= SettingsSize && (one.size() > SettingsSize || saved.size() == SettingsSize));
    const QStringList again = reloaded();
    // A value that fits its record reads back as it was; one that a damaged file made longer than
    // the record holds (a key written without its blank) is cut at 100 characters, and one that
    // holds its key again loses it here, when the save is the first to write its record.
    for (int r = 5; r <= Settings::SettingRecords; ++r)
        FUZZ_CHECK(again[r - 1] == values[r - 1] || values[r - 1].size() > Settings::RecordLength ||
                   holdsItsKey(r, values[r - 1]));
    return 0;
}
