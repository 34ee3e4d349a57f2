#pragma once

#include <QObject>
#include <QString>

// A voice that reads text aloud: the speech-dispatcher where one runs, else the voice built into
// the program's speech library. Asynchronous; a text still being said is cut off by the next.
class SpeechOutput : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Starts saying `text`; false at once when there is no voice.
    virtual bool say(const QString &text) = 0;
    virtual bool speaking() const = 0;

    // The program's voice, made at its first use; tests install their own.
    static SpeechOutput &current();
    static void install(SpeechOutput *s); // nullptr restores the real one

signals:
    // The text has been said, or saying it failed.
    void finished();
};
