#include "CallDeletion.h"

#include "CallLogFile.h"

bool markCallsDeleted(CallLogFile &file, const QStringList &callNumbers, QString *error)
{
    // Found all at once: the log may hold tens of thousands of records.
    QList<int> records;
    if (!file.findRecords(callNumbers, &records, error))
        return false;
    for (int rec : std::as_const(records)) {
        if (rec > 0 && !file.writeDeletionMarker(rec, error))
            return false;
    }
    return true;
}
