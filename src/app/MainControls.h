#pragma once

#include "WindowColor.h"

#include <QString>

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QPushButton;
class QWidget;
class WrapButton;

// The controls of the main window, laid out in twips, each named as the program
// knows it (objectName too, so tests find them).
struct MainControls {
    QWidget *client = nullptr;

    QLabel *Image1 = nullptr; // the black display panel
    QLabel *Label4 = nullptr;
    QLabel *Label1 = nullptr; // caller's number
    QLabel *Label2 = nullptr; // caller's name
    QLabel *Label3 = nullptr; // date and time
    QLabel *Label5 = nullptr;

    WrapButton *cmdCallForwardingON = nullptr;
    WrapButton *cmdCallForwardingOFF = nullptr;
    WrapButton *cmdBlockTelemarketers = nullptr;
    WrapButton *cmdReleaseTelemarketers = nullptr;
    WrapButton *cmdBlockPrivateCalls = nullptr;
    WrapButton *cmdReleasePrivateCalls = nullptr;
    WrapButton *cmdPagerNotificationON = nullptr;
    WrapButton *cmdPagerNotificationOFF = nullptr;

    QPushButton *cmdDownLog = nullptr;
    QPushButton *cmdUpLog = nullptr;
    QPushButton *cmdCallLog = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *cmdZap = nullptr;
    QPushButton *cmdBlock = nullptr;
    QPushButton *cmdDial = nullptr;

    QMenu *mnuFile = nullptr;
    QAction *mnuRestore = nullptr;
    QAction *mnuConnectPort = nullptr;
    QAction *mnuReleasePort = nullptr;
    QAction *mnuExit = nullptr;
    QAction *mnuSetup = nullptr;
    QAction *mnuScreening = nullptr;
    QAction *DisplayColor = nullptr;
    QAction *mnuModemSelection = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuHelpHelp = nullptr;
    QAction *mnuAbout = nullptr;

    void build(QMainWindow *window);
    // Places the display and the service buttons (a step of start-up).
    void layoutDisplayAndServices();
};

// Colours of the service buttons: a service that is on shows its "off" button in light red.
inline constexpr int ServiceOnColor = 12632319;  // 0xC0C0FF
inline constexpr int ServiceOffColor = 12632256; // 0xC0C0C0
