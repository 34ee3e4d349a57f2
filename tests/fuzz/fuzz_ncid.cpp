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
    // over the bound is no line), and the calls they make: a ring begins a call, the end of the
    // ringing or the silence ends it, a CID: line is its caller (the next one's, when the call
    // has one already), a HUP: line a caller refused and over at once. Each call must end as one
    // record of its caller.
    struct Heard {
        QByteArray line;
        bool inCall = false, reported = false;
        fuzz::Call caller;
    } heard;
    fuzz::Ledger ledger;
    const bool telemarketers = state.settings.BlockTeleMarketersStatus;
    QList<fuzz::Call> ended;
    auto endCall = [&] {
        if (heard.inCall)
            ended << (heard.reported ? heard.caller : fuzz::noCallerId());
        heard.inCall = heard.reported = false;
    };
    auto take = [&](const Ncid::Message &m) {
        switch (m.kind) {
        case Ncid::Kind::CidInfo:
            if (m.ring > 0)
                heard.inCall = true;
            else
                endCall();
            break;
        case Ncid::Kind::Cid:
        case Ncid::Kind::Hup:
            if (heard.reported)
                endCall();
            heard.inCall = heard.reported = true;
            heard.caller = fuzz::callerIn(NcidCalls::modemReport(m.call), telemarketers);
            if (m.kind == Ncid::Kind::Hup) {
                heard.caller.refused = true;
                endCall();
            }
            break;
        default:
            break;
        }
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
                take(Ncid::parse(QString::fromLatin1(heard.line)));
            heard.line.clear();
        }
        ledger.expect(std::exchange(ended, {}));
    };
    auto silence = [&] {
        if (state.Timer1.isRunning())
            state.Timer1.fire();
        endCall();
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
