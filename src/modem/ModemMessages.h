#pragma once

#include "MsgBox.h"

// The failure messages the telephone services share.
namespace ModemMessages {

enum class LineBusy {
    Bang,        // "... AT command!" / "... Assistance."
    Dot,         // "... AT command." / "... Assistance."
    DotThenBang, // "... AT command." / "... Assistance!"
};

inline QString lineBusy(LineBusy form)
{
    return crLines({QStringLiteral("Your Phone Line is probably Busy. But If Phone Line is"),
                    form == LineBusy::Bang ? QStringLiteral("free then Modem do not supports AT command!")
                                           : QStringLiteral("free then Modem do not supports AT command."),
                    form == LineBusy::DotThenBang
                        ? QStringLiteral("Please contact Ringlark Technologies for further Assistance!")
                        : QStringLiteral("Please contact Ringlark Technologies for further Assistance.")});
}

inline QString noAtSupport()
{
    return crLines({QStringLiteral("Your Modem do not supports AT command!"),
                    QStringLiteral("Please contact Ringlark Technologies for further Assistance.")});
}

// The modem's device is gone (unplugged): said as it is, never as a port held by another program.
inline void notConnected(const QString &reason)
{
    MsgBox(crLines({QStringLiteral("The Modem is not connected!"), reason}), MsgStyle::Critical,
           QStringLiteral("Modem Disconnected"));
}

// Calls are taken from an NCID server: the modem is not used in this run.
inline QString callsFromServer()
{
    return QStringLiteral("Calls are taken from the NCID server; the modem is not used.");
}

} // namespace ModemMessages
