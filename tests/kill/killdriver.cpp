// The program as a user runs it, who blocks every caller whose name begins with "BLOCK" while
// the call rings: the Block button, and Yes to its question. So the blocked list is written by
// the program's own Block, and kills land on those writes too.
#include "AppState.h"
#include "MsgBox.h"
#include "RunProgram.h"
#include "frmMain.h"

#include <QPushButton>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    MsgBoxScript boxes;
    boxes.onShow = [&boxes](const MsgRecord &r) {
        // Named on standard error as the program names its boxes: the test tells a quiet start by it.
        if (r.title == QLatin1String("Block Number Confirmation!"))
            boxes.answer(vbYes);
        else
            std::fprintf(stderr, "message box: %s\n", qPrintable(r.title));
    };
    return runProgram(argc, argv, [](AppState &state, frmMain &window) {
        auto *block = window.findChild<QPushButton *>(QStringLiteral("cmdBlock"));
        QObject::connect(&state.display, &CallerDisplay::changed, &window, [&state, block] {
            if (!state.display.name().startsWith(QLatin1String("BLOCK")) || state.Timer1.Interval() == 0)
                return;
            // The click comes once the display is done; by then the next caller may be shown,
            // and Block blocks whoever is shown: only the caller chosen is blocked.
            const QString chosen = state.display.name();
            QTimer::singleShot(0, block, [&state, block, chosen] {
                if (state.display.name() == chosen && state.Timer1.Interval() > 0)
                    block->click();
            });
        });
    });
}
