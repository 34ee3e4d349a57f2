// The platform stand-ins: tray record, timers and waits on the swappable clock, message box
// script, single instance, COM port names, wave images.
#include "Clock.h"
#include "ComPorts.h"
#include "MsgBox.h"
#include "NotifyIcon.h"
#include "SingleInstance.h"
#include "SoundOutput.h"
#include "TestSupport.h"
#include "VbTimer.h"
#include "Waits.h"

#include <QFile>
#include <QLockFile>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>
#include <QTimer>
#include <QtEndian>

class tst_Platform : public QObject {
    Q_OBJECT
private slots:
    void trayAddDelete();
    void trayTip_data();
    void trayTip();
    void timerIntervalZeroIsOff();
    void timerRunsOnTheClock();
    void pauseLastsMoreThanAsked();
    void pauseAcrossMidnight();
    void waitWakesOnSignal();
    void waitTimesOut();
    void msgBoxScriptDefaults();
    void singleInstancePerFolder();
    void staleLockIsTakenOver();
    void comPortNames_data();
    void comPortNames();
    void openFailureReasons();
    void waveImage_data();
    void waveImage();
};

void tst_Platform::trayAddDelete()
{
    NotifyArea tray;
    NOTIFYICONDATA first;
    first.setTip(QStringLiteral("first") + QChar(0));
    NOTIFYICONDATA second;
    second.setTip(QStringLiteral("second") + QChar(0));

    QVERIFY(tray.Shell_NotifyIcon(NIM_ADD, first));
    QVERIFY(!tray.Shell_NotifyIcon(NIM_ADD, second)); // refused: the icon exists
    QCOMPARE(tray.tip(), QStringLiteral("first"));
    QVERIFY(tray.Shell_NotifyIcon(NIM_DELETE, first));
    QVERIFY(!tray.exists());
    QVERIFY(!tray.Shell_NotifyIcon(NIM_DELETE, first));
    QVERIFY(tray.Shell_NotifyIcon(NIM_ADD, second));
    QCOMPARE(tray.tip(), QStringLiteral("second"));
}

void tst_Platform::trayTip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    const QString off = QStringLiteral("Ringlark Caller ID is OFF.") + QChar(13) +
                        QStringLiteral("To receive calls, please turn OFF Call Forwarding.");
    QTest::newRow("short, ended by 0") << QStringLiteral("Ringlark Talking Caller ID") + QChar(0)
                                       << "Ringlark Talking Caller ID";
    QTest::newRow("78 characters: 63 shown") << off + QChar(0) << off.left(63);
    QTest::newRow("exactly 63 and 0") << QString(63, QLatin1Char('x')) + QChar(0) << QString(63, QLatin1Char('x'));
}

void tst_Platform::trayTip()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    NOTIFYICONDATA d;
    d.setTip(text);
    QCOMPARE(d.szTip.size(), 64);
    QCOMPARE(d.shownTip(), shown);
}

void tst_Platform::timerIntervalZeroIsOff()
{
    VbTimer t;
    QSignalSpy spy(&t, &VbTimer::Timer);
    t.restart(0);
    t.fire();
    QCOMPARE(spy.count(), 0);
    QVERIFY(!t.isRunning());
    t.restart(10000);
    QVERIFY(t.isRunning());
    t.fire();
    QCOMPARE(spy.count(), 1);
    t.setInterval(0);
    QVERIFY(!t.isRunning());
}

void tst_Platform::timerRunsOnTheClock()
{
    FastClock clock(1000.0); // ten seconds pass in ten milliseconds
    ClockScope scope(&clock);
    VbTimer t;
    QSignalSpy spy(&t, &VbTimer::Timer);
    const QDateTime start = clock.now();
    t.restart(10000);
    QVERIFY(spy.wait(5000));
    QVERIFY(start.msecsTo(clock.now()) >= 10000);
}

void tst_Platform::pauseLastsMoreThanAsked()
{
    FastClock clock(200.0);
    ClockScope scope(&clock);
    const QDateTime start = clock.now();
    PauseSeconds(2.0);
    QVERIFY(start.msecsTo(clock.now()) > 2000);
}

void tst_Platform::pauseAcrossMidnight()
{
    FastClock clock(200.0, QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59)));
    ClockScope scope(&clock);
    PauseSeconds(2.0);
    QCOMPARE(clock.now().date(), QDate(2026, 12, 7));
    QVERIFY(clock.now().time() > QTime(0, 0, 1));
}

