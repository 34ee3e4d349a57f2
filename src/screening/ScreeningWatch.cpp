#include "ScreeningWatch.h"

#include "Screening.h"

#include <QFileInfo>

ScreeningWatch::ScreeningWatch(Screening &screening, std::function<bool()> quiet, QObject *parent)
    : QObject(parent), m_screening(screening), m_quiet(std::move(quiet))
{
    connect(&m_files, &QFileSystemWatcher::fileChanged, this, &ScreeningWatch::changed);
    watch();
}

void ScreeningWatch::watch()
{
    if (!m_screening.store().isOpen())
        return;
    // Another process's change goes to the write-ahead log, and to the database when it is
    // checkpointed. A file that was replaced is no longer watched: taken up again.
    const QString db = m_screening.store().path();
    for (const QString &path : {db, db + QStringLiteral("-wal")}) {
        if (!m_files.files().contains(path) && QFileInfo::exists(path))
            m_files.addPath(path);
    }
}

void ScreeningWatch::changed()
{
    watch();
    // Our own writes wake this too: then the look finds nothing new (one cheap query).
    if (!m_quiet || m_quiet())
        m_screening.refresh();
}
