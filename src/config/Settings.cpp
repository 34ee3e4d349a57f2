#include "Settings.h"

#include "TextRules.h"

#include <algorithm>
#include <array>

namespace {

enum class Kind { Color, Number, Text, Bool, Delay };

struct RecordRule {
    const char *key; // empty: bare value
    Kind kind;
    const char *fallback; // default of a Text record when empty; of a Bool when not True/False
};

// Records 1 to 28. Record 5 (the last caller-ID report) is never read back.
const std::array<RecordRule, Settings::SettingRecords + 1> Rules = {{
    {"", Kind::Text, ""},                                 // (no record 0)
    {"Color_Choice = ", Kind::Color, ""},                 // 1
    {"COM_Port = ", Kind::Number, ""},                    // 2
    {"Modem_Name = ", Kind::Text, ""},                    // 3
    {"Call_Id_AT_Command = ", Kind::Text, ""},            // 4
    {"", Kind::Text, ""},                                 // 5 last caller ID report
    {"PopUpWindow = ", Kind::Bool, "True"},               // 6
    {"", Kind::Delay, ""},                                // 7 minimise delay, seconds
    {"CallerIdMinimize = ", Kind::Bool, "True"},          // 8
    {"DateFormat = ", Kind::Text, "Long Date"},           // 9
    {"CallForwarding = ", Kind::Bool, "False"},           // 10
    {"", Kind::Text, ""},                                 // 11 forwarding number
    {"", Kind::Text, "72#"},                              // 12 forwarding-on code
    {"", Kind::Text, "73#"},                              // 13 forwarding-off code
    {"DateValue = ", Kind::Text, ""},                     // 14 (checked against its two names)
    {"CallSendToPagerEnable = ", Kind::Bool, "False"},    // 15
    {"", Kind::Text, ""},                                 // 16 pager number
    {"", Kind::Text, ""},                                 // 17 pager identification
    {"", Kind::Text, "000"},                              // 18 local area code
    {"BlockPrivateCalls = ", Kind::Bool, "False"},        // 19
    {"", Kind::Text, "*77"},                              // 20 private-block code
    {"", Kind::Text, "*87"},                              // 21 private-release code
    {"BlockTeleMarketersEnable = ", Kind::Bool, "False"}, // 22
    {"CallSendToPagerStatus = ", Kind::Bool, "False"},    // 23
    {"CallForwardStatus = ", Kind::Bool, "False"},        // 24
    {"BlockPrivateCallsStatus = ", Kind::Bool, "False"},  // 25
    {"BlockTeleMarketersStatus= ", Kind::Bool, "False"},  // 26 (no blank before "=")
    {"BlockSelectedCallsEnable = ", Kind::Bool, "False"}, // 27
    {"Talking_Call = ", Kind::Bool, "True"},              // 28
}};

QString boolText(bool b)
{
    return b ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

QString Settings::keyOf(int rec)
{
    if (rec < 1 || rec > SettingRecords)
        return QString();
    return QString::fromLatin1(Rules[rec].key);
}

qint64 Settings::leadingNumber(const QString &text)
{
    return TextRules::leadingNumber(text);
}

QByteArray Settings::padRecord(const QString &text)
{
    QByteArray b = text.toLatin1().left(RecordLength);
    b.append(QByteArray(RecordLength - b.size(), ' '));
    return b;
}

QString Settings::recordText(const QByteArray &raw)
{
    return QString::fromLatin1(raw);
}

void Settings::readRecord(int rec, const QString &recordText)
{
    if (rec < 1 || rec > SettingRecords || rec == LastReportRecord)
        return;
    const RecordRule &rule = Rules[rec];
    // NULs go before the key does: a NUL inside a key, or between a key and its blank, would
    // otherwise hide it now and show it after the value is written back, so a saved setting
    // would not read back as it was.
    QString v = recordText;
    v.remove(QChar(0));
    if (*rule.key)
        v.remove(QString::fromLatin1(rule.key), Qt::CaseSensitive);
    v = TextRules::trimBlanks(v);

    auto boolValue = [&](bool &target) {
        if (v == QLatin1String("True"))
            target = true;
        else if (v == QLatin1String("False"))
            target = false;
        else
            target = QLatin1String(rule.fallback) == QLatin1String("True");
    };
    auto textValue = [&](QString &target) { target = v.isEmpty() ? QString::fromLatin1(rule.fallback) : v; };

    switch (rec) {
    case 1: {
        const qint64 n = leadingNumber(v);
        Color_Choice = n < 1 ? QString::number(DefaultColor) : QString::number(n);
        break;
    }
    case 2:
        COM_Port = QString::number(leadingNumber(v));
        break;
    case 3:
        Modem_Name = v;
        break;
    case 4:
        Call_Id_AT_Command = v;
        break;
    case 6:
        boolValue(PopUpWindow);
        break;
    case 7: {
        const qint64 n = leadingNumber(v);
        MinimizeDelaySeconds = n < 1 ? 30 : int(std::min<qint64>(n, 1000000));
        break;
    }
    case 8:
        boolValue(CallerIdMinimize);
        break;
    case 9:
        textValue(DateFormat);
        break;
    case 10:
        boolValue(CallForwarding);
        break;
    case 11:
        ForwardNumber = v;
        break;
    case 12:
        textValue(ForwardOnCode);
        break;
    case 13:
        textValue(ForwardOffCode);
        break;
    case 14:
        DateValue = (v == QLatin1String("System Date") || v == QLatin1String("Caller Id Date"))
                        ? v
                        : QStringLiteral("Caller Id Date");
        break;
    case 15:
        boolValue(CallSendToPagerEnable);
        break;
    case 16:
        PagerNumber = v;
        break;
    case 17:
        PagerId = v;
        break;
    case 18:
        textValue(LocalAreaCode);
        break;
    case 19:
        boolValue(BlockPrivateCalls);
        break;
    case 20:
        textValue(PrivateBlockCode);
        break;
    case 21:
        textValue(PrivateReleaseCode);
        break;
    case 22:
        boolValue(BlockTeleMarketersEnable);
        break;
    case 23:
        boolValue(CallSendToPagerStatus);
        break;
    case 24:
        boolValue(CallForwardStatus);
        break;
    case 25:
        boolValue(BlockPrivateCallsStatus);
        break;
    case 26:
        boolValue(BlockTeleMarketersStatus);
        break;
    case 27:
        boolValue(BlockSelectedCallsEnable);
        break;
    case 28:
        boolValue(Talking_Call);
        break;
    default:
        break;
    }
}

QString Settings::composeRecord(int rec) const
{
    const QString key = keyOf(rec);
    switch (rec) {
    case 1:
        return key + Color_Choice;
    case 2:
        return key + COM_Port;
    case 3:
        return key + Modem_Name;
    case 4:
        return key + Call_Id_AT_Command;
    case 5:
        return LastCallerIdReport;
    case 6:
        return key + boolText(PopUpWindow);
    case 7:
        return QString::number(MinimizeDelaySeconds);
    case 8:
        return key + boolText(CallerIdMinimize);
    case 9:
        return key + DateFormat;
    case 10:
        return key + boolText(CallForwarding);
    case 11:
        return ForwardNumber;
    case 12:
        return ForwardOnCode;
    case 13:
        return ForwardOffCode;
    case 14:
        return key + DateValue;
    case 15:
        return key + boolText(CallSendToPagerEnable);
    case 16:
        return PagerNumber;
    case 17:
        return PagerId;
    case 18:
        return LocalAreaCode;
    case 19:
        return key + boolText(BlockPrivateCalls);
    case 20:
        return PrivateBlockCode;
    case 21:
        return PrivateReleaseCode;
    case 22:
        return key + boolText(BlockTeleMarketersEnable);
    case 23:
        return key + boolText(CallSendToPagerStatus);
    case 24:
        return key + boolText(CallForwardStatus);
    case 25:
        return key + boolText(BlockPrivateCallsStatus);
    case 26:
        return key + boolText(BlockTeleMarketersStatus);
    case 27:
        return key + boolText(BlockSelectedCallsEnable);
    case 28:
        return key + boolText(Talking_Call);
    default:
        return QString();
    }
}

int Settings::minimizeDelayMs() const
{
    // A hand-edited file may ask for more than the timer can count; clamp instead of failing.
    return int(std::min<qint64>(qint64(MinimizeDelaySeconds) * 1000, MaxTimerMs));
}

int Settings::comPortNumber() const
{
    return int(std::clamp<qint64>(leadingNumber(COM_Port), -1000000, 1000000));
}

int Settings::colorNumber() const
{
    return int(std::clamp<qint64>(leadingNumber(Color_Choice), 0, 0xFFFFFF));
}
