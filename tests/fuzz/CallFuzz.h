#pragma once

// What the two call-source targets (the modem's line, an NCID server) share: no main window,
// the log's invariants, and the end of a call when the input lets it fall due.
#include "AppState.h"
#include "CallRecord.h"
#include "CallState.h"
#include "FuzzSupport.h"
#include "MainWindowPort.h"

#include <functional>

namespace fuzz {

class NoWindow : public IMainWindow {
public:
    // The targets that take their calls from elsewhere never search for a modem.
    explicit NoWindow(bool searchIsFault = false) : m_searchIsFault(searchIsFault) {}
    void popUp() override {}
    void showWindow() override {}
    void minimise() override {}
    void setWindowIconFile(const QString &) override {}
    void unloadBlockedWindow() override {}
    void runModemDetection() override { FUZZ_CHECK(!m_searchIsFault); }
    void showServiceState(ServicePair, bool) override {}

private:
    bool m_searchIsFault;
};

// The log grew from `before` by whole records, each live, without line ends, numbered by place.
// What was checked before is only compared; the log as it is now is returned.
inline QByteArray checkLog(const QByteArray &before)
{
    QByteArray log = get(QStringLiteral("Array.bin"));
    FUZZ_CHECK(log.size() % CallRecord::Length == 0);
    FUZZ_CHECK(log.startsWith(before));
    for (qsizetype at = before.size(); at < log.size(); at += CallRecord::Length) {
        const QString r = QString::fromLatin1(log.constData() + at, CallRecord::Length);
        FUZZ_CHECK(CallRecord::isLive(r) && r.contains(QLatin1String("END")));
        FUZZ_CHECK(!r.contains(QChar(13)) && !r.contains(QChar(10)));
        FUZZ_CHECK(r.startsWith(QStringLiteral("CL=%1DT=").arg(at / CallRecord::Length + 1)));
    }
    return log;
}

// The end-of-call timer falls due; once the call is over, the log is checked and kept as the
// base of the next check.
inline void endOfCall(AppState &state, const CallState &call, QByteArray *stored)
{
    if (state.Timer1.isRunning())
        state.Timer1.fire();
    if (call.buffer.isEmpty() && state.Timer1.Interval() == 0) {
        FUZZ_CHECK(!call.ReportProcessed);
        *stored = checkLog(*stored);
    }
}

// Plays an input after its first byte of switches: a length byte (1 to `maxChunk` bytes follow,
// handed to `feed`) or 0xFF, which lets the end-of-call timer fall due. The log is checked at
// every end of a call and at the end of the input.
inline void playCalls(const uint8_t *data, size_t size, size_t maxChunk, AppState &state, const CallState &call,
                      const std::function<void(const char *, qsizetype)> &feed)
{
    QByteArray stored;
    for (size_t at = 1; at < size;) {
        if (data[at] == 0xFF) {
            ++at;
            endOfCall(state, call, &stored);
            continue;
        }
        const size_t n = std::min<size_t>(data[at] % maxChunk + 1, size - at - 1);
        ++at;
        if (n == 0)
            break;
        feed(reinterpret_cast<const char *>(data + at), qsizetype(n));
        at += n;
    }
    endOfCall(state, call, &stored);
    checkLog(stored);
}

} // namespace fuzz
