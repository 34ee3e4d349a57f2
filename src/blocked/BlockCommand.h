#pragma once

#include "BlockedFile.h"

#include <functional>

class DataFiles;
struct CallView;
struct ModemLine;
class IMainWindow;
class clsModemFunctions;

// The Block button: puts the caller shown in the main window on the blocked list, after the
// user confirmed it, dropping the call first when it is still ringing.
class BlockCommand {
public:
    BlockCommand(ModemLine &line, DataFiles &files, CallView &view, IMainWindow &window, clsModemFunctions &modem,
                 BlockedFile &file);

    // Runs once a ringing call has been dropped, so that its end is processed at once.
    std::function<void()> callDropped;
    // A caller was added to the blocked list (the number as shown, the name).
    std::function<void(const QString &number, const QString &name)> numberBlocked;

    // The click: refused while another user command runs (the busy marker Timer3).
    void blockShownCaller();
    void BlockNumber();
    bool IsDisplayedNumberBlocked() const;

private:
    ModemLine &m_line;
    DataFiles &m_files;
    CallView &m_view;
    IMainWindow &m_window;
    clsModemFunctions &m_modem;
    BlockedFile &m_file;
};

// Whether an arriving caller number, put into the display pattern, is on the blocked list.
bool IsIncomingNumberBlocked(const BlockedFile &file, const QString &callerNumber);