void tst_Platform::waitWakesOnSignal()
{
    QTimer source;
    source.setSingleShot(true);
    bool done = false;
    QTimer::singleShot(5, &source, [&] {
        done = true;
        source.start(0);
    });
    EventWait wait;
    wait.wakeOn(&source, &QTimer::timeout);
    const QDateTime deadline = Clock::current().now().addSecs(30);
    QVERIFY(wait.until(deadline, [&] { return done; }));
    QVERIFY(Clock::current().now() < deadline);
}

void tst_Platform::waitTimesOut()
{
    FastClock clock(1000.0);
    ClockScope scope(&clock);
    EventWait wait;
    const QDateTime deadline = clock.now().addSecs(12);
    QVERIFY(!wait.until(deadline, [] { return false; }));
    QVERIFY(clock.now() > deadline);
}

void tst_Platform::msgBoxScriptDefaults()
{
    MsgBoxScript boxes;
    QCOMPARE(MsgBox("a", MsgStyle::Information, "t1"), vbOK);
    QCOMPARE(MsgBox("b", MsgStyle::Question, "t2"), vbNo);
    boxes.answer(vbYes);
    QCOMPARE(MsgBox("c", MsgStyle::CriticalYesNo, "t3"), vbYes);
    QCOMPARE(boxes.titles(), QStringList({"t1", "t2", "t3"}));
    QCOMPARE(crLines({"x", "y"}), QStringLiteral("x\ry"));
}

void tst_Platform::singleInstancePerFolder()
{
    TestFolder a, b;
    SingleInstance first(a.path());
    QVERIFY(first.acquire());
    SingleInstance second(a.path());
    QVERIFY(!second.acquire());
    SingleInstance other(b.path());
    QVERIFY(other.acquire());
}

void tst_Platform::staleLockIsTakenOver()
{
    TestFolder folder;
    // A lock written by a copy that has died: a process number that cannot be alive.
    folder.write("ringlark.lock", "2147483646\nringlark\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    SingleInstance instance(folder.path());
    QVERIFY(instance.acquire());
}

void tst_Platform::comPortNames_data()
{
    QTest::addColumn<int>("com");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM1") << 1 << "/dev/ttyS0";
    QTest::newRow("COM4") << 4 << "/dev/ttyS3";
    QTest::newRow("COM5") << 5 << "/dev/ttyUSB0";
    QTest::newRow("COM12") << 12 << "/dev/ttyACM3";
    QTest::newRow("COM13") << 13 << "";
    QTest::newRow("linked") << 3 << "/dev/null";
}

void tst_Platform::comPortNames()
{
    QFETCH(int, com);
    QFETCH(QString, device);
    TestFolder folder;
    QDir(folder.path()).mkdir("ports");
    QVERIFY(QFile::link("/dev/null", folder.file("ports/COM3")));
    QCOMPARE(comDevicePath(com, folder.path()), device);
}

void tst_Platform::openFailureReasons()
{
    QVERIFY(explainOpenFailure("/dev/no-such-modem", "x").contains("does not exist"));
    QVERIFY(explainOpenFailure("/dev/null", "Permission error while locking the device").contains("in use"));
    QVERIFY(!explainOpenFailure(QString(), QString()).isEmpty());
}

namespace {
QByteArray wave(quint16 format, quint16 bits, int samples)
{
    auto le16 = [](quint16 v) {
        QByteArray b(2, 0);
        qToLittleEndian(v, b.data());
        return b;
    };
    auto le32 = [](quint32 v) {
        QByteArray b(4, 0);
        qToLittleEndian(v, b.data());
        return b;
    };
    const QByteArray data(samples * bits / 8, '\x01');
    QByteArray fmt = le16(format) + le16(1) + le32(16000) + le32(32000) + le16(2) + le16(bits);
    return "RIFF" + le32(quint32(4 + 8 + fmt.size() + 8 + data.size())) + "WAVE" + "fmt " + le32(16) + fmt + "data" +
           le32(quint32(data.size())) + data;
}
} // namespace

void tst_Platform::waveImage_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("dataSize");
    QTest::newRow("PCM 16 bit") << wave(1, 16, 100) << true << 200;
    QTest::newRow("not PCM") << wave(3, 16, 100) << false << 0;
    QTest::newRow("no RIFF") << QByteArray("nothing at all here") << false << 0;
    QTest::newRow("cut short") << wave(1, 16, 100).left(40) << false << 0;
}

void tst_Platform::waveImage()
{
    QFETCH(QByteArray, image);
    QFETCH(bool, valid);
    QFETCH(int, dataSize);
    const WaveImage w = WaveImage::parse(image);
    QCOMPARE(w.valid, valid);
    if (valid) {
        QCOMPARE(int(w.dataSize), dataSize);
        QCOMPARE(w.sampleRate, 16000);
        QCOMPARE(w.channels, 1);
    }
}

QTEST_MAIN(tst_Platform)
#include "tst_platform.moc"
