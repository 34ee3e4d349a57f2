#include "frmDetectModem.h"

#include "ComPorts.h"
#include "DataFiles.h"
#include "IPortConnection.h"
#include "ModemLine.h"
#include "MsgBox.h"
#include "UpDown.h"
#include "WindowColor.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QVBoxLayout>

frmDetectModem::frmDetectModem(ModemLine &line, DataFiles &files, CallView &callView, IPortConnection &port,
                               QWidget *parent)
    : QWidget(parent, Qt::Window), m_line(line), m_files(files), m_port(port),
      m_search(line, files, callView, *this, this)
{
    setObjectName(QStringLiteral("frmDetectModem"));
    setWindowTitle(QStringLiteral("Modem Detection"));
    setAttribute(Qt::WA_DeleteOnClose);

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setToolTip(QStringLiteral("Modem Detect Window"));
    List1->setMinimumSize(360, 220);
    List1->setWordWrap(true);
    lblProblems = new QLabel(this);
    lblProblems->setObjectName(QStringLiteral("lblProblems"));
    lblProblems->setWordWrap(true);
    lblProblems->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblProblems->hide();
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));

    // The message about a modem not found sends the user to "Modem Setup": this is it.
    Frame1 = new QGroupBox(QStringLiteral("Modem Setup"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Label2 = new QLabel(QStringLiteral("Modem Port"), Frame1);
    lblPortNumber = new QLabel(QStringLiteral("1"), Frame1);
    lblPortNumber->setObjectName(QStringLiteral("lblPortNumber"));
    lblPortNumber->setToolTip(QStringLiteral("Select the Modem Port"));
    lblPortNumber->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblPortNumber->setMinimumWidth(28);
    lblPortNumber->setAlignment(Qt::AlignCenter);
    UpDownModemPort = new UpDown(1, ModemSearch::LastPort, 1, Frame1);
    UpDownModemPort->setObjectName(QStringLiteral("UpDownModemPort"));
    UpDownModemPort->setToolTip(QStringLiteral("Click Up or Down to select the Modem Port"));
    Command2 = new QPushButton(QStringLiteral("Click h&ere to check Modem"), Frame1);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setToolTip(QStringLiteral("Click to check for a valid Modem on selected Port"));
    auto *testRow = new QHBoxLayout;
    testRow->addWidget(Label2);
    testRow->addWidget(lblPortNumber);
    testRow->addWidget(UpDownModemPort);
    testRow->addStretch();
    testRow->addWidget(Command2);

    // Any serial device (a PCI modem on /dev/ttyS4 is beyond the COM numbers' table) and any
    // caller-ID command, for a modem the search cannot find or judge.
    cboDevice = new QComboBox(Frame1);
    cboDevice->setObjectName(QStringLiteral("cboDevice"));
    cboDevice->setEditable(true);
    cboDevice->addItems(serialDevices());
    // The modem in use now comes first, as the device its COM number names.
    const QString current = comDevicePath(m_files.settings.comPortNumber(), m_files.folder());
    if (m_files.settings.comPortNumber() >= 1 && !current.isEmpty()) {
        if (cboDevice->findText(current) < 0)
            cboDevice->insertItem(0, current);
        cboDevice->setCurrentText(current);
    }
    cboDevice->setToolTip(QStringLiteral("The modem's device: a name from the list or any /dev/tty..."));
    cboDevice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboDevice->setMinimumContentsLength(24);
    cboCommand = new QComboBox(Frame1);
    cboCommand->setObjectName(QStringLiteral("cboCommand"));
    cboCommand->setEditable(true);
    cboCommand->addItems(ModemSearch::CallerIdCandidates);
    cboCommand->setToolTip(QStringLiteral("The command that switches the modem's caller ID on"));
    cmdUseModem = new QPushButton(QStringLiteral("&Use this modem"), Frame1);
    cmdUseModem->setObjectName(QStringLiteral("cmdUseModem"));
    auto *chooseRow = new QHBoxLayout;
    chooseRow->addWidget(new QLabel(QStringLiteral("Device"), Frame1));
    chooseRow->addWidget(cboDevice, 1);
    chooseRow->addWidget(new QLabel(QStringLiteral("Caller ID command"), Frame1));
    chooseRow->addWidget(cboCommand);
    chooseRow->addWidget(cmdUseModem);

    auto *frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addLayout(testRow);
    frameLayout->addLayout(chooseRow);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(List1);
    layout->addWidget(lblProblems);
    layout->addWidget(Label1);
    layout->addWidget(Frame1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    layout->addLayout(buttons);

    if (files.settings.colorNumber() > 0)
        setFormBackColor(this, files.settings.colorNumber());

    connect(UpDownModemPort, &UpDown::changed, this, [this](int selected) { showPortNumber(selected); });
    connect(Command2, &QPushButton::clicked, this, &frmDetectModem::Command2_Click);
    connect(cmdUseModem, &QPushButton::clicked, this, &frmDetectModem::cmdUseModem_Click);
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
}

QStringList frmDetectModem::serialDevices()
{
    QStringList devices;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name))
        devices << link.absoluteFilePath();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (!devices.contains(info.systemLocation()))
            devices << info.systemLocation();
    }
    return devices;
}

