#include "AppState.h"

AppState::AppState(const QString &programFolder, const QString &shippedFolder, QObject *parent)
    : QObject(parent), DataFiles(programFolder, shippedFolder)
{
    MSComm1.setProgramFolder(programFolder);
}
