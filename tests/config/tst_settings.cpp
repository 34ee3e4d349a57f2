// The settings file: reading rules, first start, in-place writes, the dialog's save.
#include "AppState.h"
#include "MsgBox.h"
#include "SetupFile.h"
#include "Settings.h"
#include "TestSupport.h"

#include <QFile>
#include <QTest>

namespace {

// A setting by name, as text, so that one table can cover every record.
QString valueOf(const Settings &s, const QString &field)
{
    auto b = [](bool v) { return v ? QStringLiteral("True") : QStringLiteral("False"); };
    const QMap<QString, std::function<QString()>> fields = {
        {"Color_Choice", [&] { return s.Color_Choice; }},
        {"COM_Port", [&] { return s.COM_Port; }},
        {"Call_Id_AT_Command", [&] { return s.Call_Id_AT_Command; }},
        {"PopUpWindow", [&] { return b(s.PopUpWindow); }},
        {"MinimizeDelaySeconds", [&] { return QString::number(s.MinimizeDelaySeconds); }},
        {"DateFormat", [&] { return s.DateFormat; }},
        {"ForwardOnCode", [&] { return s.ForwardOnCode; }},
        {"DateValue", [&] { return s.DateValue; }},
        {"LocalAreaCode", [&] { return s.LocalAreaCode; }},
        {"PrivateBlockCode", [&] { return s.PrivateBlockCode; }},
        {"CallForwardStatus", [&] { return b(s.CallForwardStatus); }},
        {"BlockTeleMarketersStatus", [&] { return b(s.BlockTeleMarketersStatus); }},
        {"Talking_Call", [&] { return b(s.Talking_Call); }},
    };
    return fields.value(field)();
}

QByteArray recordAt(const QByteArray &file, int rec)
{
    return file.mid(qsizetype(rec - 1) * 100, 100);
}

} // namespace

class tst_Settings : public QObject {
    Q_OBJECT
private slots:
    void readingRules_data();
    void readingRules();
    void composeReadsBack();
    void minimizeDelay_data();
    void minimizeDelay();
    void defaultsFileIsAsInstalled();
    void firstStartCopiesDefaults();
    void firstStartWithoutAnyFile();
    void shortFileGivesDefaults();
    void writeBeyondTheEndExtendsWithNuls();
    void writeCutsAt100AndSyncsSetting();
    void dialogSaveLeavesOtherRecords();
    void firstStartOnAFullDisk();
    void failedWriteIsReported_data();
    void failedWriteIsReported();
};

void tst_Settings::readingRules_data()
{
    QTest::addColumn<int>("rec");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");

    QTest::newRow("colour 0 takes the default") << 1 << "Color_Choice = 0" << "Color_Choice" << "16744576";
    QTest::newRow("colour leading number") << 1 << "Color_Choice = 255abc" << "Color_Choice" << "255";
    QTest::newRow("colour empty") << 1 << "Color_Choice =" << "Color_Choice" << "16744576";
    QTest::newRow("COM3 is no number") << 2 << "COM_Port = COM3" << "COM_Port" << "0";
    QTest::newRow("COM port 3") << 2 << "COM_Port = 3" << "COM_Port" << "3";
    QTest::newRow("COM port empty") << 2 << "COM_Port =" << "COM_Port" << "0";
    QTest::newRow("key removed wherever it stands") << 2 << "COM_Port = COM_Port = 4" << "COM_Port" << "4";
    QTest::newRow("caller-ID command") << 4 << "Call_Id_AT_Command = AT+VCID=1" << "Call_Id_AT_Command"
                                       << "AT+VCID=1";
    QTest::newRow("misspelt Boolean takes default True") << 6 << "PopUpWindow = yes" << "PopUpWindow" << "True";
    QTest::newRow("delay 0") << 7 << "0" << "MinimizeDelaySeconds" << "30";
    QTest::newRow("delay abc") << 7 << "abc" << "MinimizeDelaySeconds" << "30";
    QTest::newRow("delay 45") << 7 << "45" << "MinimizeDelaySeconds" << "45";
    QTest::newRow("date format empty") << 9 << "DateFormat =" << "DateFormat" << "Long Date";
    QTest::newRow("date format kept") << 9 << "DateFormat = Short Date" << "DateFormat" << "Short Date";
    QTest::newRow("date format unknown kept") << 9 << "DateFormat = Whatever" << "DateFormat" << "Whatever";
    QTest::newRow("forwarding code default") << 12 << "" << "ForwardOnCode" << "72#";
    QTest::newRow("date value system") << 14 << "DateValue = System Date" << "DateValue" << "System Date";
    QTest::newRow("date value unknown") << 14 << "DateValue = today" << "DateValue" << "Caller Id Date";
    QTest::newRow("area code default") << 18 << "" << "LocalAreaCode" << "000";
    QTest::newRow("area code") << 18 << "212" << "LocalAreaCode" << "212";
    QTest::newRow("private code default") << 20 << "" << "PrivateBlockCode" << "*77";
    QTest::newRow("True") << 24 << "CallForwardStatus = True" << "CallForwardStatus" << "True";
    QTest::newRow("lower-case true is not True") << 24 << "CallForwardStatus = true" << "CallForwardStatus"
                                                 << "False";
    QTest::newRow("key without blank") << 26 << "BlockTeleMarketersStatus= True" << "BlockTeleMarketersStatus"
                                       << "True";
    QTest::newRow("key that does not match") << 26 << "BlockTeleMarketersStatus = True"
                                             << "BlockTeleMarketersStatus" << "False";
    QTest::newRow("NUL record takes default") << 28 << QString(100, QChar(0)) << "Talking_Call" << "True";
}

