#pragma once

#include <QString>

// What the voice says of the caller after the recorded call class: "Call from John Doe". Empty
// for the names that only say that there is no name (withheld, unknown, barred, no caller ID, a
// one-letter code): the class word already says it.
QString nameAnnouncement(const QString &callerName);
