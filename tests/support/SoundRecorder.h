#pragma once

#include "Clock.h"
#include "SoundOutput.h"
#include "clsPlayWaveFile.h"

#include <QMap>

// Stands in for the sound card for as long as it lives: remembers which recordings it was given.
// It knows a word by the bytes of its recording, so two words sharing one show up as a wrong
// word; a word started while the one before was still playing (on the program's clock) is noted
// as minus its resource number.
struct SoundRecorder : SoundOutput {
    SoundRecorder()
    {
        for (int id = 101; id <= 114; ++id)
            ids.insert(clsPlayWaveFile::resource(id), id);
        SoundOutput::install(this);
    }
    ~SoundRecorder() override { SoundOutput::install(nullptr); }
    int waveOutGetNumDevs() override { return devices; }
    bool sndPlaySound(const QByteArray &image) override
    {
        const WaveImage w = WaveImage::parse(image);
        const QDateTime now = Clock::current().now();
        played << (now < playingUntil ? -ids.value(image) : ids.value(image));
        playingUntil = now.addMSecs(w.dataSize * 8000 / (qint64(w.sampleRate) * w.channels * w.bitsPerSample));
        return true;
    }

    int devices = 1;
    QMap<QByteArray, int> ids;
    QList<int> played;
    QDateTime playingUntil;
};