void tst_Settings::readingRules()
{
    QFETCH(int, rec);
    QFETCH(QString, text);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    Settings s;
    // Start from the opposite of every default, so that a rule that does nothing shows.
    s.PopUpWindow = false;
    s.Talking_Call = false;
    s.CallForwardStatus = true;
    s.BlockTeleMarketersStatus = true;
    s.readRecord(rec, QString::fromLatin1(Settings::padRecord(text)));
    QCOMPARE(valueOf(s, field), expected);
}

void tst_Settings::composeReadsBack()
{
    Settings written;
    written.Color_Choice = QStringLiteral("255");
    written.COM_Port = QStringLiteral("7");
    written.Modem_Name = QStringLiteral("Voice Modem");
    written.Call_Id_AT_Command = QStringLiteral("AT#CID=1");
    written.PopUpWindow = false;
    written.MinimizeDelaySeconds = 45;
    written.CallerIdMinimize = false;
    written.DateFormat = QStringLiteral("Short Date");
    written.CallForwarding = true;
    written.ForwardNumber = QStringLiteral("5550100");
    written.ForwardOnCode = QStringLiteral("*72");
    written.ForwardOffCode = QStringLiteral("*73");
    written.DateValue = QStringLiteral("System Date");
    written.CallSendToPagerEnable = true;
    written.PagerNumber = QStringLiteral("5550111");
    written.PagerId = QStringLiteral("3");
    written.LocalAreaCode = QStringLiteral("212");
    written.BlockPrivateCalls = true;
    written.PrivateBlockCode = QStringLiteral("*60");
    written.PrivateReleaseCode = QStringLiteral("*80");
    written.BlockTeleMarketersEnable = true;
    written.CallSendToPagerStatus = true;
    written.CallForwardStatus = true;
    written.BlockPrivateCallsStatus = true;
    written.BlockTeleMarketersStatus = true;
    written.BlockSelectedCallsEnable = true;
    written.Talking_Call = false;

    Settings read;
    for (int rec = 1; rec <= Settings::SettingRecords; ++rec) {
        const QByteArray stored = Settings::padRecord(written.composeRecord(rec));
        read.readRecord(rec, QString::fromLatin1(stored));
        QCOMPARE(Settings::padRecord(read.composeRecord(rec)), stored);
    }
}

void tst_Settings::minimizeDelay_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<int>("ms");
    QTest::newRow("45 s") << "45" << 45000;
    QTest::newRow("65 s") << "65" << 65000;
    QTest::newRow("66 s clamped") << "66" << 65535;
    QTest::newRow("huge clamped") << "99999999999999999999" << 65535;
    QTest::newRow("garbage: 30 s") << "abc" << 30000;
}

