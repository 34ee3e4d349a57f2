#include "CallDeletion.h"

#include "CallLogFile.h"

bool markCallsDeleted(CallLogFile &file, const QStringList &callNumbers, QString *error)
{
    // Found all at once: the log may hold tens of thousands of records.
    QList<int> records;
    QList<qint64> offsets;
    if (!file.findRecords(callNumbers, &records, error, &offsets))
        return false;
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (records[i] > 0 && !file.writeDeletionMarkerAt(offsets[i], records[i], error))
            return false;
    }
    return true;
}
