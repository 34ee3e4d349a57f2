#pragma once

#include <QList>
#include <QString>

// The modems the system knows, each with its port ("COM12") and its name. On Windows the
// installed modems of the registry; on Linux the serial devices of the modem class (USB
// CDC-ACM, /dev/ttyACM*), each given a COM number through a ports/COMn link of the program
// folder. Tests install a list of their own.
struct KnownModem {
    QString portName;     // "COM" + number
    QString friendlyName; // may be empty
};

class ModemRegistry {
public:
    virtual ~ModemRegistry() = default;
    virtual QList<KnownModem> modems(const QString &programFolder) = 0;

    static ModemRegistry &current();
    static void install(ModemRegistry *registry); // nullptr restores the system's
};
