#include "MSComm.h"

#include "ComPorts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

MSComm::MSComm(QObject *parent) : QObject(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        emit dataArrived();
        postOnComm();
    });
    connect(&m_port, &QSerialPort::errorOccurred, this, &MSComm::onError);
}

MSComm::~MSComm()
{
    m_port.close();
}

void MSComm::useDevice(QIODevice *device)
{
    m_io = device;
    connect(device, &QIODevice::readyRead, this, [this] {
        emit dataArrived();
        postOnComm();
    });
}

QString MSComm::portName() const
{
    return m_portName;
}

bool MSComm::setSettings(const QString &s)
{
    const QStringList parts = s.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    bool ok = false;
    parts[0].toInt(&ok);
    if (!ok)
        return false;
    m_settings = s;
    if (m_port.isOpen())
        applySettings();
    return true;
}

void MSComm::applySettings()
{
    const QStringList p = m_settings.split(QLatin1Char(','));
    m_port.setBaudRate(p[0].toInt());
    const QChar parity = p[1].trimmed().toUpper().at(0);
    m_port.setParity(parity == QLatin1Char('E')   ? QSerialPort::EvenParity
                     : parity == QLatin1Char('O') ? QSerialPort::OddParity
                                                  : QSerialPort::NoParity);
    const int bits = p[2].toInt();
    m_port.setDataBits(bits == 7 ? QSerialPort::Data7 : QSerialPort::Data8);
    m_port.setStopBits(p[3].trimmed() == QLatin1String("2") ? QSerialPort::TwoStop : QSerialPort::OneStop);
    // Voice modems of this kind answer without hardware handshake; RTS/CTS would stall a
    // modem whose cable lacks the lines.
    m_port.setFlowControl(QSerialPort::NoFlowControl);
}

bool MSComm::setPortOpen(bool open, QString *error)
{
    if (!open) {
        m_received.flush(portName());
        m_io->close();
        m_losing = false;
        return true;
    }
    if (m_io->isOpen())
        return true;
    if (!onSerialPort())
        return m_io->open(QIODevice::ReadWrite);
    const bool linkOnly = m_explicitDevice.isEmpty() && m_linkedPort == m_commPort && m_throughLink;
    m_device = m_explicitDevice.isEmpty() ? comDevicePath(m_commPort, m_folder, linkOnly) : m_explicitDevice;
    if (m_device.isEmpty()) {
        if (error)
            *error = linkOnly ? QStringLiteral("%1 does not exist.")
                                    .arg(QDir(portsFolders(m_folder).constLast())
                                             .filePath(QStringLiteral("COM%1").arg(m_commPort)))
                              : explainOpenFailure(m_device, QString());
        return false;
    }
    // The lock is named after what is opened: the device node itself, whatever link led to it,
    // so that another program on another name of the same modem is told apart from a free port.
    const QString node = deviceNode(m_device);
    m_port.setPortName(node);
    bool opened = m_port.open(QIODevice::ReadWrite);
    if (!opened) {
        // A lock left by a program that was killed is stale: removed where this user may, the
        // port is free. (Where not, the reason names the file and the dead owner.)
        const QString stale = staleLockFile(node);
        if (!stale.isEmpty() && QFile::remove(stale)) {
            m_port.clearError();
            opened = m_port.open(QIODevice::ReadWrite);
        }
    }
    if (!opened) {
        if (error)
            *error = explainOpenFailure(node, m_port.errorString());
        m_port.clearError();
        return false;
    }
    if (m_explicitDevice.isEmpty()) {
        m_linkedPort = m_commPort;
        m_throughLink = comNumberIsLinked(m_commPort, m_folder);
    }
    m_losing = false;
    applySettings();
    m_port.setDataTerminalReady(true);
    return true;
}

int MSComm::InBufferCount() const
{
    return m_io->isOpen() ? int(m_io->bytesAvailable()) : 0;
}

bool MSComm::inputHasLineEnd()
{
    const QByteArray waiting = peekInput();
    return waiting.contains('\r') || waiting.contains('\n');
}

QByteArray MSComm::peekInput()
{
    return m_io->isOpen() ? m_io->peek(m_io->bytesAvailable()) : QByteArray();
}

void MSComm::takePeeked(QStringView text)
{
    m_io->skip(text.size());
    m_received.add(portName(), text);
}

void MSComm::clearInBuffer()
{
    if (!m_io->isOpen())
        return;
    m_received.add(portName(), QString::fromLatin1(m_io->readAll()));
    if (onSerialPort())
        m_port.clear(QSerialPort::Input);
}

QString MSComm::Input()
{
    if (!m_io->isOpen())
        return QString();
    const QString text = QString::fromLatin1(m_inputLen > 0 ? m_io->read(m_inputLen) : m_io->readAll());
    m_received.add(portName(), text);
    return text;
}

void MSComm::Output(const QString &text)
{
    if (!m_io->isOpen())
        return;
    m_sent.add(portName(), text);
    m_io->write(text.toLatin1());
    if (onSerialPort())
        m_port.flush();
}

void MSComm::drainOutput(int ms)
{
    if (m_io->isOpen() && m_io->bytesToWrite() > 0)
        m_io->waitForBytesWritten(ms);
}

bool MSComm::deviceMissing() const
{
    if (!onSerialPort())
        return false;
    const QString device = m_explicitDevice.isEmpty()
                               ? comDevicePath(m_commPort, m_folder, m_linkedPort == m_commPort && m_throughLink)
                               : m_explicitDevice;
    return device.isEmpty() || !QFileInfo::exists(device);
}

bool MSComm::waitForInput(int ms)
{
    if (!m_io->isOpen())
        return false;
    if (m_io->bytesAvailable() > 0)
        return true;
    return m_io->waitForReadyRead(ms);
}

bool MSComm::inputBroken() const
{
    const QSerialPort::SerialPortError e = m_port.error();
    return !m_io->isOpen() || m_losing || e == QSerialPort::ResourceError || e == QSerialPort::ReadError;
}

void MSComm::postOnComm()
{
    if (m_onCommPosted)
        return;
    m_onCommPosted = true;
    QMetaObject::invokeMethod(this, &MSComm::deliverOnComm, Qt::QueuedConnection);
}

void MSComm::deliverOnComm()
{
    m_onCommPosted = false;
    if (!m_io->isOpen() || m_io->bytesAvailable() == 0)
        return;
    m_commEvent = comEvReceive;
    emit OnComm();
}

void MSComm::onError(QSerialPort::SerialPortError e)
{
    if (e != QSerialPort::ResourceError && e != QSerialPort::ReadError && e != QSerialPort::WriteError)
        return;
    if (!m_port.isOpen() || m_losing)
        return;
    // A vanished device reports its error on every turn of the event loop. Close it once, from
    // the event loop rather than from inside QSerialPort's notifier, and say so once.
    m_losing = true;
    const QString reason = QStringLiteral("%1: %2").arg(m_device, m_port.errorString());
    QMetaObject::invokeMethod(
        this,
        [this, reason] {
            if (!m_losing)
                return;
            m_port.close();
            m_port.clearError();
            m_losing = false;
            emit deviceLost(reason);
        },
        Qt::QueuedConnection);
}
