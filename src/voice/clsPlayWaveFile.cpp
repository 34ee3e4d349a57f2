#include "clsPlayWaveFile.h"

#include "Clock.h"
#include "Log.h"
#include "SoundOutput.h"
#include "SpeechOutput.h"
#include "SpokenName.h"
#include "Waits.h"

#include <QFile>
#include <QStringList>

namespace {

qint64 durationMs(const QByteArray &image)
{
    const WaveImage w = WaveImage::parse(image);
    const qint64 bytesPerSecond = qint64(w.sampleRate) * w.channels * (w.bitsPerSample / 8);
    return w.valid && bytesPerSecond > 0 ? w.dataSize * 1000 / bytesPerSecond : 0;
}

} // namespace

QByteArray clsPlayWaveFile::resource(int resourceId)
{
    QFile f(QStringLiteral(":/voice/%1.wav").arg(resourceId));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void clsPlayWaveFile::BeginPlaySound(int resourceId)
{
    const QByteArray image = resource(resourceId);
    if (image.isEmpty())
        return;
    if (m_playingUntil.isValid()) {
        const qint64 left = Clock::current().now().msecsTo(m_playingUntil);
        if (left > 0)
            PauseSeconds(double(left) / 1000.0);
    }
    PauseSeconds(0.1);
    SoundOutput::current().sndPlaySound(image);
    m_playingUntil = Clock::current().now().addMSecs(durationMs(image));
}

void clsPlayWaveFile::TellPhonenumber(const QString &callClass, const QString &number, const QString &callerName)
{
    if (SoundOutput::current().waveOutGetNumDevs() == 0) {
        if (!m_toldNoSound && noSoundOutput) {
            m_toldNoSound = true;
            noSoundOutput();
        }
        qCDebug(lcVoice).noquote() << "not said (no sound output):" << callClass << number;
        return;
    }
    if (callClass == QLatin1String("Normal"))
        BeginPlaySound(NormalWord);
    else if (callClass == QLatin1String("Local"))
        BeginPlaySound(LocalWord);
    else if (callClass == QLatin1String("Private"))
        BeginPlaySound(PrivateWord);
    else if (callClass == QLatin1String("Unknown"))
        BeginPlaySound(UnknownWord);
    PauseSeconds(0.5);
    const QString name = nameAnnouncement(callerName);
    const bool nameSaid = !name.isEmpty() && sayName(name);

    QString digits;
    if (number.size() >= 2 && number != QLatin1String("PRIVATE NUMBER") && number != QLatin1String("UNKNOWN NUMBER") &&
        number != QLatin1String("BARRED NUMBER")) {
        for (QChar c : number) {
            // Only a first character can be other than a digit (the digit filter keeps it); it
            // has no word and is passed over.
            if (c.isDigit() && c.unicode() < 128) {
                BeginPlaySound(FirstDigit + (c.unicode() - '0'));
                digits += c;
            }
        }
    }
    // What was said, for a user without a loudspeaker (or one who missed it).
    qCDebug(lcVoice).noquote() << "said:"
                               << (QStringList{callClass, nameSaid ? name : QString(), digits}.join(QLatin1Char('/')));
}

bool clsPlayWaveFile::sayName(const QString &text)
{
    // The class word is let finish; the digits wait until the name has been said. A voice that
    // fails, or never says that it is done, holds the digits back no longer than a long name takes.
    if (m_playingUntil.isValid()) {
        const qint64 left = Clock::current().now().msecsTo(m_playingUntil);
        if (left > 0)
            PauseSeconds(double(left) / 1000.0);
    }
    SpeechOutput &voice = SpeechOutput::current();
    EventWait wait;
    wait.wakeOn(&voice, &SpeechOutput::finished);
    if (!voice.say(text))
        return false;
    wait.until(Clock::current().now().addSecs(MaxNameSeconds), [&voice] { return !voice.speaking(); });
    return true;
}
