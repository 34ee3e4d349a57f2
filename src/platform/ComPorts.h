#pragma once

#include <QString>
#include <QStringList>

// COM n is the device that <program folder>/ports/COMn links to (as Wine's dosdevices do),
// so a pseudo-terminal or a USB modem can be given any COM number. Without a link a fixed
// table applies: COM1-4 /dev/ttyS0-3, COM5-8 /dev/ttyUSB0-3, COM9-12 /dev/ttyACM0-3.
// On Windows COM n is itself.
// An installed program whose data lives in the user's folder keeps the ports/ links of its own
// folder: they are looked up first.
// `linkOnly`: only a ports/COMn entry names the device (a port that was configured through a
// link waits for that link: a link replaced in two steps must not send the program to the
// fixed table's device meanwhile); empty when there is none.
QString comDevicePath(int comNumber, const QString &programFolder, bool linkOnly = false);
// A ports/COMn entry (a link, or a device node put there) names COM n.
bool comNumberIsLinked(int comNumber, const QString &programFolder);
// The device node itself that `path` leads to through any links (a /dev/serial/by-id name, a
// ports/COMn link): what the lock of a serial port must be named after, so that every path to one
// modem excludes every other. `path` itself when it leads nowhere.
QString deviceNode(const QString &path);
// The program's own folder when the data folder is another one (read-only installation).
void setInstalledFolder(const QString &folder);
// The ports/ folders COM numbers are looked up in, in order.
QStringList portsFolders(const QString &programFolder);

// A lock file of `device` whose owner no longer runs (it was killed and left it behind), with
// that owner's process id; empty when there is none.
QString staleLockFile(const QString &device, qint64 *deadPid = nullptr);

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
