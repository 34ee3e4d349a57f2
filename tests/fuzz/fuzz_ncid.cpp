// The NCID client's way in: whatever bytes a server sends, in chunks as the socket hands them
// over, through the line reader, the parser, the call handling and the end of each call, with
// the log and the settings on disk. No socket: the client is fed as its socket feeds it.
//
// Input: a first byte of switches (bit 0 telemarketer blocking, bit 1 the system date), then
// chunks: a length byte (1 to 128 bytes follow) or 0xFF, which lets the end-of-call timer fall
// due when a call is in progress.
#include "AppState.h"
#include "CallFuzz.h"
#include "CallRecord.h"
#include "Clock.h"
#include "FuzzSupport.h"
#include "IPortConnection.h"
#include "MsgBox.h"
#include "NcidCalls.h"

#include "NcidProtocol.h"
#include "Services.h"
#include <functional>

#include <utility>

namespace {

class NoModem : public IPortConnection {
public:
    void ModemPortOpen() override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static const QByteArray defaults = [] {
        QFile f(QStringLiteral(RINGLARK_DATA_DIR "/desetup.bin"));
        FUZZ_CHECK(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }();
    fuzz::removeAll();
    fuzz::put(QStringLiteral("desetup.bin"), defaults);
    fuzz::put(QStringLiteral("acsetup.bin"), defaults);
    fuzz::put(QStringLiteral("blocked.bin"),
              BlockedFile::entryRecord(QStringLiteral("(555)-123-4567"), QStringLiteral("BLOCKED")));

    FastClock clock(200);
    ClockScope clockScope(&clock);
    MsgBoxScript boxes;
    AppState state(fuzz::folder());
    state.setupFile.load(state.settings);
    state.options.ncidClientEnabled = true;
    state.options.ncidClientHost = QStringLiteral("127.0.0.1");
    state.settings.BlockTeleMarketersStatus = data[0] & 1;
    state.settings.DateValue = (data[0] & 2) ? QStringLiteral("System Date") : QStringLiteral("Caller Id Date");
    state.settings.Talking_Call = false;
    state.settings.CallSendToPagerStatus = true; // no modem to page through: never dialled
    fuzz::NoWindow window{true};
    NoModem port;
    Services services(state, window, port);
    CallState &call = services.call;

    // The server's lines as this target cuts them (LF ends a line, a CR before it goes, a line
    // over the bound is no line), and the calls they make, line by line: a ring begins a call,
    // the end of the ringing or the silence ends it, a CID:, PID: or WID: line is its caller (the
    // next one's, when the call has one already, unless it is the same number again: then it
    // brings the caller's name), a HUP: or BLK: line a caller refused and over at once. One
    // line's call has the reception at a time; the others' lines wait, in turn, for it to end.
    // Each call must end as one record of its caller, none lost and none made up.
    struct Heard {
        QByteArray line;
        QString active; // the line whose call is in progress
        bool inCall = false, reported = false;
        fuzz::Call caller;
        QString number;
        QList<QPair<QString, QList<Ncid::Message>>> held;
        bool handing = false;
    } heard;
    fuzz::Ledger ledger;
    const bool telemarketers = state.settings.BlockTeleMarketersStatus;
    QList<fuzz::Call> ended;
    auto endCall = [&] {
        if (heard.inCall || heard.reported)
            ended << (heard.reported ? heard.caller : fuzz::noCallerId());
        heard.inCall = heard.reported = false;
        heard.active.clear();
    };
    std::function<void()> handHeld;
    auto take = [&](const Ncid::Message &m) {
        if (m.kind == Ncid::Kind::CidInfo) {
            if (m.ring > 0) {
                heard.inCall = true;
            } else {
                endCall();
                handHeld();
            }
            return;
        }
        if (heard.reported && !m.call.refused && m.call.number == heard.number) {
            if (!heard.caller.refused) {
                const bool refused = heard.caller.refused;
                heard.caller = fuzz::callerIn(NcidCalls::modemReport(m.call), false);
                heard.caller.refused = refused;
                // The number stays the first report's.
            }
            return;
        }
        const QString line = heard.active;
        if (heard.reported) {
            endCall();
            heard.active = line;
        }
        heard.number = m.call.number;
        heard.inCall = heard.reported = true;
        heard.caller = fuzz::callerIn(NcidCalls::modemReport(m.call), telemarketers);
        if (m.call.refused) {
            heard.caller.refused = true;
            endCall();
            handHeld();
        }
    };
    handHeld = [&] {
        if (heard.handing)
            return;
        heard.handing = true;
        while (heard.active.isEmpty() && !heard.held.isEmpty()) {
            heard.active = heard.held.first().first;
            while (!heard.held.isEmpty() && heard.held.first().first == heard.active &&
                   !heard.held.first().second.isEmpty())
                take(heard.held.first().second.takeFirst());
            if (!heard.held.isEmpty() && heard.held.first().second.isEmpty())
                heard.held.removeFirst();
        }
        heard.handing = false;
    };
    auto hear = [&](const Ncid::Message &m) {
        if (m.kind != Ncid::Kind::CidInfo && !Ncid::isLive(m.kind))
            return;
        if (heard.active.isEmpty() && heard.held.isEmpty())
            heard.active = m.call.line;
        if (m.call.line == heard.active) {
            take(m);
            return;
        }
        for (auto &h : heard.held) {
            if (h.first == m.call.line) {
                h.second << m;
                return;
            }
        }
        heard.held.append({m.call.line, {m}});
    };
    auto feed = [&](const char *bytes, qsizetype n) {
        NcidClient &client = services.network.client();
        client.feed(QByteArray(bytes, n));
        while (client.pendingLines() > 0)
            QCoreApplication::sendPostedEvents(&client, QEvent::MetaCall);
        // What the reader holds of a line not ended yet stays within the bound.
        FUZZ_CHECK(call.RingSeen || call.buffer.size() <= CallReception::MaxBufferWithoutRing + 1200);
        for (qsizetype at = 0; at < n; ++at) {
            if (bytes[at] != '\n') {
                if (heard.line.size() <= Ncid::MaxLineBytes + 1)
                    heard.line += bytes[at];
                continue;
            }
            if (heard.line.endsWith('\r'))
                heard.line.chop(1);
            if (!heard.line.isEmpty() && heard.line.size() <= Ncid::MaxLineBytes)
                hear(Ncid::parse(QString::fromLatin1(heard.line)));
            heard.line.clear();
        }
        ledger.expect(std::exchange(ended, {}));
    };
    auto silence = [&] {
        if (state.Timer1.isRunning())
            state.Timer1.fire();
        // The next line's call is handed on once the end of this one is done.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        endCall();
        handHeld();
        ledger.expect(std::exchange(ended, {}));
    };
    fuzz::playCalls(data, size, 128, feed, silence);
    ledger.finish();
    FUZZ_CHECK(fuzz::get(QStringLiteral("acsetup.bin")).size() == defaults.size());
    // No modem: nothing was opened, and no box asked for one.
    FUZZ_CHECK(!state.MSComm1.PortOpen());
    FUZZ_CHECK(boxes.shown.isEmpty());
    return 0;
}
