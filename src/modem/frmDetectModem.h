#pragma once

#include "ModemSearch.h"

#include <QWidget>

class AppState;
class IPortConnection;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class UpDown;

// The modem detection window: the running report of the search, and a port the user can test
// by hand. Loading it runs the automatic search; it then stays open, not modal, until OK.
class frmDetectModem : public QWidget, public ISearchView {
    Q_OBJECT
public:
    frmDetectModem(AppState &state, IPortConnection &port, QWidget *parent = nullptr);

    // Shows the window and runs the automatic search in it.
    void Form_Load();
    void Command2_Click();

    QListWidget *List1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lblPortNumber = nullptr;
    UpDown *UpDownModemPort = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command1 = nullptr;
    QGroupBox *Frame1 = nullptr;

    // ISearchView
    void clearList() override;
    void addLine(const QString &line) override;
    void setProgress(const QString &text) override;
    void showPortNumber(int port) override;

    ModemSearch &search() { return m_search; }

private:
    AppState &m_state;
    IPortConnection &m_port;
    ModemSearch m_search;
};
