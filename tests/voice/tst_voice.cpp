// The talking caller ID: which words are spoken for a call, in what order and when, and the
// fourteen recordings it speaks them from.
#include "Clock.h"
#include "MsgBox.h"
#include "SoundOutput.h"
#include "clsPlayWaveFile.h"

#include <QDateTime>
#include <QTest>
#include <QtEndian>
#include <memory>

namespace {

// Knows a recording by its bytes, so that a test can tell which word was played.
int resourceOf(const QByteArray &image)
{
    for (int id = 101; id <= 114; ++id) {
        if (image == clsPlayWaveFile::resource(id))
            return id;
    }
    return -1;
}

// How long a recording plays, from its own header.
qint64 playingMs(int id)
{
    const WaveImage w = WaveImage::parse(clsPlayWaveFile::resource(id));
    return w.dataSize * 1000 / (qint64(w.sampleRate) * w.channels * (w.bitsPerSample / 8));
}

// A sound output that plays nothing and remembers what it was given, and when.
class SoundRecorder : public SoundOutput {
public:
    int waveOutGetNumDevs() override { return devices; }
    bool sndPlaySound(const QByteArray &image) override
    {
        played << resourceOf(image);
        startedAt << Clock::current().now();
        return true;
    }
    int devices = 1;
    QList<int> played;
    QList<QDateTime> startedAt;
};

} // namespace

class tst_Voice : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void wordsSpoken_data();
    void wordsSpoken();
    void noSoundDevice();
    void wordsDoNotOverlap();
    void recordings_data();
    void recordings();
    void recordingsAreAllDifferent();
    void noRecordingNoSound();
    void realOutput();

private:
    std::unique_ptr<FastClock> m_clock;
    std::unique_ptr<SoundRecorder> m_sound;
};

void tst_Voice::init()
{
    // A ten-digit number takes about eight seconds to speak; here it takes milliseconds.
    m_clock = std::make_unique<FastClock>(1000.0);
    Clock::install(m_clock.get());
    m_sound = std::make_unique<SoundRecorder>();
    SoundOutput::install(m_sound.get());
}

void tst_Voice::cleanup()
{
    SoundOutput::install(nullptr);
    Clock::install(nullptr);
}

void tst_Voice::wordsSpoken_data()
{
    QTest::addColumn<QString>("callClass");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QList<int>>("words");

    QTest::newRow("Normal") << QStringLiteral("Normal") << "5551234567"
                            << QList<int>{112, 106, 106, 106, 102, 103, 104, 105, 106, 107, 108};
    // The area code has already been taken off a local number.
    QTest::newRow("Local") << QStringLiteral("Local") << "1234567"
                           << QList<int>{111, 102, 103, 104, 105, 106, 107, 108};
    QTest::newRow("Private") << QStringLiteral("Private") << "PRIVATE NUMBER" << QList<int>{113};
    QTest::newRow("Unknown") << QStringLiteral("Unknown") << "UNKNOWN NUMBER" << QList<int>{114};
    QTest::newRow("Barred") << QStringLiteral("Barred") << "BARRED NUMBER" << QList<int>{};
    QTest::newRow("first and last digit word") << QStringLiteral("Normal") << "09" << QList<int>{112, 101, 110};
    QTest::newRow("one character") << QStringLiteral("Normal") << "5" << QList<int>{112};
    QTest::newRow("no number") << QStringLiteral("Normal") << "" << QList<int>{112};
    // A leading character the digit filter kept has no word; the digits after it are spoken.
    QTest::newRow("leading plus") << QStringLiteral("Normal") << "+4930123456"
                                  << QList<int>{112, 105, 110, 104, 101, 102, 103, 104, 105, 106, 107};
    QTest::newRow("character above 127") << "Normal" << QString::fromUtf8("55\u00e955")
                                         << QList<int>{112, 106, 106, 106, 106};
    QTest::newRow("digit of another script") << "Normal" << QString::fromUtf8("1\u0663") << QList<int>{112, 102};
}

void tst_Voice::wordsSpoken()
{
    QFETCH(QString, callClass);
    QFETCH(QString, number);
    QFETCH(QList<int>, words);
    MsgBoxScript boxes;
    clsPlayWaveFile voice;
    voice.TellPhonenumber(callClass, number);
    QCOMPARE(m_sound->played, words);
    QVERIFY(boxes.shown.isEmpty());
}

