#pragma once

#include <QByteArray>
#include <QObject>
#include <memory>

// Waveform output: the number of output devices, and playing a complete RIFF WAVE image from
// memory, asynchronously; a sound still playing is cut off by the next one.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    virtual int waveOutGetNumDevs() = 0;
    virtual bool sndPlaySound(const QByteArray &waveImage) = 0;

    // The program's output; tests install a recorder.
    static SoundOutput &current();
    static void install(SoundOutput *s); // nullptr restores the real device

    // Before the first sound (before the application object): the sound server shows the
    // program's stream under the program's name, with the phone role, rather than Qt's own
    // "QtPulseAudio:<pid>". A user's own setting of the same variable wins.
    static void nameStreams();
};

// PCM format read from a RIFF WAVE image; valid when the image is one the program can play.
struct WaveImage {
    bool valid = false;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    qsizetype dataOffset = 0;
    qsizetype dataSize = 0;
    static WaveImage parse(const QByteArray &image);
};
