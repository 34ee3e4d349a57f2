#include "SetupValues.h"

QString boolName(bool b)
{
    return b ? QStringLiteral("True") : QStringLiteral("False");
}

SetupValues SetupValues::fromSettings(const Settings &s)
{
    SetupValues v;
    v.sound = boolName(s.Talking_Call);
    v.popUp = boolName(s.PopUpWindow);
    v.minimize = boolName(s.CallerIdMinimize);
    v.forwarding = boolName(s.CallForwarding);
    v.privateCalls = boolName(s.BlockPrivateCalls);
    v.telemarketers = boolName(s.BlockTeleMarketersEnable);
    v.selectedCalls = boolName(s.BlockSelectedCallsEnable);
    v.pager = boolName(s.CallSendToPagerEnable);
    // A format the dialog has no button for is kept as it is unless the user picks one.
    v.dateFormat = s.DateFormat;
    v.dateValue = s.DateValue;
    v.minimizeTime = QString::number(s.MinimizeDelaySeconds);
    v.pagerId = s.PagerId;
    v.forwardNumber = s.ForwardNumber;
    v.forwardOnCode = s.ForwardOnCode;
    v.forwardOffCode = s.ForwardOffCode;
    v.privateBlockCode = s.PrivateBlockCode;
    v.privateReleaseCode = s.PrivateReleaseCode;
    v.pagerNumber = s.PagerNumber;
    v.areaCode = s.LocalAreaCode;
    return v;
}

void SetupValues::useDefaults()
{
    minimizeTime = QStringLiteral("30");
    forwardOnCode = QStringLiteral("72#");
    forwardOffCode = QStringLiteral("73#");
    privateBlockCode = QStringLiteral("*77");
    privateReleaseCode = QStringLiteral("*87");
    pagerId.clear();
    sound = popUp = minimize = boolName(true);
    dateValue = QStringLiteral("Caller Id Date");
    dateFormat = QStringLiteral("Long Date");
    forwarding = privateCalls = pager = telemarketers = selectedCalls = boolName(false);
}

Settings SetupValues::appliedTo(Settings s) const
{
    // The label only ever shows a number from the settings, the up-down or the defaults; a
    // text without one keeps the delay the program runs with.
    const qint64 seconds = Settings::leadingNumber(minimizeTime);
    if (seconds >= 1)
        s.MinimizeDelaySeconds = int(seconds);
    s.ForwardNumber = forwardNumber;
    s.ForwardOnCode = forwardOnCode;
    s.ForwardOffCode = forwardOffCode;
    s.PrivateBlockCode = privateBlockCode;
    s.PrivateReleaseCode = privateReleaseCode;
    s.PagerNumber = pagerNumber;
    s.PagerId = pagerId;
    s.LocalAreaCode = areaCode;
    auto isTrue = [](const QString &t) { return t == QLatin1String("True"); };
    s.Talking_Call = isTrue(sound);
    s.PopUpWindow = isTrue(popUp);
    s.CallerIdMinimize = isTrue(minimize);
    s.DateFormat = dateFormat;
    s.DateValue = dateValue;
    s.CallForwarding = isTrue(forwarding);
    s.BlockPrivateCalls = isTrue(privateCalls);
    s.BlockSelectedCallsEnable = isTrue(selectedCalls);
    s.BlockTeleMarketersEnable = isTrue(telemarketers);
    s.CallSendToPagerEnable = isTrue(pager);
    return s;
}
