// The talking caller ID: which words are spoken for a call, in what order and when, and the
// fourteen recordings it speaks them from.
#include "Clock.h"
#include "MsgBox.h"
#include "SoundOutput.h"
#include "clsPlayWaveFile.h"

#include <QTest>

namespace {

// Plays nothing: remembers which recordings it was given, on a fast clock, for as long as it lives.
// It knows a word by the bytes of its recording, so two words sharing one show up as a wrong word;
// a word started while the one before was still playing is noted as minus its resource number.
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
        played << (clock.now() < playingUntil ? -ids.value(image) : ids.value(image));
        playingUntil = clock.now().addMSecs(w.dataSize * 8000 / (qint64(w.sampleRate) * w.channels * w.bitsPerSample));
        return true;
    }

    // The clock moves in steps of 100 ms: fine enough to see a word start too early, and a
    // ten-digit number takes 80 ms instead of eight seconds.
    FastClock clock{100.0};
    ClockScope onClock{&clock};
    int devices = 1;
    QMap<QByteArray, int> ids;
    QList<int> played;
    QDateTime playingUntil;
};

} // namespace

class tst_Voice : public QObject {
    Q_OBJECT
private slots:
    void wordsSpoken_data()
    {
        QTest::addColumn<QString>("call");     // the class of the call, a blank, the number
        QTest::addColumn<QList<int>>("words"); // 101 to 110 are the digits 0 to 9
        QTest::newRow("Normal") << "Normal 5551234567"
                                << QList<int>{112, 106, 106, 106, 102, 103, 104, 105, 106, 107, 108};
        // The area code has already been taken off a local number.
        QTest::newRow("Local") << "Local 1234567" << QList<int>{111, 102, 103, 104, 105, 106, 107, 108};
        QTest::newRow("Private") << "Private PRIVATE NUMBER" << QList<int>{113};
        QTest::newRow("Unknown") << "Unknown UNKNOWN NUMBER" << QList<int>{114};
        QTest::newRow("Barred") << "Barred BARRED NUMBER" << QList<int>{};
        QTest::newRow("one character") << "Normal 5" << QList<int>{112};
        // A leading character the digit filter kept has no word; the digits after it are spoken.
        QTest::newRow("leading plus") << "Normal +908" << QList<int>{112, 110, 101, 109};
    }

    void wordsSpoken()
    {
        QFETCH(QString, call);
        QFETCH(QList<int>, words);
        SoundRecorder sound;
        MsgBoxScript boxes;
        clsPlayWaveFile voice;
        // Without a sound device the call passes in silence, and without a message.
        sound.devices = 0;
        voice.TellPhonenumber(call.section(' ', 0, 0), call.section(' ', 1));
        QVERIFY(sound.played.isEmpty());
        QVERIFY(boxes.shown.isEmpty());
        // The speakers are plugged in (or the sound server has started) while the program runs.
        sound.devices = 1;
        voice.TellPhonenumber(call.section(' ', 0, 0), call.section(' ', 1));
        QCOMPARE(sound.played, words);
    }

    void recordings()
    {
        for (int id = 101; id <= 114; ++id) {
            const WaveImage w = WaveImage::parse(clsPlayWaveFile::resource(id));
            QCOMPARE(QList<int>({id, w.channels, w.bitsPerSample, w.sampleRate}),
                     QList<int>({id, 1, 16, id == 102 ? 22050 : 16000}));
        }
    }
};

QTEST_MAIN(tst_Voice)
#include "tst_voice.moc"
