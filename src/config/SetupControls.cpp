#include "SetupControls.h"

#include "UpDown.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

template <typename T> T *named(T *w, const QString &name)
{
    w->setObjectName(name);
    return w;
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &caption, const QString &tip)
{
    auto *f = named(new QGroupBox(caption, parent), QLatin1String(name));
    f->setToolTip(tip);
    return f;
}

// A frame of Yes/No rows: the row caption in column 0, the buttons in columns 1 and 2 under
// the labels "Yes" and "No".
class YesNoGrid {
public:
    explicit YesNoGrid(QGroupBox *frame) : m_frame(frame), m_grid(new QGridLayout(frame))
    {
        m_grid->setColumnStretch(0, 1);
        m_grid->addWidget(new QLabel(QStringLiteral("Yes"), frame), 0, 1, Qt::AlignHCenter);
        m_grid->addWidget(new QLabel(QStringLiteral("No"), frame), 0, 2, Qt::AlignHCenter);
    }
    YesNo row(const char *name, const QString &caption, const QString &tip)
    {
        const int r = m_grid->rowCount();
        auto *label = new QLabel(caption, m_frame);
        label->setToolTip(tip);
        YesNo pair;
        pair.yes = named(new QRadioButton(m_frame), QLatin1String(name) + QLatin1String("Yes"));
        pair.no = named(new QRadioButton(m_frame), QLatin1String(name) + QLatin1String("No"));
        auto *group = new QButtonGroup(m_frame); // each pair is its own group of options
        for (QRadioButton *b : {pair.yes, pair.no}) {
            b->setToolTip(tip);
            group->addButton(b);
        }
        m_grid->addWidget(label, r, 0);
        m_grid->addWidget(pair.yes, r, 1, Qt::AlignHCenter);
        m_grid->addWidget(pair.no, r, 2, Qt::AlignHCenter);
        return pair;
    }
    QGridLayout *grid() const { return m_grid; }

private:
    QGroupBox *m_frame;
    QGridLayout *m_grid;
};

QLineEdit *textBox(QWidget *parent, const char *name, const QString &tip, int width = 0)
{
    auto *t = named(new QLineEdit(parent), QLatin1String(name));
    t->setToolTip(tip);
    if (width > 0)
        t->setFixedWidth(width);
    return t;
}

QLabel *valueLabel(QWidget *parent, const char *name, const QString &tip)
{
    auto *l = named(new QLabel(parent), QLatin1String(name));
    l->setToolTip(tip);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setMinimumWidth(28);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

UpDown *upDown(QWidget *parent, const char *name, int minimum, int maximum, const QString &tip)
{
    auto *u = named(new UpDown(minimum, maximum, minimum, parent), QLatin1String(name));
    u->setToolTip(tip);
    return u;
}

} // namespace

void YesNo::select(const QString &trueOrFalse) const
{
    // Checking a button through the program also runs its click handler (toggled), as the
    // dialog's loading wants.
    (trueOrFalse == QLatin1String("True") ? yes : no)->setChecked(true);
}

