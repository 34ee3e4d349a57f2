#pragma once

#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The clients a setting names: addresses and networks ("192.168.1.5 10.0.0.0/8, fd00::/8"),
// separated by blanks or commas. An address alone is a network of that one address.
class AddressList {
public:
    AddressList() = default;
    // What is neither an address nor a network is left out, and named in `rejected`.
    static AddressList parse(const QString &text, QStringList *rejected = nullptr);

    bool isEmpty() const { return m_networks.isEmpty(); }
    // `peer` is in one of the networks. An IPv4 client on a dual-stack socket comes as
    // ::ffff:a.b.c.d: it is in an IPv4 network as a.b.c.d.
    bool contains(const QHostAddress &peer) const;

private:
    QList<QPair<QHostAddress, int>> m_networks;
};
