// The refusal decision of one call with 100,000 screening rules in the database, against the
// decision by the blocked list and the telemarketer switch alone (the floor), in the same run on
// the same callers. Also: the look at whether another process changed the rules (made once a
// call, at its first ring, not in the decision), reading the rules after such a change, and a
// hostile regular expression.
#include "BenchSupport.h"
#include "BlockedFile.h"
#include "CallScreening.h"
#include "Screening.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <cstdio>

namespace {

using namespace bench;

double us(Clk::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

CallerIdParser::Report reportOf(const QString &number, const QString &name)
{
    const QString text =
        QStringLiteral("\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = %1\r\nNAME = %2\r\n").arg(number, name);
    return CallerIdParser::parse(text, QStringLiteral("System Date"), QDate(2026, 3, 21));
}

template <typename F> std::vector<double> timed(int n, F &&f)
{
    std::vector<double> v;
    v.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        const auto t0 = Clk::now();
        f(i);
        v.push_back(us(Clk::now() - t0));
    }
    return v;
}

void print(const char *what, const std::vector<double> &v)
{
    std::printf("%-58s median %8.2f us  p95 %8.2f us  (n=%zu)\n", what, percentile(v, 0.5), percentile(v, 0.95),
                v.size());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::printf("bench_screening: load %s\n", loadAverage().constData());
    TestFolder folder;
    QRandomGenerator random(25);
    // The blocked list: 200 numbers.
    QByteArray blockedBytes;
    for (int i = 0; i < 200; ++i)
        blockedBytes += BlockedFile::entryRecord(QStringLiteral("(212)-555-%1").arg(1000 + i), QStringLiteral("B"));
    folder.write("blocked.bin", blockedBytes);
    const BlockedFile blocked(folder.file("blocked.bin"), folder.file("blocktemp.bin"));

    // 100,000 rules as a user who imported big lists has them: mostly prefixes and plain
    // numbers, names, and a hundred wildcards and regular expressions tried one by one.
    QList<ScreeningRule> rules;
    QList<QPair<QString, QString>> aliases;
    for (int i = 0; i < 100000; ++i) {
        ScreeningRule r;
        r.action = i % 50 == 0 ? RuleAction::Allow : RuleAction::Block;
        const QString digits = QString::number(2000000 + qint64(random.bounded(8000000)));
        if (i < 100) {
            r.field = i % 2 ? RuleField::Name : RuleField::Number;
            r.pattern = i % 2 ? QStringLiteral("/^V[0-9]{%1}X$/").arg(5 + i % 7) : QStringLiteral("^9%1*77").arg(i);
        } else if (i < 10000) {
            r.field = RuleField::Name;
            r.pattern = QStringLiteral("NAME%1").arg(i);
        } else if (i < 40000) {
            r.pattern = QLatin1Char('^') + digits;
        } else if (i < 50000) {
            r.pattern = QStringLiteral("^1?") + digits;
        } else {
            r.pattern = digits + QString::number(i % 1000);
        }
        rules << r;
        if (i % 100 == 0)
            aliases << qMakePair(QString::number(5550000000 + i), QStringLiteral("FRIEND %1").arg(i));
    }
    Screening screening(folder.path());
    if (!screening.open()) {
        std::printf("the store did not open: %s\n", qPrintable(screening.store().problem()));
        return 1;
    }
    auto t0 = Clk::now();
    QString error;
    if (!screening.store().addAll(rules, aliases, &error)) {
        std::printf("rules not stored: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%-58s %8.1f ms\n", "storing 100,000 rules in one transaction", us(Clk::now() - t0) / 1000);
    t0 = Clk::now();
    screening.reload();
    std::printf("%-58s %8.1f ms  (%lld rules)\n", "reading them (start-up, or after a change elsewhere)",
                us(Clk::now() - t0) / 1000, qlonglong(screening.rules().rules().size()));

    // The callers: ten-digit numbers with names; a few blocked, allowed or named.
    std::vector<CallerIdParser::Report> calls;
    for (int i = 0; i < 4000; ++i) {
        const QString number = i % 10 == 0 ? QStringLiteral("212555%1").arg(1000 + i % 200)
                                           : QString::number(2000000000 + qint64(random.bounded(7999999999LL)));
        calls.push_back(reportOf(number, i % 7 == 0 ? QStringLiteral("O") : QStringLiteral("CALLER %1").arg(i)));
    }
    // Both ways in turn on the same call, so that the machine's state is the same for both.
    std::vector<double> floor, withRules, inMemory, refusedCount;
    int refused = 0;
    for (size_t i = 0; i < calls.size(); ++i) {
        const CallerIdParser::Report &r = calls[i];
        auto a = Clk::now();
        const Refusal plain = CallScreening::screen({r.callerName, r.callerNumber}, true, blocked);
        floor.push_back(us(Clk::now() - a));
        a = Clk::now();
        const CallScreening::Decision d = CallScreening::decide(r, true, blocked, Refusal::None, &screening);
        withRules.push_back(us(Clk::now() - a));
        a = Clk::now();
        const RuleVerdict v = screening.rules().decide(r.receivedNumber, QString(), r.receivedName);
        inMemory.push_back(us(Clk::now() - a));
        refused += d.refusal != Refusal::None;
        (void)plain;
        (void)v;
    }
    print("floor: blocked list and telemarketer switch alone", floor);
    print("decision with 100,000 rules", withRules);
    print("  of it, the rules in memory alone", inMemory);
    std::printf("  %d of %zu callers refused\n", refused, calls.size());
    print("the change check at the first ring (PRAGMA data_version)",
          timed(4000, [&](int) { (void)screening.store().changedElsewhere(); }));

    // After a change by another process (the command line), the next call's first ring reads the
    // rules again.
    Screening other(folder.path());
    other.open();
    std::vector<double> afterChange;
    for (int i = 0; i < 5; ++i) {
        ScreeningRule r{0, RuleAction::Block, RuleField::Number, QStringLiteral("^99%1").arg(i), QString(), QString(),
                        0};
        other.store().addRule(&r);
        const auto a = Clk::now();
        screening.refresh();
        afterChange.push_back(us(Clk::now() - a));
    }
    print("the first ring after a change elsewhere (rules read again)", afterChange);

    const CompiledPattern hostile = ScreenPattern::compile("/^.*.*.*.*.*.*.*.*.*.*[^a]/", RuleField::Name);
    const QString aaa = ScreenPattern::subjectOf(QString(200, 'a'), RuleField::Name);
    print("hostile expression on a 64-letter name (step limit)",
          timed(50, [&](int) { (void)ScreenPattern::matches(hostile, aaa); }));
    return 0;
}
