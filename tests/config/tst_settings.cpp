// The settings file: reading rules, first start, in-place writes, the dialog's save.
#include "AppState.h"
#include "MsgBox.h"
#include "ProgramSettings.h"
#include "Settings.h"
#include "SetupFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <unistd.h>

namespace {
QByteArray recordAt(const QByteArray &file, int rec)
{
    return file.mid(qsizetype(rec - 1) * 100, 100);
}
} // namespace

Q_DECLARE_METATYPE(ProgramSettings)

class tst_Settings : public QObject {
    Q_OBJECT
private slots:
    void readingRules_data()
    {
        // `reads`: the record as the setting is written back.
        columns<int, QString, QString>("rec", "text", "reads");
        row("colour 0 takes the default", 1, "Color_Choice = 0", "Color_Choice = 16744576");
        row("colour leading number", 1, "Color_Choice = 255abc", "Color_Choice = 255");
        row("COM3 is no number", 2, "COM_Port = COM3", "COM_Port = 0");
        row("COM port empty", 2, "COM_Port =", "COM_Port = 0");
        row("key removed wherever it stands", 2, "COM_Port = COM_Port = 4", "COM_Port = 4");
        row("misspelt Boolean, default True", 6, "PopUpWindow = yes", "PopUpWindow = True");
        row("delay 0", 7, "0", "30");
        row("delay abc", 7, "abc", "30");
        row("date format empty", 9, "DateFormat =", "DateFormat = Long Date");
        row("unknown date format kept", 9, "DateFormat = Whatever", "DateFormat = Whatever");
        row("NUL inside the key", 9, QString("DateFor") + QChar(0) + QChar(0) + "mat = Short Date",
            "DateFormat = Short Date");
        row("forwarding code default", 12, "", "72#");
        row("unknown date value", 14, "DateValue = today", "DateValue = Caller Id Date");
        row("area code default", 18, "", "000");
        row("lower-case true is not True", 24, "CallForwardStatus = true", "CallForwardStatus = False");
        row("key without blank", 26, "BlockTeleMarketersStatus= True", "BlockTeleMarketersStatus= True");
        row("key that does not match", 26, "BlockTeleMarketersStatus = True", "BlockTeleMarketersStatus= False");
        row("NUL record takes default", 28, QString(100, QChar(0)), "Talking_Call = True");
    }

    void readingRules()
    {
        QFETCH(int, rec);
        QFETCH(QString, text);
        QFETCH(QString, reads);
        Settings s;
        // The opposite of every default, so that a rule that does nothing shows.
        s.readRecord(rec, Settings::keyOf(rec) + (rec == 28 || rec == 6 ? "False" : "True"));
        s.readRecord(rec, QString::fromLatin1(Settings::padRecord(text)));
        QCOMPARE(s.composeRecord(rec), reads);
    }

    void everyRecordReadsBackAsWritten()
    {
        // A key that the writer and the reader spell differently would lose the setting.
        const QStringList records = {"Color_Choice = 255",
                                     "COM_Port = 7",
                                     "Modem_Name = Voice Modem",
                                     "Call_Id_AT_Command = AT#CID=1",
                                     "",
                                     "PopUpWindow = False",
                                     "45",
                                     "CallerIdMinimize = False",
                                     "DateFormat = Short Date",
                                     "CallForwarding = True",
                                     "5550100",
                                     "*72",
                                     "*73",
                                     "DateValue = System Date",
                                     "CallSendToPagerEnable = True",
                                     "5550111",
                                     "3",
                                     "212",
                                     "BlockPrivateCalls = True",
                                     "*60",
                                     "*80",
                                     "BlockTeleMarketersEnable = True",
                                     "CallSendToPagerStatus = True",
                                     "CallForwardStatus = True",
                                     "BlockPrivateCallsStatus = True",
                                     "BlockTeleMarketersStatus= True",
                                     "BlockSelectedCallsEnable = True",
                                     "Talking_Call = False"};
        Settings s;
        for (int rec = 1; rec <= Settings::SettingRecords; ++rec) {
            if (rec == Settings::LastReportRecord)
                continue;
            s.readRecord(rec, QString::fromLatin1(Settings::padRecord(records.at(rec - 1))));
            QCOMPARE(s.composeRecord(rec), records.at(rec - 1));
        }
    }

    void minimizeDelay_data()
    {
        columns<QString, int>("record", "ms");
        row("45 s", "45", 45000);
        row("65 s", "65", 65000);
        row("66 s clamped", "66", 65535);
        row("huge clamped", "99999999999999999999", 65535);
    }

