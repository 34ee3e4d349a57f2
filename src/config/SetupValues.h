#pragma once

#include "Settings.h"

#include <QString>

// What the Setup dialog holds while it is open: one pending text per option group ("True" or
// "False", the date format name, the date source name) and the texts of its boxes and value
// labels. Nothing here reaches the settings until it is applied.
struct SetupValues {
    QString sound, popUp, minimize, forwarding, privateCalls, telemarketers, selectedCalls, pager;
    QString dateFormat; // "Short Date", "Long Date" or "Day with Long Date"
    QString dateValue;  // "System Date" or "Caller Id Date"
    QString minimizeTime, pagerId;
    QString forwardNumber, forwardOnCode, forwardOffCode, privateBlockCode, privateReleaseCode, pagerNumber, areaCode;

    static SetupValues fromSettings(const Settings &s);
    // The factory configuration, keeping the forwarding number, the pager number and the local
    // area code that the dialog shows.
    void useDefaults();
    // The settings with these values in place; the service statuses, the colour and the modem
    // records are left as they are. No text is checked: an empty code is stored empty.
    Settings appliedTo(Settings s) const;
};

QString boolName(bool b);
