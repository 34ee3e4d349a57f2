#pragma once

#include "NcidRequests.h"

#include <QByteArray>
#include <QStringList>

class BlockedFile;
class IMainWindow;

// What an NCID client asks of the lists, answered as ncidd answers: "black" is the blocked list
// for a plain number and a block rule for a pattern, "white" an allow rule, "alias" the user's
// names; INFO says what the lists hold of a caller. Changes only from the clients allowed to.
class ListRequests {
public:
    ListRequests(BlockedFile &blocked, IMainWindow &window) : m_blocked(blocked), m_window(window) {}

    QByteArray answer(const Ncid::Request &request, bool mayChange);

    // The request a desktop client sends for a caller blocked, allowed or named on it.
    static QString blockRequest(const QString &number, const QString &comment);

private:
    QStringList change(const Ncid::Request &r);
    QStringList info(const Ncid::Request &r) const;

    BlockedFile &m_blocked;
    IMainWindow &m_window;
};