    void minimizeDelay()
    {
        QFETCH(QString, record);
        QFETCH(int, ms);
        Settings s;
        s.readRecord(7, record);
        QCOMPARE(s.minimizeDelayMs(), ms);
    }

    void firstStart_data()
    {
        QTest::addColumn<bool>("withDefaults");
        row("defaults installed", true);
        row("no file at all", false);
    }

    void firstStart()
    {
        QFETCH(bool, withDefaults);
        TestFolder folder;
        if (withDefaults)
            folder.copyDefaults();
        for (int start = 1; start <= 2; ++start) {
            int messages = 0;
            Settings s;
            s.Talking_Call = false;
            s.BlockTeleMarketersStatus = true;
            SetupFile(folder.path()).load(s, [&] { ++messages; });
            // With the defaults the first start copies them; without, every start asks again.
            QCOMPARE(messages, start == 1 || !withDefaults ? 1 : 0);
            QCOMPARE(folder.bytes("acsetup.bin"), folder.bytes("desetup.bin"));
            QVERIFY(folder.exists("desetup.bin"));
            // The shipped defaults: 28 records of 100 characters, no NUL in them.
            QCOMPARE(folder.bytes("acsetup.bin").size(), withDefaults ? 2800 : 0);
            QVERIFY(!folder.bytes("acsetup.bin").contains('\0'));
            QVERIFY(s.Talking_Call && !s.BlockTeleMarketersStatus);
            QCOMPARE(s.comPortNumber(), 0);
        }
    }

    void firstStartOnAFullDisk()
    {
        TestFolder folder;
        folder.copyDefaults();
        Settings s;
        SetupFile::LoadOutcome outcome;
        {
            FileSizeLimit full(1000); // the 2,800-byte defaults do not fit
            if (!full.ok())
                QSKIP("cannot limit the file size here");
            outcome = SetupFile(folder.path()).load(s);
        }
        QVERIFY(!outcome.copyError.isEmpty());
        // Not a short settings file: still empty, so the next start takes the defaults again.
        QCOMPARE(folder.bytes("acsetup.bin").size(), 0);
        QCOMPARE(s.DateFormat, QStringLiteral("Long Date"));
    }

    void shortFileAndWriteBeyondTheEnd()
    {
        TestFolder folder;
        const QByteArray start = settingsRecord("Color_Choice = 255") + settingsRecord("COM_Port = 3");
        folder.write("acsetup.bin", start);
        Settings s;
        s.Talking_Call = false;
        SetupFile file(folder.path());
        file.load(s);
        QCOMPARE(s.comPortNumber(), 3);
        QVERIFY(s.Talking_Call); // records beyond the end take their defaults
        QCOMPARE(file.record(20), QByteArray(100, '\0'));

        QVERIFY(file.WriteSetupRecord(26, QStringLiteral("BlockTeleMarketersStatus= True"), s, nullptr));
        QVERIFY(s.BlockTeleMarketersStatus);
        const QByteArray after = folder.bytes("acsetup.bin");
        QCOMPARE(after.size(), 2600);
        QCOMPARE(after.left(200), start);
        QCOMPARE(after.mid(200, 2300), QByteArray(2300, '\0'));
        Settings reread;
        reread.BlockPrivateCallsStatus = true;
        SetupFile(folder.path()).load(reread);
        QVERIFY(!reread.BlockPrivateCallsStatus);
        QVERIFY(reread.BlockTeleMarketersStatus);
    }

    void writeCutsAt100AndSyncsSetting()
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

    void dialogSaveLeavesOtherRecords()
    {
        TestFolder folder;
        folder.copyDefaults();
        QByteArray reserved(400, '\0');
        for (int i = 0; i < reserved.size(); ++i)
            reserved[i] = char(i * 7 + 3);
        const QByteArray head = settingsRecord("Color_Choice = 255") + settingsRecord("COM_Port = 3") +
                                settingsRecord("Modem_Name = Kept") + settingsRecord("Call_Id_AT_Command = AT#CID=1");
        folder.write("acsetup.bin", head + folder.bytes("desetup.bin").mid(400) + reserved);
        Settings s;
        SetupFile file(folder.path());
        file.load(s);
        s.DateFormat = QStringLiteral("Short Date");
        QVERIFY(file.saveSetupDialog(s, nullptr));
        const QByteArray after = folder.bytes("acsetup.bin");
        QCOMPARE(after.left(400), head);
        QCOMPARE(after.mid(2800), reserved);
        QCOMPARE(recordAt(after, 5), QByteArray(100, ' ')); // no report this run
        QCOMPARE(recordAt(after, 9), settingsRecord("DateFormat = Short Date"));
    }

