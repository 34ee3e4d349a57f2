#pragma once

#include <QString>

// COM n is the device that <program folder>/ports/COMn links to (as Wine's dosdevices do),
// so a pseudo-terminal or a USB modem can be given any COM number. Without a link a fixed
// table applies: COM1-4 /dev/ttyS0-3, COM5-8 /dev/ttyUSB0-3, COM9-12 /dev/ttyACM0-3.
// On Windows COM n is itself.
QString comDevicePath(int comNumber, const QString &programFolder);

// Why `device` cannot be opened, in words for the user; empty when no reason can be told.
QString explainOpenFailure(const QString &device, const QString &systemError);

// The COM number that names `device` in the program folder (a ports/COMn link, or the fixed
// table), 0 when none does.
int comNumberOf(const QString &device, const QString &programFolder);
// Gives `device` a COM number: the one that already names it, else a ports/COMn link made at
// the first number from 1 to 16 whose device does not exist. 0 when every number is taken.
int assignComNumber(const QString &device, const QString &programFolder);

// The program that holds `device` open, where the system can tell (its lock file, or its open
// files when they may be read); empty otherwise.
QString portHolder(const QString &device);
