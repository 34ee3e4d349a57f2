#pragma once

#include <QByteArray>
#include <QString>

// The program's settings as typed values: one per record of the settings file (records 1 to
// 28), read by the rules below and written back in the same form.
class Settings {
public:
    static constexpr int RecordLength = 100;
    static constexpr int RecordCount = 32;    // the file holds at most 32 records
    static constexpr int SettingRecords = 28; // 29 to 32 are reserved: never read, never written
    static constexpr int LastReportRecord = 5;
    static constexpr int DefaultColor = 16744576; // 0xFF8080 in the 0x00BBGGRR form
    static constexpr int MaxTimerMs = 65535;      // the window timers count to 65,535 ms at most

    QString Color_Choice = QString::number(DefaultColor);
    QString COM_Port = QStringLiteral("0");
    QString Modem_Name;
    QString Call_Id_AT_Command;
    QString LastCallerIdReport; // empty until the first report of the run
    bool PopUpWindow = true;
    int MinimizeDelaySeconds = 30;
    bool CallerIdMinimize = true;
    QString DateFormat = QStringLiteral("Long Date");
    bool CallForwarding = false;
    QString ForwardNumber;
    QString ForwardOnCode = QStringLiteral("72#");
    QString ForwardOffCode = QStringLiteral("73#");
    QString DateValue = QStringLiteral("Caller Id Date");
    bool CallSendToPagerEnable = false;
    QString PagerNumber;
    QString PagerId;
    QString LocalAreaCode = QStringLiteral("000");
    bool BlockPrivateCalls = false;
    QString PrivateBlockCode = QStringLiteral("*77");
    QString PrivateReleaseCode = QStringLiteral("*87");
    bool BlockTeleMarketersEnable = false;
    bool CallSendToPagerStatus = false;
    bool CallForwardStatus = false;
    bool BlockPrivateCallsStatus = false;
    bool BlockTeleMarketersStatus = false;
    bool BlockSelectedCallsEnable = false;
    bool Talking_Call = true;

    // The key text that begins record n ("COM_Port = "), empty for the bare-value records.
    static QString keyOf(int rec);
    // Sets the setting of record n from the record's text, by the reading rules.
    void readRecord(int rec, const QString &recordText);
    // The record text the program writes for record n (key + value).
    QString composeRecord(int rec) const;

    // The minimise delay as the minimise timer takes it.
    int minimizeDelayMs() const;
    // The number that begins COM_Port (0 when none).
    int comPortNumber() const;
    // Color_Choice as a number (0 when it is not one).
    int colorNumber() const;
    // Record 4 holds a command, or the search's word that none works: the modem was configured.
    bool hasCallerIdCommand() const { return !Call_Id_AT_Command.trimmed().isEmpty(); }

    // The leading decimal number of a text, as the reading rules take it (0 when none).
    static qint64 leadingNumber(const QString &text);
    // A record as stored: the text in single bytes, cut or padded with spaces to 100 bytes.
    static QByteArray padRecord(const QString &text);
    // The text of a record as read (single bytes to characters).
    static QString recordText(const QByteArray &raw);
};