void frmDetectModem::closeEvent(QCloseEvent *event)
{
    if (m_search.running()) {
        m_closeWhenDone = true;
        m_search.stop();
        hide();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void frmDetectModem::afterSearch()
{
    if (m_closeWhenDone) {
        close();
        return;
    }
    // The first problem in view: the lines after it are often only more of the same.
    const QStringList problems = m_search.problems();
    if (!problems.isEmpty()) {
        const QList<QListWidgetItem *> items = List1->findItems(problems.first(), Qt::MatchExactly);
        if (!items.isEmpty())
            List1->scrollToItem(items.first(), QAbstractItemView::PositionAtTop);
    }
}

void frmDetectModem::Form_Load()
{
    Frame1->hide();
    Command1->hide();
    show();
    m_search.automaticSearch();
    Frame1->show();
    Command1->show();
    afterSearch();
}

void frmDetectModem::Command2_Click()
{
    Command2->hide();
    Command1->hide();
    lblProblems->clear();
    lblProblems->hide();
    const bool hadModem = m_line.ModemConfigured;
    if (m_search.manualTest(lblPortNumber->text().toInt())) {
        // A port with no modem on it leaves the configured modem as it was; either way the
        // caller-ID port, closed for the test, is opened again.
        if (!m_line.ModemConfigured)
            m_line.ModemConfigured = hadModem;
        if (m_line.ModemConfigured)
            m_port.ModemPortOpen();
    }
    Command2->show();
    Command1->show();
    afterSearch();
}

void frmDetectModem::cmdUseModem_Click()
{
    QString error;
    const bool chosen = m_search.chooseByHand(cboDevice->currentText(), cboCommand->currentText(), &error);
    // The caller-ID port let go of the modem while the chosen device was asked: it takes the
    // new modem, or the one in use before, again before anything waits for the user.
    if (m_search.tookThePort() && m_line.ModemConfigured)
        m_port.ModemPortOpen();
    if (m_closeWhenDone) {
        close();
        return;
    }
    if (!chosen)
        MsgBox(error, MsgStyle::Exclamation, QStringLiteral("Modem Detection"));
}

void frmDetectModem::clearList()
{
    List1->clear();
}

void frmDetectModem::addLine(const QString &line)
{
    List1->addItem(line);
    List1->scrollToBottom();
}

void frmDetectModem::setProgress(const QString &text)
{
    Label1->setText(text);
}

void frmDetectModem::showPortNumber(int port)
{
    // A search that found nothing has no port to show: the selector keeps its own.
    if (port < 1 || port > ModemSearch::LastPort)
        return;
    lblPortNumber->setText(QString::number(port));
    UpDownModemPort->setValue(port);
}

void frmDetectModem::showProblem(const QString &reason)
{
    const QString shown = lblProblems->text();
    lblProblems->setText(shown.isEmpty() ? reason : shown + QLatin1Char('\n') + reason);
    lblProblems->show();
}