void SetupControls::build(QWidget *dialog)
{
    frameModem =
        frame(dialog, "frameModem", QStringLiteral("Modem Information"), QStringLiteral("Modem Name and its COM Port"));
    lblModemInfo = named(new QLabel(frameModem), QStringLiteral("lblModemInfo"));
    lblModemInfo->setToolTip(QStringLiteral("Modem name and its COM Port"));
    (new QVBoxLayout(frameModem))->addWidget(lblModemInfo);

    frameFeatures = frame(dialog, "frameFeatures", QStringLiteral("Caller ID Features"),
                          QStringLiteral("Select 'YES' or 'NO' for Caller ID features"));
    YesNoGrid features(frameFeatures);
    OptCallerIdSound = features.row("OptCallerIdSound", QStringLiteral("Caller ID Sound Enable"),
                                    QStringLiteral("Caller ID Talking Option at incoming call"));
    OptPopUpWindow = features.row("OptPopUpWindow", QStringLiteral("Caller ID Pop-Up Window"),
                                  QStringLiteral("Caller ID pop-up at incoming call, from system tray"));
    OptCallerIdMinimize = features.row("OptCallerIdMinimize", QStringLiteral("Caller ID Window Minimize"),
                                       QStringLiteral("Caller ID minimize to system tray after incoming call"));
    lblMinimizeTime = valueLabel(frameFeatures, "lblMinimizeTime",
                                 QStringLiteral("Select Time delay from 15 to 60 seconds to minimize to system tray"));
    updToggleMinimizeTime = upDown(frameFeatures, "updToggleMinimizeTime", 15, 60,
                                   QStringLiteral("Click Up or Down to change the Minimize Time"));
    auto *minimizeRow = new QHBoxLayout;
    minimizeRow->addWidget(new QLabel(QStringLiteral("Minimize Time"), frameFeatures));
    minimizeRow->addStretch();
    minimizeRow->addWidget(lblMinimizeTime);
    minimizeRow->addWidget(updToggleMinimizeTime);
    minimizeRow->addWidget(new QLabel(QStringLiteral("min."), frameFeatures));
    features.grid()->addLayout(minimizeRow, features.grid()->rowCount(), 0, 1, 3);

    frameForwarding = frame(dialog, "frameForwarding", QStringLiteral("Call Forwarding"),
                            QStringLiteral("Select 'YES' or 'NO' to enable/disable Call Forwarding. This feature is "
                                           "good to take calls during Internet or when you are away from home."));
    YesNoGrid forwarding(frameForwarding);
    OptCallForwarding = forwarding.row("OptCallForwarding", QStringLiteral("Call Forwarding Enable"), QString());
    txtCallForwardingNumber = textBox(frameForwarding, "txtCallForwardingNumber",
                                      QStringLiteral("Type your 2nd. Phone or Mobile Number for Call Forwarding"));
    txtCallForwardingPrefixOn = textBox(frameForwarding, "txtCallForwardingPrefixOn",
                                        QStringLiteral("Type the Call Forwarding Enable code, if not 72#"), 48);
    txtCallForwardingPrefixOff = textBox(frameForwarding, "txtCallForwardingPrefixOff",
                                         QStringLiteral("Type the Call Forwarding Disable code, if not 73#"), 48);
    txtAreaCode = textBox(frameForwarding, "txtAreaCode", QStringLiteral("Type your 3 digit local area code"), 48);
    QGridLayout *fg = forwarding.grid();
    int r = fg->rowCount();
    fg->addWidget(txtCallForwardingNumber, r, 0, 1, 3);
    auto *codes = new QGridLayout;
    codes->addWidget(new QLabel(QStringLiteral("On"), frameForwarding), 0, 0, Qt::AlignHCenter);
    codes->addWidget(new QLabel(QStringLiteral("Off"), frameForwarding), 0, 1, Qt::AlignHCenter);
    codes->addWidget(new QLabel(QStringLiteral("My Area Code"), frameForwarding), 1, 2, Qt::AlignRight);
    codes->addWidget(txtCallForwardingPrefixOn, 1, 0);
    codes->addWidget(txtCallForwardingPrefixOff, 1, 1);
    codes->addWidget(txtAreaCode, 1, 3);
    fg->addLayout(codes, r + 1, 0, 1, 3);

    frameBlocking = frame(dialog, "frameBlocking", QStringLiteral("Call Blocking"),
                          QStringLiteral("Select 'YES' or 'NO' to Block incoming calls"));
    YesNoGrid blocking(frameBlocking);
    OptBlockPrivate = blocking.row("OptBlockPrivate", QStringLiteral("Private Calls Block"),
                                   QStringLiteral("Select 'YES' or 'NO' to enable/disable Private Calls Block"));
    txtBlockPrivateCallsPrefixOn = textBox(frameBlocking, "txtBlockPrivateCallsPrefixOn",
                                           QStringLiteral("Type the Private calls Block code, if not *77"), 48);
    txtBlockPrivateCallsPrefixOff = textBox(frameBlocking, "txtBlockPrivateCallsPrefixOff",
                                            QStringLiteral("Type the Private calls UnBlock code, if not *87"), 48);
    auto *privateCodes = new QGridLayout;
    privateCodes->addWidget(new QLabel(QStringLiteral("Private Block"), frameBlocking), 0, 0, Qt::AlignHCenter);
    privateCodes->addWidget(new QLabel(QStringLiteral("Private UnBlock"), frameBlocking), 0, 1, Qt::AlignHCenter);
    privateCodes->addWidget(txtBlockPrivateCallsPrefixOn, 1, 0, Qt::AlignHCenter);
    privateCodes->addWidget(txtBlockPrivateCallsPrefixOff, 1, 1, Qt::AlignHCenter);
    blocking.grid()->addLayout(privateCodes, blocking.grid()->rowCount(), 0, 1, 3);
    OptBlockTelemarketers =
        blocking.row("OptBlockTelemarketers", QStringLiteral("TeleMarketers and Unknown Calls Block"),
                     QStringLiteral("Select 'YES' or 'NO' to enable/disable Telemarketers or Unknown Calls Block"));
    OptSelectedCalls = blocking.row("OptSelectedCalls", QStringLiteral("Selected Calls Block"),
                                    QStringLiteral("Select 'YES' or 'NO' to enable/disable selected Calls Block"));

    framePager =
        frame(dialog, "framePager", QStringLiteral("Caller Id sent to Pager"),
              QStringLiteral("Select 'YES' or 'NO' to enable/disable Caller ID information sent to your Pager"));
    YesNoGrid pager(framePager);
    OptSendToPager = pager.row("OptSendToPager", QStringLiteral("Caller ID Pager Notification"), QString());
    txtPagerNumber = textBox(framePager, "txtPagerNumber", QStringLiteral("Type your Pager Number"));
    lblPagerId = valueLabel(framePager, "lblPagerId", QStringLiteral("Select the Pager-ID from 0 to 9"));
    updTogglePagerId =
        upDown(framePager, "updTogglePagerId", 0, 9, QStringLiteral("Click Up or Down to change the Pager-ID"));
    auto *pagerRow = new QHBoxLayout;
    pagerRow->addWidget(new QLabel(QStringLiteral("Pager #"), framePager));
    pagerRow->addWidget(txtPagerNumber, 1);
    pagerRow->addWidget(new QLabel(QStringLiteral("Pager-ID"), framePager));
    pagerRow->addWidget(lblPagerId);
    pagerRow->addWidget(updTogglePagerId);
    pager.grid()->addLayout(pagerRow, pager.grid()->rowCount(), 0, 1, 3);

    frameDate = frame(dialog, "frameDate", QStringLiteral("Date Display Format"),
                      QStringLiteral("Select the Caller ID Display Date Format"));
    auto *dates = new QGridLayout(frameDate);
    auto *formats = new QButtonGroup(frameDate);
    auto *sources = new QButtonGroup(frameDate);
    auto option = [&](const char *name, const QString &caption, const QString &tip, QButtonGroup *group) {
        auto *b = named(new QRadioButton(caption, frameDate), QLatin1String(name));
        b->setToolTip(tip);
        group->addButton(b);
        return b;
    };
    auto sample = [&](const char *name, const QString &tip) {
        auto *l = named(new QLabel(frameDate), QLatin1String(name));
        l->setToolTip(tip);
        return l;
    };
    OptShortDate = option("OptShortDate", QString(), QStringLiteral("Date Format with m/d/yyyy"), formats);
    OptLongDate = option("OptLongDate", QString(), QStringLiteral("Date Format with month d, yyyy"), formats);
    OptLongDate2 = option("OptLongDate2", QString(), QStringLiteral("Date Format with Day Month d,yyyy"), formats);
    lblShortDate = sample("lblShortDate", OptShortDate->toolTip());
    lblLongDate = sample("lblLongDate", OptLongDate->toolTip());
    lblLongDate2 = sample("lblLongDate2", OptLongDate2->toolTip());
    OptPCSystemDate = option("OptPCSystemDate", QStringLiteral("PC System Date"),
                             QStringLiteral("Date format taken from your computer regional settings"), sources);
    OptCallerIdStringDate = option("OptCallerIdStringDate", QStringLiteral("Caller ID String Date"),
                                   QStringLiteral("Date format taken from incoming Caller ID String"), sources);
    const struct {
        QRadioButton *b;
        QLabel *l;
    } samples[] = {{OptShortDate, lblShortDate}, {OptLongDate, lblLongDate}, {OptLongDate2, lblLongDate2}};
    for (int i = 0; i < 3; ++i) {
        dates->addWidget(samples[i].b, i, 0);
        dates->addWidget(samples[i].l, i, 1);
    }
    dates->setColumnStretch(1, 1);
    dates->addWidget(OptPCSystemDate, 3, 0, 1, 2);
    dates->addWidget(OptCallerIdStringDate, 4, 0, 1, 2);

    cmdOkSetup = named(new QPushButton(QStringLiteral("&Apply"), dialog), QStringLiteral("cmdOkSetup"));
    cmdDefaultSetup =
        named(new QPushButton(QStringLiteral("&Default Setup"), dialog), QStringLiteral("cmdDefaultSetup"));

    auto *left = new QVBoxLayout;
    left->addWidget(frameModem);
    left->addWidget(frameFeatures);
    left->addWidget(frameForwarding);
    left->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(frameBlocking);
    right->addWidget(framePager);
    right->addWidget(frameDate);
    right->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOkSetup);
    buttons->addWidget(cmdDefaultSetup);
    buttons->addStretch();
    auto *columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    auto *all = new QVBoxLayout(dialog);
    all->addLayout(columns);
    all->addLayout(buttons);
}
