#include "frmDetectModem.h"

#include "AppState.h"
#include "MainWindowPort.h"
#include "UpDown.h"
#include "WindowColor.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

frmDetectModem::frmDetectModem(AppState &state, IPortConnection &port, QWidget *parent)
    : QWidget(parent, Qt::Window), m_state(state), m_port(port), m_search(state, *this, this)
{
    setObjectName(QStringLiteral("frmDetectModem"));
    setWindowTitle(QStringLiteral("Modem Detection"));
    setAttribute(Qt::WA_DeleteOnClose);

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setToolTip(QStringLiteral("Modem Detect Window"));
    List1->setMinimumSize(360, 220);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));

    Frame1 = new QGroupBox(this);
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
    auto *frameLayout = new QHBoxLayout(Frame1);
    frameLayout->addWidget(Label2);
    frameLayout->addWidget(lblPortNumber);
    frameLayout->addWidget(UpDownModemPort);
    frameLayout->addStretch();
    frameLayout->addWidget(Command2);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(List1);
    layout->addWidget(Label1);
    layout->addWidget(Frame1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    layout->addLayout(buttons);

    if (state.settings.colorNumber() > 0)
        setFormBackColor(this, state.settings.colorNumber());

    connect(UpDownModemPort, &UpDown::changed, this, [this](int selected) { showPortNumber(selected); });
    connect(Command2, &QPushButton::clicked, this, &frmDetectModem::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
}

void frmDetectModem::Form_Load()
{
    Frame1->hide();
    Command1->hide();
    show();
    m_search.automaticSearch();
    Frame1->show();
    Command1->show();
}

void frmDetectModem::Command2_Click()
{
    Command2->hide();
    Command1->hide();
    const bool hadModem = m_state.ModemConfigured;
    if (m_search.manualTest(lblPortNumber->text().toInt())) {
        // A port with no modem on it leaves the configured modem as it was; either way the
        // caller-ID port, closed for the test, is opened again.
        if (!m_state.ModemConfigured)
            m_state.ModemConfigured = hadModem;
        if (m_state.ModemConfigured)
            m_port.ModemPortOpen();
    }
    Command2->show();
    Command1->show();
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
    lblPortNumber->setText(QString::number(port));
}
