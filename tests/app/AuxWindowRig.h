#pragma once

// The main window with its other windows, over a program folder laid out for a test: the rig
// of the window tests, and what they read back from the folder's files.
#include "AppState.h"
#include "AuxWindows.h"
#include "BlockedFile.h"
#include "CallRecord.h"
#include "TestSupport.h"
#include "frmMain.h"

#include <QTreeWidget>
#include <memory>

namespace windowtest {

using Records = QMap<int, QString>;

struct Rig {
    explicit Rig(const Records &records = {}, int calls = 0)
    {
        folder.copyProgramData();
        folder.writeSettings(records);
        QByteArray log;
        for (int n = 1; n <= calls; ++n)
            log += CallRecord::build(n,
                                     QStringLiteral("DT=03/0%1/2026TM=10:0%1 AMNM=CALLER %2NB=(555)-123-000%1")
                                         .arg(n % 10)
                                         .arg(QChar('A' + n - 1)),
                                     2)
                       .toLatin1();
        folder.write(QStringLiteral("Array.bin"), log);
        state = std::make_unique<AppState>(folder.path());
        state->setupFile.load(state->settings);
        window = std::make_unique<frmMain>(*state);
    }
    AuxWindows &aux() { return window->windows(); }
    QStringList logNames() const
    {
        QStringList names;
        const QByteArray all = folder.bytes(QStringLiteral("Array.bin"));
        for (qsizetype at = 0; at < all.size(); at += CallRecord::Length) {
            const CallRecord::Fields f = CallRecord::fields(QString::fromLatin1(all.mid(at, CallRecord::Length)));
            names << f.callNumber + QLatin1Char(' ') + f.name;
        }
        return names;
    }

    TestFolder folder;
    std::unique_ptr<AppState> state;
    std::unique_ptr<frmMain> window;
};

inline QByteArray recordOf(const QByteArray &file, int rec)
{
    return file.mid(qsizetype(rec - 1) * 100, 100);
}

inline QByteArray blockedFile(const QStringList &numbers)
{
    QByteArray all;
    for (const QString &n : numbers)
        all += n.startsWith(QLatin1String("#")) ? BlockedFile::deletionMarker(n.mid(1).toInt())
                                                : BlockedFile::entryRecord(n, QStringLiteral("NAME ") + n);
    return all;
}

inline QStringList listTexts(QTreeWidget *list)
{
    QStringList l;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        l << list->topLevelItem(i)->text(0);
    return l;
}

} // namespace windowtest
