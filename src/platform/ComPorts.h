#pragma once

#include <QString>

// COM n is the device that <program folder>/ports/COMn links to (as Wine's dosdevices do),
// so a pseudo-terminal or a USB modem can be given any COM number. Without a link a fixed
// table applies: COM1-4 /dev/ttyS0-3, COM5-8 /dev/ttyUSB0-3, COM9-12 /dev/ttyACM0-3.
// On Windows COM n is itself.
QString comDevicePath(int comNumber, const QString &programFolder);

// Why `device` cannot be opened, in words for the user; empty when no reason can be told.
QString explainOpenFailure(const QString &device, const QString &systemError);
