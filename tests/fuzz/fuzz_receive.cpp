// The receive path: what the modem sends, in chunks as the serial port hands them over, through
// the real port control (on a pseudo-terminal), the receive handler, the report parser and the
// end of each call, with the log and the settings on disk.
//
// Input: a first byte of switches (bit 0 telemarketer blocking, bit 1 the system date, bit 2
// the talking caller ID), then chunks: a length byte (1 to 64 bytes follow) or 0xFF, which lets
// the end-of-call timer fall due when a call is in progress.
#include "AppState.h"
#include "CallRecord.h"
#include "Clock.h"
#include "FuzzSupport.h"
#include "MainWindowPort.h"
#include "MsgBox.h"
#include "Services.h"

#include <QFile>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {

class NoWindow : public IMainWindow {
public:
    void popUp() override {}
    void showWindow() override {}
    void minimise() override {}
    void setWindowIconFile(const QString &) override {}
    void unloadBlockedWindow() override {}
    void runModemDetection() override {}
    void showServiceState(ServicePair, bool) override {}
};

class PortAgain : public IPortConnection {
public:
    explicit PortAgain(MSComm &port) : m_port(port) {}
    void ModemPortOpen() override { m_port.setPortOpen(true); }

private:
    MSComm &m_port;
};

// The modem's end of the pseudo-terminal that the program folder's COM1 links to.
int modemSide()
{
    static const int fd = [] {
        int master = -1, slave = -1;
        char name[256] = {};
        FUZZ_CHECK(openpty(&master, &slave, name, nullptr, nullptr) == 0);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        QDir(fuzz::folder()).mkpath(QStringLiteral("ports"));
        QFile::link(QString::fromLocal8Bit(name), fuzz::file(QStringLiteral("ports/COM1")));
        return master; // the slave stays open: the line never hangs up under the port
    }();
    return fd;
}

// What the program sent the modem (ATA, ATH) is read and dropped, so the line never fills up.
void drain()
{
    char buf[512];
    while (read(modemSide(), buf, sizeof buf) > 0) {
    }
}

void checkLog(const QByteArray &before)
{
    const QByteArray log = fuzz::get(QStringLiteral("Array.bin"));
    FUZZ_CHECK(log.size() % CallRecord::Length == 0);
    FUZZ_CHECK(log.startsWith(before));
    for (qsizetype at = 0; at < log.size(); at += CallRecord::Length) {
        const QString r = QString::fromLatin1(log.mid(at, CallRecord::Length));
        FUZZ_CHECK(CallRecord::isLive(r) && r.contains(QLatin1String("END")));
        FUZZ_CHECK(!r.contains(QChar(13)) && !r.contains(QChar(10)));
        FUZZ_CHECK(r.startsWith(QStringLiteral("CL=%1DT=").arg(at / CallRecord::Length + 1)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int modem = modemSide();
    static const QByteArray defaults = [] {
        QFile f(QStringLiteral(RINGLARK_DATA_DIR "/desetup.bin"));
        FUZZ_CHECK(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }();
    fuzz::removeAll();
    fuzz::put(QStringLiteral("desetup.bin"), defaults);
    fuzz::put(QStringLiteral("acsetup.bin"), defaults);
    fuzz::put(QStringLiteral("blocked.bin"), BlockedFile::entryRecord(QStringLiteral("(555)-123-4567"), QStringLiteral("BLOCKED")));
    drain();

    // Ten-second end-of-call timer in 50 ms, the two-second waits of a zap in 10 ms.
    FastClock clock(200);
    ClockScope clockScope(&clock);
    MsgBoxScript boxes;
    AppState state(fuzz::folder());
    state.setupFile.load(state.settings);
    state.settings.BlockTeleMarketersStatus = data[0] & 1;
    state.settings.DateValue = (data[0] & 2) ? QStringLiteral("System Date") : QStringLiteral("Caller Id Date");
    state.settings.Talking_Call = data[0] & 4;
    state.settings.CallSendToPagerStatus = false;
    FUZZ_CHECK(state.MSComm1.setPortOpen(true));

    // Counted before the receive handler takes them: the bytes handed over so far.
    qsizetype delivered = 0;
    QObject::connect(&state.MSComm1, &MSComm::OnComm, [&] { delivered += state.MSComm1.InBufferCount(); });
    NoWindow window;
    PortAgain port(state.MSComm1);
    Services services(state, window, port);
    CallState &call = services.call;

    QByteArray stored;
    qsizetype written = 0;
    auto endOfCall = [&] {
        if (state.Timer1.isRunning())
            state.Timer1.fire();
        if (call.buffer.isEmpty() && state.Timer1.Interval() == 0) {
            FUZZ_CHECK(!call.ReportProcessed);
            checkLog(stored);
            stored = fuzz::get(QStringLiteral("Array.bin"));
        }
    };
    for (size_t at = 1; at < size;) {
        if (data[at] == 0xFF) {
            ++at;
            endOfCall();
            continue;
        }
        const size_t n = std::min<size_t>(data[at] % 64 + 1, size - at - 1);
        ++at;
        if (n == 0)
            break;
        FUZZ_CHECK(write(modem, data + at, n) == ssize_t(n));
        at += n;
        written += qsizetype(n);
        while (delivered < written && state.MSComm1.waitForInput(2000))
            QCoreApplication::sendPostedEvents();
        FUZZ_CHECK(delivered >= written);
        // Text without a ring is kept to a bounded size.
        FUZZ_CHECK(call.RingSeen || call.buffer.size() <= CallReception::MaxBufferWithoutRing + 64);
        drain();
    }
    endOfCall();
    checkLog(stored);
    // The settings file keeps its size; the report goes into its record 5.
    FUZZ_CHECK(fuzz::get(QStringLiteral("acsetup.bin")).size() == defaults.size());
    FUZZ_CHECK(boxes.shown.isEmpty());
    state.MSComm1.setPortOpen(false);
    drain();
    return 0;
}