    void recordGoesToTheFileThatIsThere_data()
    {
        // The settings file is held open between writes: another file put where it stood (a
        // restored backup, an editor's save) gets the next record, and the file it replaced
        // keeps what it had.
        columns<QString>("how");
        row("written in place", "in place");
        row("another renamed over it", "rename over");
        row("moved away, another copied in", "move and copy");
        row("removed, another written", "remove");
        row("its folder moved, another folder put there", "folder");
        row("cut short in place", "cut short");
    }
    void recordGoesToTheFileThatIsThere()
    {
        QFETCH(QString, how);
        TestFolder folder;
        QVERIFY(QDir(folder.path()).mkdir("data"));
        folder.copyDefaults();
        folder.write("data/acsetup.bin", folder.bytes("desetup.bin"));
        Settings s;
        SetupFile file(folder.file("data"));
        file.load(s);
        QVERIFY(file.WriteSetupRecord(5, QStringLiteral("first caller"), s, nullptr));
        const QByteArray before = folder.bytes("data/acsetup.bin");
        QByteArray other = before;
        other.replace(1000, 100, settingsRecord("Modem_Name = Restored"));
        const QString old = how == "folder" ? "data.old/acsetup.bin" : "data/backup.bin";
        if (how == "in place") {
            folder.write("data/acsetup.bin", other);
        } else if (how == "rename over") {
            folder.write("data/new.bin", other);
            QVERIFY(::rename(qPrintable(folder.file("data/new.bin")), qPrintable(folder.file("data/acsetup.bin"))) ==
                    0);
        } else if (how == "move and copy") {
            QVERIFY(QFile::rename(folder.file("data/acsetup.bin"), folder.file(old)));
            folder.write("data/acsetup.bin", other);
        } else if (how == "remove") {
            QVERIFY(QFile::remove(folder.file("data/acsetup.bin")));
            folder.write("data/acsetup.bin", other);
        } else if (how == "cut short") {
            QVERIFY(::truncate(qPrintable(folder.file("data/acsetup.bin")), 150) == 0);
        } else {
            QVERIFY(QDir(folder.path()).rename("data", "data.old") && QDir(folder.path()).mkdir("data"));
            folder.write("data/acsetup.bin", other);
        }
        QVERIFY(file.WriteSetupRecord(5, QStringLiteral("second caller"), s, nullptr));
        const QByteArray now = folder.bytes("data/acsetup.bin");
        QCOMPARE(recordAt(now, 5), settingsRecord("second caller"));
        if (how == "cut short") {
            QCOMPARE(now.size(), 500);
            QCOMPARE(now.left(150), before.left(150));
            QCOMPARE(now.mid(150, 250), QByteArray(250, '\0'));
            return;
        }
        QCOMPARE(recordAt(now, 11), settingsRecord("Modem_Name = Restored"));
        if (how != "in place" && how != "rename over" && how != "remove")
            QCOMPARE(folder.bytes(old), before);
    }

    void failedWriteIsReported_data()
    {
        QTest::addColumn<bool>("fullDisk");
        row("not a file", false);
        row("full disk", true);
    }

