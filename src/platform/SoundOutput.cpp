#include "SoundOutput.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <QTimer>
#include <QtEndian>

namespace {

class QtSoundOutput : public SoundOutput {
public:
    int waveOutGetNumDevs() override
    {
        // Asked at every announcement, never kept: a program started at login before the sound
        // server, or before USB or Bluetooth speakers are plugged in, must speak once they are.
        return int(QMediaDevices::audioOutputs().size());
    }

    bool sndPlaySound(const QByteArray &image) override
    {
        const WaveImage w = WaveImage::parse(image);
        if (!w.valid)
            return false;
        QAudioFormat f;
        f.setChannelCount(w.channels);
        f.setSampleRate(w.sampleRate);
        f.setSampleFormat(w.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
        stop();
        m_pcm = image.mid(w.dataOffset, w.dataSize);
        m_buffer = std::make_unique<QBuffer>(&m_pcm);
        m_buffer->open(QIODevice::ReadOnly);
        m_sink = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), f);
        // Released once played: an open stream, even a silent one, keeps the sound card from
        // suspending for as long as the program runs. Not from inside the sink's own signal.
        QObject::connect(m_sink.get(), &QAudioSink::stateChanged, m_sink.get(),
                         [this, sink = m_sink.get()](QAudio::State s) {
                             if (s == QAudio::IdleState || s == QAudio::StoppedState)
                                 QTimer::singleShot(0, [this, sink] {
                                     if (m_sink.get() == sink)
                                         stop();
                                 });
                         });
        m_sink->start(m_buffer.get());
        return m_sink->error() == QAudio::NoError;
    }

private:
    void stop()
    {
        if (m_sink) {
            m_sink->disconnect();
            m_sink->stop();
        }
        m_sink.reset();
        m_buffer.reset();
    }

    QByteArray m_pcm;
    std::unique_ptr<QBuffer> m_buffer;
    std::unique_ptr<QAudioSink> m_sink;
};

SoundOutput *g_installed = nullptr;

} // namespace

SoundOutput &SoundOutput::current()
{
    static QtSoundOutput real;
    return g_installed ? *g_installed : real;
}

void SoundOutput::install(SoundOutput *s)
{
    g_installed = s;
}

void SoundOutput::nameStreams()
{
    // PulseAudio (and PipeWire's server for it) lay these over the client's own properties; a
    // stream takes its client's name, icon and role.
    if (qEnvironmentVariableIsEmpty("PULSE_PROP_OVERRIDE"))
        qputenv("PULSE_PROP_OVERRIDE", "application.name='Ringlark Talking Caller ID' "
                                       "application.id='io.github.ringlark.Ringlark' "
                                       "application.icon_name='io.github.ringlark.Ringlark' media.role='phone'");
}

WaveImage WaveImage::parse(const QByteArray &image)
{
    WaveImage w;
    if (image.size() < 12 || !image.startsWith("RIFF") || image.mid(8, 4) != "WAVE")
        return w;
    qsizetype pos = 12;
    bool haveFormat = false;
    while (pos + 8 <= image.size()) {
        const QByteArray id = image.mid(pos, 4);
        const quint32 size = qFromLittleEndian<quint32>(image.constData() + pos + 4);
        const qsizetype body = pos + 8;
        if (id == "fmt " && size >= 16 && body + 16 <= image.size()) {
            const char *p = image.constData() + body;
            const quint16 format = qFromLittleEndian<quint16>(p);
            w.channels = qFromLittleEndian<quint16>(p + 2);
            w.sampleRate = int(qFromLittleEndian<quint32>(p + 4));
            w.bitsPerSample = qFromLittleEndian<quint16>(p + 14);
            haveFormat = format == 1 && (w.bitsPerSample == 16 || w.bitsPerSample == 8) && w.channels >= 1;
        } else if (id == "data") {
            w.dataOffset = body;
            w.dataSize = std::min<qsizetype>(size, image.size() - body);
            w.valid = haveFormat && w.dataSize > 0;
            return w;
        }
        pos = body + size + (size & 1);
    }
    return w;
}
