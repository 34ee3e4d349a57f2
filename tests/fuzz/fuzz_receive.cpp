// The receive path: what the modem sends, in chunks as the serial port hands them over, through
// the real port control, the receive handler, the report parser and the end of each call, with
// the log and the settings on disk. The line is held in memory (the port's device seam), so the
// target runs at full speed; the pseudo-terminal path has its own tests.
//
// Input: a first byte of switches (bit 0 telemarketer blocking, bit 1 the system date, bit 2
// the talking caller ID), then chunks of up to 64 bytes and ends of call (fuzz::playCalls).
#include "../support/MemoryLine.h"
#include "../support/ParserRoads.h"
#include "AppState.h"
#include "CallFuzz.h"
#include "CallRecord.h"
#include "CallerIdParser.h"
#include "Clock.h"
#include "FuzzSupport.h"
#include "IPortConnection.h"
#include "MsgBox.h"
#include "Services.h"

#include <QFile>
#include <QIODevice>
#include <cstring>

namespace {

class PortAgain : public IPortConnection {
public:
    explicit PortAgain(MSComm &port) : m_port(port) {}
    void ModemPortOpen() override { m_port.setPortOpen(true); }

private:
    MSComm &m_port;
};

// One program state for the whole run, as the program keeps one for its life: what an input
// can change is put back before the next (the files, the settings, the call, the clock).
struct Rig {
    Rig()
    {
        QFile f(QStringLiteral(RINGLARK_DATA_DIR "/desetup.bin"));
        FUZZ_CHECK(f.open(QIODevice::ReadOnly));
        defaults = f.readAll();
        fuzz::put(QStringLiteral("desetup.bin"), defaults);
        fuzz::put(QStringLiteral("acsetup.bin"), defaults);
        // As Block writes it: the number in the display pattern.
        fuzz::put(QStringLiteral("blocked.bin"),
                  BlockedFile::entryRecord(QStringLiteral("(555)-123-4567"), QStringLiteral("BLOCKED")));
        state.setupFile.load(state.settings);
        setup = state.setupFile;
        settings = state.settings;
        state.MSComm1.useDevice(&line);
        FUZZ_CHECK(state.MSComm1.setPortOpen(true));
    }

    // The modem's two-second waits (of a drop, which it never answers here) take 0.2 ms; the
    // ten-second end of call cannot fall due inside a chunk, only when the input says so.
    FastClock clock{10000};
    ClockScope clockScope{&clock};
    const QDateTime start = QDateTime::currentDateTime();
    MsgBoxScript boxes;
    MemoryLine line;
    AppState state{fuzz::folder()};
    fuzz::NoWindow window;
    PortAgain port{state.MSComm1};
    Services services{state, window, port};
    QByteArray defaults;
    SetupFile setup{fuzz::folder()};
    Settings settings;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static Rig rig;
    AppState &state = rig.state;
    CallState &call = rig.services.call;
    MemoryLine &line = rig.line;
    // What the program writes here: the log, its scratch file, the refused calls, record 5 of the
    // settings.
    fuzz::remove({"Array.bin", "ArrayTemp1.bin", "refused.txt"});
    fuzz::put(QStringLiteral("acsetup.bin"), rig.defaults);
    state.setupFile = rig.setup;
    state.settings = rig.settings;
    state.settings.BlockTeleMarketersStatus = data[0] & 1;
    state.settings.DateValue = (data[0] & 2) ? QStringLiteral("System Date") : QStringLiteral("Caller Id Date");
    state.settings.Talking_Call = data[0] & 4;
    state.settings.CallSendToPagerStatus = false;
    call = CallState();
    state.Timer1.off();
    state.Timer2.stop();
    if (state.calls.count() > 0)
        rig.services.log.DisplayFinalList(); // the log is empty again
    rig.clock.set(rig.start);
    rig.boxes.shown.clear();
    line.sent.clear();

    // Once the receive handler is done with what came in, a call that shows the blocked number
    // (as the user saw it when blocking it), or an unknown caller under telemarketer blocking,
    // has been refused: answered, hung up and stored. None stays on as an accepted call.
    static const QMetaObject::Connection refusals = QObject::connect(&state.MSComm1, &MSComm::OnComm, [] {
        const CallState &c = rig.services.call;
        const AppState &s = rig.state;
        if (!c.ReportProcessed || !s.Timer1.isRunning())
            return;
        FUZZ_CHECK(s.display.number() != QLatin1String("(555)-123-4567"));
        FUZZ_CHECK(!s.settings.BlockTeleMarketersStatus || s.display.name() != CallerIdParser::UnknownName);
    });

    // What the line said since the last end of a call, as the receive handler collects it, and
    // the caller of its report once that is whole: each call must end as one record of it.
    struct Heard {
        QString text;
        bool reported = false;
        fuzz::Call caller;
    } heard;
    fuzz::Ledger ledger;
    const bool telemarketers = state.settings.BlockTeleMarketersStatus;
    auto report = [&](bool callEnded) {
        // A plain report reads by its lines as by the general rules.
        FUZZ_CHECK(ParserRoads::said(heard.text) == ParserRoads::generalSays(heard.text));
        if (!heard.reported && CallerIdParser::isComplete(heard.text, callEnded)) {
            heard.reported = true;
            heard.caller = fuzz::callerIn(heard.text, telemarketers);
        }
    };
    auto feed = [&](const char *bytes, qsizetype n) {
        line.feed(bytes, n);
        QCoreApplication::sendPostedEvents();
        FUZZ_CHECK(state.MSComm1.InBufferCount() == 0); // every byte taken by the handler
        // Text without a ring is kept to a bounded size.
        FUZZ_CHECK(call.RingSeen || call.buffer.size() <= CallReception::MaxBufferWithoutRing + 64);
        heard.text += QString::fromLatin1(bytes, n);
        if (!CallerIdParser::hasRing(heard.text) && heard.text.size() > CallReception::MaxBufferWithoutRing)
            heard.text = heard.text.right(CallReception::KeptWithoutRing);
        report(false);
        // A refused call is dropped on the line and over at once; any other goes on ringing.
        if (heard.reported && heard.caller.refused) {
            ledger.expect({heard.caller});
            heard = Heard();
        } else {
            ledger.expect({});
        }
    };
    auto silence = [&] {
        const bool ending = state.Timer1.isRunning();
        if (ending)
            state.Timer1.fire();
        // A number-only report is whole once the call is over. A call that rang, or brought a
        // report, is stored now; text that never rang (modem chatter) waits for the next call.
        report(true);
        if (heard.reported || CallerIdParser::hasRing(heard.text)) {
            ledger.expect({heard.reported ? heard.caller : fuzz::noCallerId()});
            heard = Heard();
        } else {
            ledger.expect({});
            // An end that came for a report which noise then left incomplete: no call, and what
            // was heard is gone with it, as any call's end empties what it heard.
            if (ending)
                heard = Heard();
        }
        if (call.buffer.isEmpty() && state.Timer1.Interval() == 0)
            FUZZ_CHECK(!call.ReportProcessed);
    };
    fuzz::playCalls(data, size, 64, feed, silence);
    ledger.finish();
    // Every refusal answers the line once and hangs up.
    FUZZ_CHECK(line.sent.count("ATA\r") == line.sent.count("ATH\r"));
    // The settings file keeps its size; the report goes into its record 5.
    FUZZ_CHECK(fuzz::get(QStringLiteral("acsetup.bin")).size() == rig.defaults.size());
    FUZZ_CHECK(rig.boxes.shown.isEmpty());
    return 0;
}