void tst_Settings::minimizeDelay()
{
    QFETCH(QString, record);
    QFETCH(int, ms);
    Settings s;
    s.readRecord(7, record);
    QCOMPARE(s.minimizeDelayMs(), ms);
}

void tst_Settings::defaultsFileIsAsInstalled()
{
    QFile f(QStringLiteral(RINGLARK_DATA_DIR "/desetup.bin"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    QCOMPARE(all.size(), 2800);
    QVERIFY(!all.contains('\0'));
    QCOMPARE(recordAt(all, 2), settingsRecord("COM_Port ="));
    QCOMPARE(recordAt(all, 5), settingsRecord(""));
    QCOMPARE(recordAt(all, 7), settingsRecord("30"));
    QCOMPARE(recordAt(all, 26), settingsRecord("BlockTeleMarketersStatus= False"));
    QCOMPARE(recordAt(all, 28), settingsRecord("Talking_Call = True"));
}

void tst_Settings::firstStartCopiesDefaults()
{
    TestFolder folder;
    folder.copyDefaults();
    int messages = 0;
    Settings s;
    SetupFile file(folder.path());
    QVERIFY(file.load(s, [&] { ++messages; }).usedDefaults);
    QCOMPARE(messages, 1);
    QCOMPARE(folder.bytes("acsetup.bin"), folder.bytes("desetup.bin"));
    QCOMPARE(s.DateFormat, QStringLiteral("Long Date"));
    QCOMPARE(s.comPortNumber(), 0);

    Settings again;
    SetupFile second(folder.path());
    QVERIFY(!second.load(again, [&] { ++messages; }).usedDefaults);
    QCOMPARE(messages, 1);
}

void tst_Settings::firstStartWithoutAnyFile()
{
    TestFolder folder;
    for (int start = 1; start <= 2; ++start) {
        int messages = 0;
        Settings s;
        s.Talking_Call = false;
        SetupFile file(folder.path());
        QVERIFY(file.load(s, [&] { ++messages; }).usedDefaults);
        QCOMPARE(messages, 1);
        QVERIFY(folder.exists("acsetup.bin"));
        QVERIFY(folder.exists("desetup.bin"));
        QCOMPARE(folder.bytes("acsetup.bin").size(), 0);
        const Settings defaults;
        for (int rec = 1; rec <= Settings::SettingRecords; ++rec)
            QCOMPARE(s.composeRecord(rec), defaults.composeRecord(rec));
    }
}

void tst_Settings::shortFileGivesDefaults()
{
    TestFolder folder;
    folder.write("acsetup.bin", settingsRecord("Color_Choice = 255") + settingsRecord("COM_Port = 3") +
                                    settingsRecord("Modem_Name = X") + settingsRecord("Call_Id_AT_Command = AT"));
    Settings s;
    s.Talking_Call = false;
    s.CallForwardStatus = true;
    SetupFile file(folder.path());
    QVERIFY(!file.load(s).usedDefaults);
    QCOMPARE(s.comPortNumber(), 3);
    QCOMPARE(s.Talking_Call, true);
    QCOMPARE(s.CallForwardStatus, false);
    QCOMPARE(file.record(20), QByteArray(100, '\0'));
}

void tst_Settings::writeBeyondTheEndExtendsWithNuls()
{
    TestFolder folder;
    folder.copyDefaults();
    QByteArray start = folder.bytes("desetup.bin").left(2300);
    start.replace(2400 - 100 * 2, 100, settingsRecord("BlockPrivateCallsStatus = True").left(100)); // record 23
    folder.write("acsetup.bin", start);
    Settings s;
    SetupFile file(folder.path());
    file.load(s);
    QString error;
    QVERIFY(file.WriteSetupRecord(26, QStringLiteral("BlockTeleMarketersStatus= True"), s, &error));
    QVERIFY(s.BlockTeleMarketersStatus);
    const QByteArray after = folder.bytes("acsetup.bin");
    QCOMPARE(after.size(), 2600);
    QCOMPARE(after.mid(2300, 200), QByteArray(200, '\0'));
    QCOMPARE(after.left(2300), start);

    Settings reread;
    reread.BlockPrivateCallsStatus = true;
    SetupFile again(folder.path());
    again.load(reread);
    QCOMPARE(reread.BlockPrivateCallsStatus, false);
    QCOMPARE(reread.BlockTeleMarketersStatus, true);
}

void tst_Settings::writeCutsAt100AndSyncsSetting()
{
    TestFolder folder;
    folder.copyDefaults();
    Settings s;
    SetupFile file(folder.path());
    file.load(s);
    const QString longText = QString(60, QLatin1Char('1')) + QString(60, QLatin1Char('2'));
    QVERIFY(file.WriteSetupRecord(11, longText, s, nullptr));
    QCOMPARE(recordAt(folder.bytes("acsetup.bin"), 11), longText.left(100).toLatin1());
    QCOMPARE(s.ForwardNumber, longText.left(100));

    // A status switched during the run is already in the settings when the dialog saves.
    QVERIFY(file.WriteSetupRecord(24, QStringLiteral("CallForwardStatus = True"), s, nullptr));
    QVERIFY(file.saveSetupDialog(s, nullptr));
    QCOMPARE(recordAt(folder.bytes("acsetup.bin"), 24), settingsRecord("CallForwardStatus = True"));
}

void tst_Settings::dialogSaveLeavesOtherRecords()
{
    TestFolder folder;
    folder.copyDefaults();
    QByteArray start = settingsRecord("Color_Choice = 255") + settingsRecord("COM_Port = 3") +
                       settingsRecord("Modem_Name = Kept") + settingsRecord("Call_Id_AT_Command = AT#CID=1") +
                       folder.bytes("desetup.bin").mid(400);
    QByteArray reserved(400, '\0');
    for (int i = 0; i < reserved.size(); ++i)
        reserved[i] = char(i * 7 + 3);
    start += reserved;
    folder.write("acsetup.bin", start);

    Settings s;
    SetupFile file(folder.path());
    file.load(s);
    s.DateFormat = QStringLiteral("Short Date");
    QVERIFY(file.saveSetupDialog(s, nullptr));

    const QByteArray after = folder.bytes("acsetup.bin");
    QCOMPARE(after.size(), 3200);
    QCOMPARE(after.left(400), start.left(400));
    QCOMPARE(after.mid(2800), reserved);
    QCOMPARE(recordAt(after, 5), QByteArray(100, ' ')); // no report this run
    QCOMPARE(recordAt(after, 9), settingsRecord("DateFormat = Short Date"));
}

void tst_Settings::firstStartOnAFullDisk()
{
    TestFolder folder;
    folder.copyDefaults();
    Settings s;
    SetupFile file(folder.path());
    SetupFile::LoadOutcome outcome;
    {
        FileSizeLimit full(1000); // the 2,800-byte defaults do not fit
        if (!full.ok())
            QSKIP("cannot limit the file size here");
        outcome = file.load(s);
    }
    QVERIFY(outcome.usedDefaults);
    QVERIFY(!outcome.copyError.isEmpty());
    // Not a short settings file: still empty, so the next start takes the defaults again.
    QCOMPARE(folder.bytes("acsetup.bin").size(), 0);
    QCOMPARE(s.DateFormat, QStringLiteral("Long Date"));
}

void tst_Settings::failedWriteIsReported_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("not a file") << "directory";
    QTest::newRow("full disk") << "full";
}

void tst_Settings::failedWriteIsReported()
{
    QFETCH(QString, kind);
    TestFolder folder;
    folder.copyDefaults();
    AppState state(folder.path());
    state.setupFile.load(state.settings);
    if (kind == QLatin1String("directory")) {
        QFile::remove(folder.file("acsetup.bin"));
        QVERIFY(QDir(folder.path()).mkdir("acsetup.bin"));
    } else {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full on this system");
        QFile::remove(folder.file("acsetup.bin"));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), folder.file("acsetup.bin")));
    }
    MsgBoxScript boxes;
    QVERIFY(!state.writeSetupRecord(24, QStringLiteral("CallForwardStatus = True")));
    QCOMPARE(boxes.shown.size(), 1);
    QVERIFY(boxes.shown[0].text.contains(QDir::toNativeSeparators(folder.file("acsetup.bin"))));
    QCOMPARE(boxes.shown[0].style, MsgStyle::Critical);
    // The reason is the line after the file name.
    QVERIFY(!boxes.shown[0].text.split(QChar(13)).value(2).isEmpty());
}

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_settings.moc"
