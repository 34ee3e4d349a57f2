#include "AddressList.h"

#include <QRegularExpression>

AddressList AddressList::parse(const QString &text, QStringList *rejected)
{
    AddressList list;
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    for (const QString &a : text.split(separators, Qt::SkipEmptyParts)) {
        const QString network =
            a.contains(QLatin1Char('/'))
                ? a
                : a + (a.contains(QLatin1Char(':')) ? QStringLiteral("/128") : QStringLiteral("/32"));
        const QPair<QHostAddress, int> net = QHostAddress::parseSubnet(network);
        if (net.first.isNull()) {
            if (rejected)
                *rejected << a;
            continue;
        }
        list.m_networks << net;
    }
    return list;
}

bool AddressList::contains(const QHostAddress &peer) const
{
    bool mapped = false;
    const QHostAddress v4(peer.toIPv4Address(&mapped));
    for (const auto &net : m_networks) {
        if (peer.isInSubnet(net) || (mapped && v4.isInSubnet(net)))
            return true;
    }
    return false;
}