void tst_Voice::noSoundDevice()
{
    m_sound->devices = 0;
    MsgBoxScript boxes;
    clsPlayWaveFile voice;
    voice.TellPhonenumber(QStringLiteral("Normal"), QStringLiteral("5551234567"));
    voice.TellPhonenumber(QStringLiteral("Private"), QStringLiteral("PRIVATE NUMBER"));
    QVERIFY(m_sound->played.isEmpty());
    QVERIFY(boxes.shown.isEmpty());
}

void tst_Voice::wordsDoNotOverlap()
{
    // The clock moves in steps of `factor` milliseconds; with 1000 every pause would last a
    // whole second and hide words that start too early. Steps of 20 ms keep them visible.
    m_clock->setFactor(20.0);
    clsPlayWaveFile voice;
    voice.TellPhonenumber(QStringLiteral("Normal"), QStringLiteral("5551234567"));
    QCOMPARE(m_sound->played.size(), 11);
    for (qsizetype i = 1; i < m_sound->played.size(); ++i) {
        const int previous = m_sound->played.at(i - 1);
        const QDateTime done = m_sound->startedAt.at(i - 1).addMSecs(playingMs(previous));
        QVERIFY2(m_sound->startedAt.at(i) >= done,
                 qPrintable(QStringLiteral("word %1 started %2 ms before word %3 had finished")
                                .arg(i + 1)
                                .arg(m_sound->startedAt.at(i).msecsTo(done))
                                .arg(i)));
    }
}

void tst_Voice::recordings_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("sampleRate");
    for (int id = 101; id <= 114; ++id)
        QTest::addRow("%d", id) << id << (id == 102 ? 22050 : 16000);
}

void tst_Voice::recordings()
{
    QFETCH(int, id);
    QFETCH(int, sampleRate);
    const QByteArray image = clsPlayWaveFile::resource(id);
    QVERIFY2(!image.isEmpty(), "recording missing");
    const WaveImage w = WaveImage::parse(image);
    QVERIFY(w.valid);
    QCOMPARE(w.channels, 1);
    QCOMPARE(w.bitsPerSample, 16);
    QCOMPARE(w.sampleRate, sampleRate);
    QVERIFY(w.dataSize > 0);
    QCOMPARE(w.dataSize % 2, 0);
    // A recording made while the speech tool failed is silence: there must be a voice in it.
    int peak = 0;
    for (qsizetype at = w.dataOffset; at + 1 < w.dataOffset + w.dataSize; at += 2)
        peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(image.constData() + at))));
    QVERIFY2(peak > 1000, qPrintable(QStringLiteral("peak amplitude %1").arg(peak)));
}

void tst_Voice::recordingsAreAllDifferent()
{
    // Each word has its own recording: the same file twice would say the wrong digit.
    for (int id = 101; id <= 114; ++id)
        QCOMPARE(resourceOf(clsPlayWaveFile::resource(id)), id);
}

void tst_Voice::noRecordingNoSound()
{
    clsPlayWaveFile voice;
    QVERIFY(clsPlayWaveFile::resource(100).isEmpty());
    QVERIFY(clsPlayWaveFile::resource(115).isEmpty());
    voice.BeginPlaySound(100);
    voice.BeginPlaySound(115);
    QVERIFY(m_sound->played.isEmpty());
}

void tst_Voice::realOutput()
{
    SoundOutput::install(nullptr);
    MsgBoxScript boxes;
    clsPlayWaveFile voice;
    if (SoundOutput::current().waveOutGetNumDevs() == 0) {
        voice.TellPhonenumber(QStringLiteral("Normal"), QStringLiteral("5551234567"));
        QVERIFY(boxes.shown.isEmpty());
        QSKIP("no sound output device on this machine: the call was passed over in silence");
    }
    QVERIFY(SoundOutput::current().sndPlaySound(clsPlayWaveFile::resource(112)));
    QVERIFY(!SoundOutput::current().sndPlaySound(QByteArray("RIFF")));
    voice.TellPhonenumber(QStringLiteral("Normal"), QStringLiteral("5551234567"));
    QVERIFY(boxes.shown.isEmpty());
}

QTEST_MAIN(tst_Voice)
#include "tst_voice.moc"
