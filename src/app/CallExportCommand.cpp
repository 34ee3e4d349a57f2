#include "CallExportCommand.h"

#include "CallExport.h"
#include "ProgramFolder.h"
#include "ScreeningStore.h"

#include <QDir>
#include <QFile>
#include <cstdio>

int exportCallsCommand(const QString &target)
{
    const QString folder = resolveProgramFolder();
    const QString log = QDir(folder).filePath(QStringLiteral("Array.bin"));
    const QString refused = QDir(folder).filePath(RefusedCalls::fileName());
    // Why the user's own rules refused calls, where the screening database can say; the export
    // goes on without it.
    CallExport::Reasons reasons;
    {
        ScreeningStore store(folder);
        if (store.openForReading())
            reasons = store.refusalReasons();
    }
    QString error;
    bool ok = false;
    if (target == QLatin1String("-")) {
        QFile out;
        ok = out.open(stdout, QIODevice::WriteOnly) && CallExport::write(log, refused, out, &error, reasons) &&
             out.flush();
        if (!ok && error.isEmpty())
            error = out.errorString();
    } else {
        ok = CallExport::writeFile(log, refused, target, &error, reasons);
    }
    if (ok)
        return 0;
    std::fprintf(stderr, "ringlark: the calls could not be exported to %s: %s\n",
                 qPrintable(target == QLatin1String("-") ? QStringLiteral("standard output") : target),
                 qPrintable(error));
    return 1;
}
