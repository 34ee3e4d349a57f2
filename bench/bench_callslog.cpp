// Opening the Calls Log window on a log of 10,000 calls: from the click on "&Log" until the
// window's work is done (the list loaded and its Refused column filled), with one call in twenty
// refused (marked in refused.txt, half of them with their reason in the screening database),
// against the floor: the same log with no call refused and no screening database. Both in turn in
// the same run, each in its own program folder. Figures only.
#include "AppState.h"
#include "AuxWindows.h"
#include "BenchSupport.h"
#include "CallExport.h"
#include "CallRecord.h"
#include "MsgBox.h"
#include "Screening.h"
#include "TestSupport.h"
#include "frmListView.h"
#include "frmMain.h"

#include <QApplication>
#include <QPushButton>
#include <QTreeView>
#include <cstdio>
#include <memory>

namespace {

using namespace bench;

constexpr int Calls = 10000;

struct Program {
    explicit Program(bool refusals)
    {
        folder.copyProgramData();
        folder.writeSettings({});
        QByteArray log;
        log.reserve(qsizetype(Calls) * CallRecord::Length);
        QList<CallRecord::Fields> refused;
        for (int n = 1; n <= Calls; ++n) {
            const QString record =
                CallRecord::build(n,
                                  QStringLiteral("DT=3/%1/2026TM=%2:%3 PMNM=CALLER %4NB=(555)-123-%5")
                                      .arg(1 + n % 28)
                                      .arg(1 + n % 12, 2, 10, QLatin1Char('0'))
                                      .arg(n % 60, 2, 10, QLatin1Char('0'))
                                      .arg(n)
                                      .arg(n % 10000, 4, 10, QLatin1Char('0')),
                                  2);
            log += record.toLatin1();
            if (refusals && n % 20 == 0)
                refused << CallRecord::fields(record);
        }
        folder.write(QStringLiteral("Array.bin"), log);
        screening = std::make_unique<Screening>(folder.path());
        if (refusals) {
            screening->open();
            for (int i = 0; i < refused.size(); ++i) {
                RefusedCalls::add(folder.file(RefusedCalls::fileName()), refused[i], refused[i].callNumber.toInt(),
                                  nullptr);
                if (i % 2 == 0) {
                    ScreenedCall c;
                    c.record = RefusedCalls::callKeyOf(refused[i]);
                    c.refused = true;
                    c.reason = QStringLiteral("pattern ^555");
                    screening->recordCall(c);
                }
            }
        }
        state = std::make_unique<AppState>(folder.path());
        state->setupFile.load(state->settings);
        window = std::make_unique<frmMain>(*state);
    }

    // Milliseconds from the click to the window's work done; the rows listed.
    double open(int *rows)
    {
        const ScreeningScope installed(screening->store().isOpen() ? screening.get() : nullptr);
        const auto t0 = Clk::now();
        window->ui.cmdCallLog->click();
        QCoreApplication::processEvents();
        const double ms = std::chrono::duration<double, std::milli>(Clk::now() - t0).count();
        frmListView *w = window->windows().callsLogWindow();
        *rows = w ? w->ListView1->model()->rowCount() : -1;
        window->minimise(); // unloads it: the next open is a fresh window
        QCoreApplication::processEvents();
        return ms;
    }

    TestFolder folder;
    std::unique_ptr<Screening> screening;
    std::unique_ptr<AppState> state;
    std::unique_ptr<frmMain> window;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("bench_callslog: load %s\n", loadAverage().constData());
    MsgBoxScript boxes;
    Program floor(false), refused(true);
    std::vector<double> floorMs, refusedMs;
    int floorRows = 0, refusedRows = 0;
    for (int i = 0; i < 12; ++i) {
        // The first of each warms the caches and is not counted.
        const double a = floor.open(&floorRows), b = refused.open(&refusedRows);
        if (i > 0) {
            floorMs.push_back(a);
            refusedMs.push_back(b);
        }
    }
    std::printf("%-52s median %7.1f ms  p95 %7.1f ms  (%d rows, n=%zu)\n", "floor: no call refused, no database",
                percentile(floorMs, 0.5), percentile(floorMs, 0.95), floorRows, floorMs.size());
    std::printf("%-52s median %7.1f ms  p95 %7.1f ms  (%d rows, n=%zu)\n", "500 refused, 250 with their reason",
                percentile(refusedMs, 0.5), percentile(refusedMs, 0.95), refusedRows, refusedMs.size());
    return 0;
}
