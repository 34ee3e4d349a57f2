#pragma once

#include "DesktopNotifier.h"
#include "SoundRecorder.h"
#include "WindowRig.h"

#include <QList>
#include <QVariant>

#include <memory>

// Calls from the simulated modem through the real main window: the callers the tests place, the
// window loaded and listening, and what each test watches (the sped-up clock, the sounds, the
// desktop notices).
namespace CallRigData {
inline const QByteArray JohnDoe = "\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 5551234567\r\nNAME = JOHN DOE\r\n";
inline const QByteArray MaryRoe = "\r\nDATE = 0321\r\nTIME = 1406\r\nNMBR = 3055550100\r\nNAME = MARY ROE\r\n";
inline const QByteArray Ring = "\r\nRING\r\n";

// A stored record as Array.bin holds it: 80 bytes, padded with full stops.
inline QByteArray dots(const QByteArray &record)
{
    return record + QByteArray(80 - record.size(), '.');
}
} // namespace CallRigData

// The main window loaded and listening; the modem's log holds only what the calls bring.
struct CallRig : WindowRig {
    explicit CallRig(const QMap<int, QString> &records = {}) : WindowRig(records)
    {
        loaded = load();
        // The caller-ID command's reply wait is short on the test clock: on a busy machine the
        // modem may log the command after the program has stopped waiting for it.
        modem->waitForCommand("AT+VCID=1", 5000);
        modem->clearLog();
    }
    ModemSim::Call call(const QByteArray &report, int ringsBefore = 1, int ringsAfter = 2) const
    {
        ModemSim::Call c;
        c.report = report;
        c.ringsBefore = ringsBefore;
        c.ringsAfter = ringsAfter;
        c.ringGapMs = 10;
        c.chunkSize = 6;
        c.chunkGapMs = 1;
        return c;
    }
    int storedCalls() const { return int(folder.bytes("Array.bin").size() / 80); }
    QByteArray record(int n) const { return folder.bytes("Array.bin").mid((n - 1) * 80, 80); }
    CallState &callState() { return window->services().call; }

    bool loaded = false;
};

// What a test of calls watches, from its init to its cleanup: ten seconds of silence end a call
// in 200 ms, sounds are recorded rather than played, desktop notices are kept.
struct CallWatch {
    CallWatch()
    {
        DesktopNotifier::record([this](const QList<QVariant> &arguments) { notices << arguments; });
    }
    ~CallWatch() { DesktopNotifier::record(nullptr); }
    CallWatch(const CallWatch &) = delete;
    CallWatch &operator=(const CallWatch &) = delete;

    TestScope t{50.0, QDateTime(QDate(2026, 12, 6), QTime(10, 0))};
    SoundRecorder sound;
    QList<QList<QVariant>> notices;
};
