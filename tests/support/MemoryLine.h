#pragma once

#include <QIODevice>

#include <algorithm>
#include <cstring>

// The modem's line, held in memory: what the modem sends waits to be read, what the program
// sends is kept (ATA, ATH) and answered at once, echo and OK, so no dialogue waits its time out.
class MemoryLine : public QIODevice {
public:
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_in.size() + QIODevice::bytesAvailable(); }
    void feed(const char *bytes, qint64 n)
    {
        m_in.append(bytes, n);
        emit readyRead();
    }
    QByteArray sent;

protected:
    qint64 readData(char *to, qint64 max) override
    {
        const qint64 n = std::min<qint64>(max, m_in.size());
        if (to) // none where Qt skips what it reads
            std::memcpy(to, m_in.constData(), size_t(n));
        m_in.remove(0, n);
        return n;
    }
    qint64 writeData(const char *bytes, qint64 n) override
    {
        sent.append(bytes, n);
        feed(bytes, n);
        if (QByteArrayView(bytes, n).endsWith('\r'))
            feed("\r\nOK\r\n", 6);
        return n;
    }

private:
    QByteArray m_in;
};
