// The talking caller ID: which words are spoken for a call, in what order and when, and the
// fourteen recordings it speaks them from.
#include "SoundRecorder.h"
#include "TestSupport.h"

#include <QTest>

class tst_Voice : public QObject {
    Q_OBJECT
private slots:
    void wordsSpoken_data()
    {
        // The class of the call, a blank, the number; 101 to 110 are the digits 0 to 9. A
        // ten-digit number from afar is spoken through a whole call in the end-to-end tests.
        columns<QString, QList<int>>("call", "words");
        // The area code has already been taken off a local number.
        row("Local", "Local 1234567", QList<int>{111, 102, 103, 104, 105, 106, 107, 108});
        row("Private", "Private PRIVATE NUMBER", QList<int>{113});
        row("Unknown", "Unknown UNKNOWN NUMBER", QList<int>{114});
        row("Barred", "Barred BARRED NUMBER", QList<int>{});
        row("one character", "Normal 5", QList<int>{112});
        // A leading character the digit filter kept has no word; the digits after it are spoken.
        row("leading plus", "Normal +908", QList<int>{112, 110, 101, 109});
    }

    void wordsSpoken()
    {
        QFETCH(QString, call);
        QFETCH(QList<int>, words);
        // The clock moves in steps of 100 ms: fine enough to see a word start too early, and a
        // ten-digit number takes 80 ms instead of eight seconds.
        TestScope t(100.0);
        SoundRecorder sound;
        clsPlayWaveFile voice;
        // Without a sound device the call passes in silence, without a message box; the user is
        // told once (the tray tip) why calls are not heard.
        int told = 0;
        voice.noSoundOutput = [&] { ++told; };
        sound.devices = 0;
        voice.TellPhonenumber(call.section(' ', 0, 0), call.section(' ', 1));
        voice.TellPhonenumber(call.section(' ', 0, 0), call.section(' ', 1));
        QVERIFY(sound.played.isEmpty());
        QVERIFY(t.boxes.shown.isEmpty());
        QCOMPARE(told, 1);
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
