#pragma once

#include <QString>

// Says a call out loud as it comes in: the class of the call, the caller's number and, when one
// is given, the caller's name. Speaking waits in the event loop until the words are out. The
// desktop speaks; a program without sound output is given one that says nothing.
class ICallAnnouncer {
public:
    virtual ~ICallAnnouncer() = default;
    virtual void TellPhonenumber(const QString &callClass, const QString &number, const QString &callerName) = 0;
};

class SilentAnnouncer : public ICallAnnouncer {
public:
    void TellPhonenumber(const QString &, const QString &, const QString &) override {}
};
