// Latency of caller ID: from the last byte of a report written by the simulated modem (on its
// own thread, over a real pseudo-terminal) to the call shown in the main window (labels set,
// call record line built), to the window's first paint of the caller, and to the report kept as
// record 5 of acsetup.bin. 100 calls; min, median and p95 of each are printed.
#include "AppState.h"
#include "BenchSupport.h"
#include "ModemSim.h"
#include "MsgBox.h"
#include "TestSupport.h"
#include "frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QStyleFactory>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>

namespace {

using namespace bench;

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    TestFolder folder;
    folder.copyProgramData();
    // Spoken words come after the call is shown; they are not part of this figure.
    folder.writeSettings({{2, "COM_Port = 1"}, {4, "Call_Id_AT_Command = AT+VCID=1"}, {28, "Talking_Call = False"}});
    ModemSimThread modem;
    modem.linkAs(folder.path(), 1);
    AppState state(folder.path());
    frmMain window(state);
    MsgBoxScript boxes;
    window.Form_Load();

    std::atomic<Clk::time_point::rep> lastByteAt{0};
    Clk::time_point shownAt{}, paintedAt{}, keptAt{};
    QObject::connect(&state.display, &CallerDisplay::changed, &state, [&] {
        if (!state.display.time().isEmpty() && shownAt == Clk::time_point{})
            shownAt = Clk::now();
    });
    // The first paint of the number label once it holds the caller.
    struct PaintWatch : QObject {
        std::function<void()> painted;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (e->type() == QEvent::Paint)
                painted();
            return QObject::eventFilter(o, e);
        }
    } watch;
    watch.painted = [&] {
        if (shownAt != Clk::time_point{} && paintedAt == Clk::time_point{})
            paintedAt = Clk::now();
    };
    window.ui.Label1->installEventFilter(&watch);
    QFile setup(folder.file("acsetup.bin"));

    const int calls = 100;
    std::vector<double> shown, painted, kept;
    auto since = [&](Clk::time_point t) {
        const Clk::time_point sent{Clk::duration(lastByteAt.load())};
        return std::chrono::duration<double, std::milli>(t - sent).count();
    };
    for (int i = 0; i < calls; ++i) {
        const QByteArray report =
            QStringLiteral("\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 55512%1\r\nNAME = CALLER %2\r\n")
                .arg(10000 + i)
                .arg(i)
                .toLatin1();
        const QByteArray marker = "CALLER " + QByteArray::number(i) + "\r\n";
        shownAt = paintedAt = keptAt = {};
        // All but the end of the last line: the report is whole only when that line has ended.
        modem.send("\r\nRING\r\n" + report.left(report.size() - 2));
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 5) // let the first part arrive and be handled
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        modem.run([&](ModemSim &sim) {
            sim.send(report.right(2));
            lastByteAt = Clk::now().time_since_epoch().count();
        });
        QElapsedTimer wait;
        wait.start();
        while ((shownAt == Clk::time_point{} || paintedAt == Clk::time_point{} || keptAt == Clk::time_point{}) &&
               wait.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
            // Record 5 as the disk has it, looked at between events (a read costs microseconds).
            if (keptAt == Clk::time_point{} && setup.open(QIODevice::ReadOnly)) {
                setup.seek(400);
                if (setup.read(100).contains(marker))
                    keptAt = Clk::now();
                setup.close();
            }
        }
        if (shownAt != Clk::time_point{} && paintedAt != Clk::time_point{} && keptAt != Clk::time_point{}) {
            shown.push_back(since(shownAt));
            painted.push_back(since(paintedAt));
            kept.push_back(since(keptAt));
        }
        state.Timer1.fire(); // end of the call: ready for the next one
    }
    std::printf("caller ID, from the last byte of the report, %zu of %d calls:\n", shown.size(), calls);
    const struct {
        const char *what;
        const std::vector<double> &v;
    } rows[] = {{"call shown (labels set)", shown}, {"first paint of the caller", painted}, {"record 5 on disk", kept}};
    for (const auto &r : rows)
        std::printf("  %-26s min %.3f ms   median %.3f ms   p95 %.3f ms   max %.3f ms\n", r.what, percentile(r.v, 0),
                    percentile(r.v, 0.5), percentile(r.v, 0.95), percentile(r.v, 1.0));
    std::printf("  (a report of %d bytes takes %.0f ms to cross a 9600 bit/s line)\n", 70, 70 * 10 / 9.6);
    return 0;
}
