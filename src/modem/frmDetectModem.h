#pragma once

#include "ModemSearch.h"

#include <QWidget>

class DataFiles;
struct CallView;
struct ModemLine;
class IPortConnection;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class UpDown;

// The modem detection window: the running report of the search, and a port the user can test
// by hand, or a modem chosen by hand. Loading it runs the automatic search; it then stays
// open, not modal, until OK.
//
// The search runs inside this window's waits. Closing the window while it runs stops the
// search; the window goes once the search has returned, never under its feet.
class frmDetectModem : public QWidget, public ISearchView {
    Q_OBJECT
public:
    frmDetectModem(ModemLine &line, DataFiles &files, CallView &callView, IPortConnection &port,
                   QWidget *parent = nullptr);

    // Shows the window and runs the automatic search in it.
    void Form_Load();
    void Command2_Click();
    // Stores the device and command the user chose and opens the caller-ID port on them.
    void cmdUseModem_Click();

    QListWidget *List1 = nullptr;
    QLabel *lblProblems = nullptr; // why ports could not be asked, wrapped, where it is read
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lblPortNumber = nullptr;
    UpDown *UpDownModemPort = nullptr;
    QPushButton *Command2 = nullptr;
    QComboBox *cboDevice = nullptr;
    QComboBox *cboCommand = nullptr;
    QPushButton *cmdUseModem = nullptr;
    QPushButton *Command1 = nullptr;
    QGroupBox *Frame1 = nullptr;

    // ISearchView
    void clearList() override;
    void addLine(const QString &line) override;
    void setProgress(const QString &text) override;
    void showPortNumber(int port) override;
    void showProblem(const QString &reason) override;

    ModemSearch &search() { return m_search; }
    // The serial devices offered: stable /dev/serial/by-id names first, then the others.
    static QStringList serialDevices();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void afterSearch();

    ModemLine &m_line;
    DataFiles &m_files;
    IPortConnection &m_port;
    ModemSearch m_search;
    bool m_closeWhenDone = false;
};
