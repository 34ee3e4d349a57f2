#pragma once

#include "CallAnnouncer.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>

// The talking caller ID: the word for the class of the call, then the caller's number digit by
// digit, from recordings held in the program (resources 101 to 110 the digits 0 to 9; 111 local,
// 112 normal, 113 private, 114 unknown).
class clsPlayWaveFile : public ICallAnnouncer {
public:
    static constexpr int FirstDigit = 101;
    static constexpr int LocalWord = 111;
    static constexpr int NormalWord = 112;
    static constexpr int PrivateWord = 113;
    static constexpr int UnknownWord = 114;
    // The longest the digits wait for a caller's name to be said.
    static constexpr int MaxNameSeconds = 6;

    // Speaks the call. Without a sound device: silence, and no message box; `noSoundOutput`
    // runs the first time, so that the user learns once why the calls are not heard. A caller's
    // name given (the user wants names said) is read out after the class word, when a voice is
    // there to read it.
    void TellPhonenumber(const QString &callClass, const QString &number,
                         const QString &callerName = QString()) override;
    std::function<void()> noSoundOutput;
    // Plays one word; a word still playing is let finish first, so that every digit is heard.
    void BeginPlaySound(int resourceId);

    // The recording of a resource as a complete RIFF WAVE image; empty when there is none.
    static QByteArray resource(int resourceId);

private:
    // Reads out the caller's name and waits, in the event loop, until it has been said. False
    // at once when there is no voice to say it.
    bool sayName(const QString &text);

    QDateTime m_playingUntil;
    bool m_toldNoSound = false;
};
