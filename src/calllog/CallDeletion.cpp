#include "CallDeletion.h"

#include "CallLogFile.h"

#include <QHash>

bool markCallsDeleted(CallLogFile &file, const QStringList &callNumbers, QString *error)
{
    QStringList records;
    if (!file.readAll(&records, error))
        return false;
    // One reading for all the calls: the log may hold tens of thousands of records.
    QHash<QString, int> recordOf;
    for (qsizetype i = records.size() - 1; i >= 0; --i) {
        const QString &r = records.at(i);
        const qsizetype cl = r.indexOf(QLatin1String("CL"));
        const qsizetype dt = r.indexOf(QLatin1String("DT"));
        if (cl >= 0 && dt > cl)
            recordOf.insert(r.mid(cl + 3, dt - cl - 3), int(i + 1)); // the first record wins
    }
    for (const QString &number : callNumbers) {
        const int rec = recordOf.value(number);
        if (rec > 0 && !file.writeDeletionMarker(rec, error))
            return false;
    }
    return true;
}
