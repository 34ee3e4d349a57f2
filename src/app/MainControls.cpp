#include "MainControls.h"

#include "Twips.h"
#include "WrapButton.h"

#include <QAction>
#include <QColor>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>

namespace {

// The client area: 3,600 x 3,800 twips.
constexpr int ClientWidth = 3600;
constexpr int ClientHeight = 3800;

QFont designFont(const QStringList &families, double points, bool bold = false)
{
    QFont f;
    f.setFamilies(families);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QFont arial(double points, bool bold = false)
{
    return designFont({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
                      points, bold);
}

QFont sansSerif()
{
    return designFont({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                       QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
                      8.25);
}

template <typename T> T *named(T *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QLabel *displayLabel(QWidget *parent, const char *name, double points, const QString &tip)
{
    auto *l = named(new QLabel(parent), name);
    l->setFont(arial(points, true));
    l->setToolTip(tip);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A caller-ID display: light characters on the black panel.
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(0x9c, 0xff, 0x57));
    l->setPalette(p);
    return l;
}

WrapButton *serviceButton(QWidget *parent, const char *name, const QString &caption, const QString &tip)
{
    auto *b = named(new WrapButton(caption, parent), name);
    b->setFont(arial(7.5));
    if (!tip.isEmpty())
        b->setToolTip(tip);
    setBackColor(b, ServiceOffColor);
    return b;
}

QPushButton *commandButton(QWidget *parent, const char *name, const QString &caption, const QString &tip, int left,
                           int top, int width)
{
    auto *b = named(new QPushButton(caption, parent), name);
    b->setFont(sansSerif());
    b->setToolTip(tip);
    b->setGeometry(twipsRect(left, top, width, 290));
    return b;
}

} // namespace

void MainControls::build(QMainWindow *window)
{
    client = named(new QWidget(window), "client");
    client->setFixedSize(twips(ClientWidth), twips(ClientHeight));
    window->setCentralWidget(client);

    Image1 = named(new QLabel(client), "Image1");
    Image1->setAutoFillBackground(true);
    QPalette black = Image1->palette();
    black.setColor(QPalette::Window, Qt::black);
    Image1->setPalette(black);
    Image1->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    Label4 = displayLabel(client, "Label4", 10.5, QString());
    Label1 = displayLabel(client, "Label1", 13.5, QStringLiteral("Caller's Number Display"));
    Label2 = displayLabel(client, "Label2", 13.5, QStringLiteral("Caller's Name Display"));
    Label3 = displayLabel(client, "Label3", 9, QStringLiteral("Call Date and Time Display"));
    Label5 = displayLabel(client, "Label5", 10.5, QString());

    cmdCallForwardingON = serviceButton(client, "cmdCallForwardingON", QStringLiteral("Turn &ON Call Forwarding"),
                                        QStringLiteral("Call Forwarding of incoming calls to second phone"));
    cmdCallForwardingOFF =
        serviceButton(client, "cmdCallForwardingOFF", QStringLiteral("Turn &OFF Call Forwarding"), QString());
    cmdBlockTelemarketers = serviceButton(client, "cmdBlockTelemarketers", QStringLiteral("Block &Telemarketers"),
                                          QStringLiteral("Block the Telemarketers and Unknown Calls."));
    cmdReleaseTelemarketers = serviceButton(client, "cmdReleaseTelemarketers", QStringLiteral("Release &Telemarketers"),
                                            QStringLiteral("Enable the Telemarketers and Unknown Calls"));
    cmdBlockPrivateCalls =
        serviceButton(client, "cmdBlockPrivateCalls", QStringLiteral("         Block         &Private Calls "),
                      QStringLiteral("Block all the incoming Private Calls"));
    cmdReleasePrivateCalls = serviceButton(client, "cmdReleasePrivateCalls", QStringLiteral(" Release &Private Calls"),
                                           QStringLiteral("Enable the Private Calls"));
    cmdPagerNotificationON =
        serviceButton(client, "cmdPagerNotificationON", QStringLiteral("Turn ON Pager &Notification"),
                      QStringLiteral("Incoming calls notification to your Pager"));
    cmdPagerNotificationOFF =
        serviceButton(client, "cmdPagerNotificationOFF", QStringLiteral("Turn OFF Pager &Notification"), QString());

    cmdDownLog = commandButton(client, "cmdDownLog", QStringLiteral("<==="),
                               QStringLiteral("Calls Display from next to previous"), 840, 3000, 732);
    cmdUpLog = commandButton(client, "cmdUpLog", QStringLiteral("===>"),
                             QStringLiteral("Calls Display from previous to next"), 2110, 3000, 732);
    cmdCallLog = commandButton(client, "cmdCallLog", QStringLiteral("&Log"), QStringLiteral("Calls Log Display Button"),
                               120, 3480, 440);
    Command1 = commandButton(client, "Command1", QStringLiteral("&UnBlock"),
                             QStringLiteral("UnBlock the numbers which are alreday Blocked"), 700, 3480, 760);
    cmdZap = commandButton(client, "cmdZap", QStringLiteral("&ZAP"),
                           QStringLiteral("Zap the incoming call instantly during ringing"), 1610, 3480, 470);
    cmdBlock = commandButton(client, "cmdBlock", QStringLiteral("&Block"), QStringLiteral("Block the displayed number"),
                             2210, 3480, 760);
    cmdDial = commandButton(client, "cmdDial", QStringLiteral("&Dial"), QStringLiteral("Dial the displayed number"),
                            3120, 3480, 440);

    QMenuBar *bar = window->menuBar();
    mnuFile = named(bar->addMenu(QStringLiteral("&File")), "mnuFile");
    mnuRestore = named(mnuFile->addAction(QStringLiteral("&Restore")), "mnuRestore");
    mnuConnectPort = named(mnuFile->addAction(QStringLiteral("&Connect Port")), "mnuConnectPort");
    mnuReleasePort = named(mnuFile->addAction(QStringLiteral("Release &Port")), "mnuReleasePort");
    // In the File menu: the menu bar of the narrow main window has no room left for another entry.
    mnuScreening = named(mnuFile->addAction(QStringLiteral("Call &Screening...")), "mnuScreening");
    mnuExit = named(mnuFile->addAction(QStringLiteral("E&xit")), "mnuExit");
    mnuSetup = named(bar->addAction(QStringLiteral("&Setup")), "mnuSetup");
    DisplayColor = named(bar->addAction(QStringLiteral("&Color")), "DisplayColor");
    mnuModemSelection = named(bar->addAction(QStringLiteral("&Modem")), "mnuModemSelection");
    mnuHelp = named(bar->addMenu(QStringLiteral("&Help")), "mnuHelp");
    mnuHelpHelp = named(mnuHelp->addAction(QStringLiteral("&Help")), "mnuHelpHelp");
    mnuAbout = named(mnuHelp->addAction(QStringLiteral("&About")), "mnuAbout");
}

void MainControls::layoutDisplayAndServices()
{
    Image1->setGeometry(twipsRect(270, 1230, 3125, 1630));
    Label4->setGeometry(twipsRect(350, 1310, 2970, 110));
    Label1->setGeometry(twipsRect(350, 1410, 2970, 420));
    Label2->setGeometry(twipsRect(350, 1830, 2970, 420));
    Label3->setGeometry(twipsRect(350, 2250, 2970, 420));
    Label5->setGeometry(twipsRect(350, 2670, 2970, 120));
    cmdDownLog->setGeometry(twipsRect(840, 3000, 732, 290));
    cmdUpLog->setGeometry(twipsRect(2110, 3000, 732, 290));

    const struct {
        WrapButton *on, *off;
        int left, top;
    } places[] = {
        {cmdCallForwardingON, cmdCallForwardingOFF, 480, 120},
        {cmdBlockTelemarketers, cmdReleaseTelemarketers, 1890, 120},
        {cmdBlockPrivateCalls, cmdReleasePrivateCalls, 480, 670},
        {cmdPagerNotificationON, cmdPagerNotificationOFF, 1890, 670},
    };
    for (const auto &p : places) {
        p.on->setGeometry(twipsRect(p.left, p.top, 1310, 470));
        p.off->setGeometry(twipsRect(p.left, p.top, 1310, 470));
    }
}
