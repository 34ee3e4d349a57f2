#include "ModemRegistry.h"

#include "ComPorts.h"
#include "Waits.h"

#include <QSerialPortInfo>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

namespace {

class SystemModems : public ModemRegistry {
public:
    QList<KnownModem> modems(const QString &programFolder) override
    {
        QList<KnownModem> found;
#ifdef Q_OS_WIN
        Q_UNUSED(programFolder);
        // Installed modems: devices of the class "Modem" under the PCI enumeration.
        QSettings pci(QStringLiteral("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\PCI"),
                      QSettings::NativeFormat);
        for (const QString &device : pci.childGroups()) {
            pci.beginGroup(device);
            for (const QString &instance : pci.childGroups()) {
                pci.beginGroup(instance);
                if (pci.value(QStringLiteral("Class")).toString() == QLatin1String("Modem")) {
                    QString port = pci.value(QStringLiteral("Device Parameters/PortName")).toString();
                    for (const QString &key : pci.childKeys()) {
                        if (!port.isEmpty())
                            break;
                        const QString value = pci.value(key).toString();
                        if (key.contains(QLatin1String("Port"), Qt::CaseInsensitive) &&
                            value.contains(QLatin1String("COM")))
                            port = value;
                    }
                    found.append({port, pci.value(QStringLiteral("FriendlyName")).toString()});
                }
                pci.endGroup();
                pumpOnce();
            }
            pci.endGroup();
        }
#else
        // USB modems speak the communications device class and appear as ttyACM devices; a
        // USB serial adapter (ttyUSB) may hold anything, so it is left to the port scan.
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
            if (!info.portName().startsWith(QLatin1String("ttyACM")))
                continue;
            const int com = assignComNumber(info.systemLocation(), programFolder);
            if (com < 1)
                continue;
            const QString name = !info.description().isEmpty() ? info.description() : info.manufacturer();
            found.append({QStringLiteral("COM%1").arg(com), name});
        }
#endif
        return found;
    }
};

ModemRegistry *g_installed = nullptr;

} // namespace

ModemRegistry &ModemRegistry::current()
{
    static SystemModems system;
    return g_installed ? *g_installed : system;
}

void ModemRegistry::install(ModemRegistry *registry)
{
    g_installed = registry;
}
