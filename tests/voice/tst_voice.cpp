// The talking caller ID: which words are spoken for a call, in what order and when, and the
// fourteen recordings it speaks them from.
#include "SoundRecorder.h"
#include "SpeechOutput.h"
#include "SpokenName.h"
#include "TestSupport.h"

#include <QTest>

namespace {

// Stands in for the voice that says names: each name is noted in the recorder's list as word 0,
// between the recordings, and is said at once. Without a voice it says nothing.
struct SpeechRecorder : SpeechOutput {
    explicit SpeechRecorder(SoundRecorder &sound) : m_sound(sound) { SpeechOutput::install(this); }
    ~SpeechRecorder() override { SpeechOutput::install(nullptr); }
    bool say(const QString &text) override
    {
        if (!voice)
            return false;
        said << text;
        m_sound.played << 0;
        return true;
    }
    bool speaking() const override { return false; }
    bool voice = true;
    QStringList said;

private:
    SoundRecorder &m_sound;
};

} // namespace

class tst_Voice : public QObject {
    Q_OBJECT
private slots:
    void wordsSpoken_data()
    {
        // The class of the call, a blank, the number; 101 to 110 are the digits 0 to 9. A
        // ten-digit number from afar is spoken through a whole call in the end-to-end tests.
        // `name`: the caller's name when names are said (0 in `words`: the name, between the recordings).
        columns<QString, QString, QList<int>>("call", "name", "words");
        // The area code has already been taken off a local number.
        row("Local", "Local 1234567", "", QList<int>{111, 102, 103, 104, 105, 106, 107, 108});
        row("name after the class", "Normal 5551234", "JOHN DOE",
            QList<int>{112, 0, 106, 106, 106, 102, 103, 104, 105});
        row("withheld name not said", "Private PRIVATE NUMBER", "PRIVATE NAME", QList<int>{113});
        row("Private", "Private PRIVATE NUMBER", "", QList<int>{113});
        row("Unknown", "Unknown UNKNOWN NUMBER", "", QList<int>{114});
        row("Barred", "Barred BARRED NUMBER", "", QList<int>{});
        row("one character", "Normal 5", "", QList<int>{112});
        // A leading character the digit filter kept has no word; the digits after it are spoken.
        row("leading plus", "Normal +908", "", QList<int>{112, 110, 101, 109});
    }

    void wordsSpoken()
    {
        QFETCH(QString, call);
        QFETCH(QString, name);
        QFETCH(QList<int>, words);
        // The clock moves in steps of 100 ms: fine enough to see a word start too early, and a
        // ten-digit number takes 80 ms instead of eight seconds.
        TestScope t(100.0);
        SoundRecorder sound;
        SpeechRecorder speech(sound);
        clsPlayWaveFile voice;
        // Without a sound device the call passes in silence, without a message box; the user is
        // told once (the tray tip) why calls are not heard.
        int told = 0;
        voice.noSoundOutput = [&] { ++told; };
        sound.devices = 0;
        voice.TellPhonenumber(call.section(' ', 0, 0), call.section(' ', 1), name);
        voice.TellPhonenumber(call.section(' ', 0, 0), call.section(' ', 1), name);
        QVERIFY(sound.played.isEmpty());
        QVERIFY(t.boxes.shown.isEmpty());
        QCOMPARE(told, 1);
        // The speakers are plugged in (or the sound server has started) while the program runs.
        sound.devices = 1;
        voice.TellPhonenumber(call.section(' ', 0, 0), call.section(' ', 1), name);
        QCOMPARE(sound.played, words);
        // Without a voice for names (no speech engine), the recordings alone, without a wait.
        sound.played.clear();
        speech.voice = false;
        voice.TellPhonenumber(call.section(' ', 0, 0), call.section(' ', 1), name);
        QList<int> recordings = words;
        recordings.removeAll(0);
        QCOMPARE(sound.played, recordings);
    }

    void nameSaid_data()
    {
        columns<QString, QString>("name", "said");
        row("name in capitals", "JOHN DOE", "Call from John Doe");
        row("doubled blank", "JOHN  O'NEIL-SMITH", "Call from John O'neil-Smith");
        row("mixed case kept", "McDonald Anne", "Call from McDonald Anne");
        row("non-ASCII", "ÉMILE ZOLA", "Call from Émile Zola");
        // The names that only say there is none: the class word already says it.
        row("private", "PRIVATE NAME", "");
        row("unknown", "UNKNOWN NAME", "");
        row("barred", "BARRED NAME", "");
        row("no caller ID", "NO CALLER ID", "");
        row("one-letter code", "P", "");
        row("blank", "  ", "");
    }

    void nameSaid()
    {
        QFETCH(QString, name);
        QFETCH(QString, said);
        QCOMPARE(nameAnnouncement(name), said);
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
