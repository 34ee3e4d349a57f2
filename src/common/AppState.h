#pragma once

#include "CallEvents.h"
#include "CallView.h"
#include "DataFiles.h"
#include "ModemLine.h"
#include "TrayStatus.h"

#include <QObject>

// The program's state for the whole run, by role: the modem line, the data files and settings,
// the call view, the tray record and the call events. A class is handed the roles it uses; the
// wiring hands out the whole.
class AppState : public QObject, public ModemLine, public DataFiles, public CallView {
    Q_OBJECT
public:
    explicit AppState(const QString &programFolder, const QString &shippedFolder = QString(),
                      QObject *parent = nullptr);

    // Rings, callers and ends of calls as they happen (the NCID server listens).
    CallEvents callEvents;
    TrayStatus tray;
};
