#pragma once

// What the two call-source targets (the modem's line, an NCID server) share: no main window,
// the calls each input must leave in the log, and the way an input is played.
#include "AppState.h"
#include "CallExport.h"
#include "CallRecord.h"
#include "CallState.h"
#include "CallTexts.h"
#include "CallerIdParser.h"
#include "FuzzSupport.h"
#include "IMainWindow.h"

#include <functional>

namespace fuzz {

class NoWindow : public IMainWindow {
public:
    // The targets that take their calls from elsewhere never search for a modem.
    explicit NoWindow(bool searchIsFault = false) : m_searchIsFault(searchIsFault) {}
    void popUp() override {}
    void showWindow() override {}
    void minimise() override {}
    void unloadBlockedWindow() override {}
    void runModemDetection() override { FUZZ_CHECK(!m_searchIsFault); }
    void showServiceState(ServicePair, bool) override {}

private:
    bool m_searchIsFault;
};

// The one number on the targets' blocked list, as Block writes it.
inline const QString BlockedNumber = QStringLiteral("(555)-123-4567");

// A call as the log must keep it: the caller's name and number (in the display pattern), and
// whether it was refused.
struct Call {
    QString name, number;
    bool refused = false;
};

// A call that rang without any caller-ID report.
inline Call noCallerId()
{
    return {QStringLiteral("NO CALLER ID"), CallerIdParser::UnknownNumber, false};
}

// The caller of a whole report, refused where the user's rules say so: its number is the
// blocked one, or it has no name while telemarketers are blocked.
inline Call callerIn(const QString &report, bool telemarketers)
{
    const CallerIdParser::Caller who = CallerIdParser::callerOf(report);
    Call c{who.name, CallTexts::displayPattern(who.number)};
    c.refused = c.number == BlockedNumber || (telemarketers && who.name == CallerIdParser::UnknownName);
    return c;
}

// The record holds the call's name and number. A name too long for the record gives way first,
// then the number, as a record is built; only a record filled to its end may have lost them.
inline bool holdsCaller(const QString &record, const Call &c)
{
    const CallRecord::Fields f = CallRecord::fields(record);
    if (f.name == c.name && f.number == c.number)
        return true;
    const bool full = !record.endsWith(QLatin1Char('.'));
    return full && c.name.startsWith(f.name) &&
           (f.number == c.number || (f.name.isEmpty() && c.number.startsWith(f.number)));
}

// The log and the list of refused calls as far as they have been checked. Each look says which
// calls ended since the last one; the files must have grown by exactly those, in that order: a
// lost call, a call stored twice or under another caller, a refusal too many or too few all
// break it.
class Ledger {
public:
    void expect(const QList<Call> &ended)
    {
        const QByteArray log = get(QStringLiteral("Array.bin"));
        FUZZ_CHECK(log.size() % CallRecord::Length == 0);
        FUZZ_CHECK(log.startsWith(m_log));
        FUZZ_CHECK(log.size() - m_log.size() == ended.size() * CallRecord::Length);
        if (ended.isEmpty())
            return;
        const QList<QByteArray> refused = refusedLines();
        for (qsizetype i = 0; i < ended.size(); ++i) {
            const qsizetype at = m_log.size() + i * CallRecord::Length;
            const QString r = QString::fromLatin1(log.constData() + at, CallRecord::Length);
            FUZZ_CHECK(CallRecord::isLive(r) && r.contains(QLatin1String("END")));
            FUZZ_CHECK(!r.contains(QChar(13)) && !r.contains(QChar(10)));
            FUZZ_CHECK(r.startsWith(QStringLiteral("CL=%1DT=").arg(at / CallRecord::Length + 1)));
            FUZZ_CHECK(holdsCaller(r, ended.at(i)));
            if (ended.at(i).refused) {
                FUZZ_CHECK(m_refused < refused.size());
                // The mark holds the call as stored and the number it was stored under.
                FUZZ_CHECK(QString::fromUtf8(QByteArray::fromPercentEncoding(refused.at(m_refused))) ==
                           RefusedCalls::lineOf(CallRecord::fields(r), int(at / CallRecord::Length + 1)));
                ++m_refused;
            }
        }
        FUZZ_CHECK(m_refused == refused.size());
        m_log = log;
    }

    // At the end of an input: no refusal was kept without its call.
    void finish() const { FUZZ_CHECK(refusedLines().size() == m_refused); }

private:
    static QList<QByteArray> refusedLines()
    {
        QList<QByteArray> lines = get(RefusedCalls::fileName()).split('\n');
        lines.removeLast(); // after the last line end, or the whole of an empty file
        return lines;
    }

    QByteArray m_log;
    qsizetype m_refused = 0;
};

// Plays an input after its first byte of switches: a length byte (1 to `maxChunk` bytes follow,
// handed to `feed`) or 0xFF, the silence after which a call has ended (`silence`). Every input
// ends in silence.
inline void playCalls(const uint8_t *data, size_t size, size_t maxChunk,
                      const std::function<void(const char *, qsizetype)> &feed, const std::function<void()> &silence)
{
    for (size_t at = 1; at < size;) {
        if (data[at] == 0xFF) {
            ++at;
            silence();
            continue;
        }
        const size_t n = std::min<size_t>(data[at] % maxChunk + 1, size - at - 1);
        ++at;
        if (n == 0)
            break;
        feed(reinterpret_cast<const char *>(data + at), qsizetype(n));
        at += n;
    }
    silence();
}

} // namespace fuzz
