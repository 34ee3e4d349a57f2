#pragma once

#include <QString>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class UpDown;

// A row of a Yes/No question: two option buttons under the frame's "Yes" and "No" labels.
struct YesNo {
    QRadioButton *yes = nullptr;
    QRadioButton *no = nullptr;
    void select(const QString &trueOrFalse) const;
};

// The controls of the Setup dialog, grouped in their frames, each named as the program knows
// it (objectName too, so that tests find them).
struct SetupControls {
    QGroupBox *frameModem = nullptr, *frameFeatures = nullptr, *frameForwarding = nullptr, *frameBlocking = nullptr,
              *framePager = nullptr, *frameDate = nullptr;

    QLabel *lblModemInfo = nullptr;
    YesNo OptCallerIdSound, OptPopUpWindow, OptCallerIdMinimize;
    QLabel *lblMinimizeTime = nullptr;
    UpDown *updToggleMinimizeTime = nullptr;

    YesNo OptCallForwarding;
    QLineEdit *txtCallForwardingNumber = nullptr;
    QLineEdit *txtCallForwardingPrefixOn = nullptr;
    QLineEdit *txtCallForwardingPrefixOff = nullptr;
    QLineEdit *txtAreaCode = nullptr;

    YesNo OptBlockPrivate;
    QLineEdit *txtBlockPrivateCallsPrefixOn = nullptr;
    QLineEdit *txtBlockPrivateCallsPrefixOff = nullptr;
    YesNo OptBlockTelemarketers, OptSelectedCalls;

    YesNo OptSendToPager;
    QLineEdit *txtPagerNumber = nullptr;
    QLabel *lblPagerId = nullptr;
    UpDown *updTogglePagerId = nullptr;

    QRadioButton *OptShortDate = nullptr, *OptLongDate = nullptr, *OptLongDate2 = nullptr;
    QLabel *lblShortDate = nullptr, *lblLongDate = nullptr, *lblLongDate2 = nullptr;
    QRadioButton *OptPCSystemDate = nullptr, *OptCallerIdStringDate = nullptr;

    QPushButton *cmdOkSetup = nullptr;
    QPushButton *cmdDefaultSetup = nullptr;

    void build(QWidget *dialog);
};