    void failedWriteIsReported()
    {
        QFETCH(bool, fullDisk);
        TestFolder folder;
        folder.copyDefaults();
        AppState state(folder.path());
        state.setupFile.load(state.settings);
        QFile::remove(folder.file("acsetup.bin"));
        if (fullDisk)
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), folder.file("acsetup.bin")));
        else
            QVERIFY(QDir(folder.path()).mkdir("acsetup.bin"));
        MsgBoxScript boxes;
        QVERIFY(!state.writeSetupRecord(24, QStringLiteral("CallForwardStatus = True")));
        QCOMPARE(boxes.titles(), QStringList{"File Write Error"});
        const QStringList lines = boxes.shown[0].text.split(QChar(13));
        QCOMPARE(lines.value(1), QDir::toNativeSeparators(folder.file("acsetup.bin")));
        QVERIFY(!lines.value(2).isEmpty()); // the reason
        // The setting stays what the file says: the program does not act on a value it lost.
        QVERIFY(!state.settings.CallForwardStatus);
        QCOMPARE(state.setupFile.record(24), settingsRecord("CallForwardStatus = False"));
        Settings changed = state.settings;
        changed.DateFormat = QStringLiteral("Short Date");
        QVERIFY(!state.setupFile.saveSetupDialog(changed, nullptr));
        QCOMPARE(state.setupFile.record(9), settingsRecord("DateFormat = Long Date"));
    }

    // The program's own file: what it saves reads back, and a damaged or missing file, or a
    // value out of range, gives the defaults without touching acsetup.bin. A file far longer than
    // settings can be is not read at all: it is kept aside as damaged, and the user told.
    void programSettingsFile_data()
    {
        columns<QByteArray, ProgramSettings, bool>("content", "read", "keptAside");
        const ProgramSettings defaults;
        ProgramSettings shapes = defaults;
        shapes.ncidServerEnabled = true;
        shapes.ncidServerPort = 4000;
        shapes.ncidClientHost = QStringLiteral("pbx.lan");
        shapes.notifications = false;
        ProgramSettings speaking = defaults;
        speaking.speakNames = true;
        const QByteArray speak = "[desktop]\nspeakNames=true\n";
        auto padded = [&](qint64 size) { return speak + ";" + QByteArray(size - speak.size() - 2, 'x') + "\n"; };
        row("missing", QByteArray(), defaults, false);
        row("garbage", QByteArray("\x00\xff[[[\n=\n\x01", 8), defaults, false);
        row("out of range", QByteArray("[ncid]\nlistenPort=70000\npublish=maybe\n"), defaults, false);
        row("shapes by hand",
            QByteArray("[ncid]\npublish=1\nlistenPort = 4000\nserverHost= pbx.lan \n"
                       "[desktop]\nnotifications=FALSE\n"),
            shapes, false);
        // Commas not in quotes make a list of the value to QSettings; it is one setting here.
        ProgramSettings addresses = defaults;
        addresses.ncidListsFrom = QStringLiteral("192.168.1.0/24, 10.0.0.5");
        addresses.ncidClientsFrom = QStringLiteral("192.168.1.0/24 fd00::/8");
        row("address lists by hand",
            QByteArray("[ncid]\nlistsFrom = 192.168.1.0/24, 10.0.0.5\nclientsFrom=192.168.1.0/24 fd00::/8\n"),
            addresses, false);
        row("at the bound", padded(ProgramSettings::MaxFileSize), speaking, false);
        row("over the bound", padded(ProgramSettings::MaxFileSize + 1), defaults, true);
    }

    void programSettingsFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(ProgramSettings, read);
        QFETCH(bool, keptAside);
        const TestScope t(1.0);
        TestFolder folder;
        if (!content.isNull())
            folder.write(ProgramSettings::fileName(), content);
        QCOMPARE(ProgramSettings::load(folder.path()), read);
        const QStringList copies = QDir(folder.path()).entryList({ProgramSettings::fileName() + ".damaged-*"});
        QCOMPARE(copies.size(), keptAside ? 1 : 0);
        if (keptAside) {
            const QString copy = copies.first();
            QCOMPARE(folder.bytes(copy), content);
            QVERIFY(!folder.exists(ProgramSettings::fileName())); // not read again at the next start
            QTRY_COMPARE(t.boxes.titles(), QStringList{"Damaged File"});
            QVERIFY(t.boxes.shown.value(0).text.contains(QDir::toNativeSeparators(folder.file(copy))));
        }
        // Every setting off its default, so that one left out of the load or the save shows.
        ProgramSettings p;
        p.ncidServerEnabled = true;
        p.ncidServerAddress = QStringLiteral("::1");
        p.ncidServerPort = 4444;
        p.ncidListsFrom = QStringLiteral("192.168.1.0/24, 10.0.0.5");
        p.ncidClientsFrom = QStringLiteral("10.0.0.0/8");
        p.ncidClientEnabled = true;
        p.ncidClientHost = QStringLiteral("pbx.lan");
        p.ncidClientPort = 5555;
        p.speakNames = true;
        p.notifications = false;
        QVERIFY(p.save(folder.path()));
        QCOMPARE(ProgramSettings::load(folder.path()), p);
        QVERIFY(!folder.exists(QStringLiteral("acsetup.bin")));
        QVERIFY(folder.bytes(ProgramSettings::fileName()).size() < 1024);
    }
};

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_settings.moc"
