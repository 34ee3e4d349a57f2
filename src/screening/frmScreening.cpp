#include "frmScreening.h"

#include "BlockedFile.h"
#include "CallScreening.h"
#include "CallView.h"
#include "DataFiles.h"
#include "MsgBox.h"
#include "RuleDialog.h"
#include "Screening.h"
#include "ScreeningTransfer.h"
#include "WindowColor.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString Title = QStringLiteral("Call Screening");
// Before it is shown the window has no frame yet: room for its title bar and a desktop's task bar.
constexpr int TitleAndTaskBar = 64;
// The lines left out of an import that the box lists; the rest are counted.
constexpr int WarningsShown = 10;

QString kindOf(const ScreeningRule &r)
{
    return QStringLiteral("%1 %2").arg(r.action == RuleAction::Allow ? QStringLiteral("Allow")
                                                                     : QStringLiteral("Block"),
                                       r.field == RuleField::Name ? QStringLiteral("name") : QStringLiteral("number"));
}

QString counted(qsizetype n, const QString &one, const QString &many)
{
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
}

QString documents()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

// What an import took and left out, for the user.
QString importReport(const QString &path, const ScreeningTransfer::Imported &in)
{
    if (!in.stored)
        return in.error + QStringLiteral(". Nothing was imported.");
    QString text = QStringLiteral("%1 was read as %2: %3 and %4 taken.")
                       .arg(QFileInfo(path).fileName(), ScreeningFiles::kindName(in.kind),
                            counted(in.rules, QStringLiteral("rule"), QStringLiteral("rules")),
                            counted(in.aliases, QStringLiteral("name"), QStringLiteral("names")));
    if (!in.warnings.isEmpty()) {
        text += QStringLiteral("\n\nLeft out:\n") + in.warnings.mid(0, WarningsShown).join(QLatin1Char('\n'));
        if (in.warnings.size() > WarningsShown)
            text += QStringLiteral("\n... and %1 more").arg(in.warnings.size() - WarningsShown);
    }
    if (!in.error.isEmpty())
        text += QStringLiteral("\n\nThe rules could not be read again: ") + in.error;
    return text;
}

} // namespace

frmScreening::frmScreening(DataFiles &files, CallView &view, BlockedFile &blocked, QWidget *parent)
    : Form(parent), m_files(files), m_view(view), m_blocked(blocked), m_screening(Screening::current())
{
    setObjectName(QStringLiteral("frmScreening"));
    setWindowTitle(QStringLiteral("Call Screening"));
    buildControls();
    m_view.Timer2.stop();
    if (m_files.settings.colorNumber() > 0)
        setBackColor(m_files.settings.colorNumber());
    placeBelowMainWindow();
    showRules();
    // Typing goes to the test: the only thing here made for the keyboard first.
    txtTestNumber->setFocus();
}

void frmScreening::buildControls()
{
    setFixedSize(640, 440);
    auto *layout = new QVBoxLayout(this);
    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setWordWrap(true);
    lblProblem->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));
    layout->addWidget(lblProblem);

    lstRules = new QTreeWidget(this);
    lstRules->setObjectName(QStringLiteral("lstRules"));
    lstRules->setRootIsDecorated(false);
    lstRules->setAllColumnsShowFocus(true);
    lstRules->setHeaderLabels({QStringLiteral("Kind"), QStringLiteral("Pattern"), QStringLiteral("Comment"),
                               QStringLiteral("Calls"), QStringLiteral("Warning")});
    lstRules->setColumnWidth(0, 100);
    lstRules->setColumnWidth(1, 130);
    lstRules->setColumnWidth(2, 180);
    lstRules->setColumnWidth(3, 50);
    layout->addWidget(lstRules, 3);

    auto *buttons = new QHBoxLayout;
    cmdAdd = new QPushButton(QStringLiteral("&Add..."), this);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdEdit = new QPushButton(QStringLiteral("&Edit..."), this);
    cmdEdit->setObjectName(QStringLiteral("cmdEdit"));
    cmdRemove = new QPushButton(QStringLiteral("&Remove"), this);
    cmdRemove->setObjectName(QStringLiteral("cmdRemove"));
    cmdImport = new QPushButton(QStringLiteral("&Import..."), this);
    cmdImport->setObjectName(QStringLiteral("cmdImport"));
    cmdImport->setToolTip(
        QStringLiteral("Add the rules of NCID's block or allow list, its aliases, or contacts (.vcf)"));
    cmdExport = new QPushButton(QStringLiteral("E&xport"), this);
    cmdExport->setObjectName(QStringLiteral("cmdExport"));
    cmdExport->setToolTip(QStringLiteral("Save the rules as one of NCID's files"));
    auto *exportMenu = new QMenu(cmdExport);
    for (const auto &[kind, label] :
         {std::pair{ScreeningFiles::Kind::Blacklist, QStringLiteral("&Block list (ncidd.blacklist)...")},
          std::pair{ScreeningFiles::Kind::Whitelist, QStringLiteral("&Allow list (ncidd.whitelist)...")},
          std::pair{ScreeningFiles::Kind::Alias, QStringLiteral("&Names (ncidd.alias)...")}}) {
        QAction *a = exportMenu->addAction(label);
        // A copy: a structured binding is not captured by every compiler (clang before 16).
        connect(a, &QAction::triggered, this, [this, k = kind] { exportList(k); });
        exportActions << a;
    }
    cmdExport->setMenu(exportMenu);
    chkAllowOnly = new QCheckBox(QStringLiteral("Allow &only the allow list"), this);
    chkAllowOnly->setObjectName(QStringLiteral("chkAllowOnly"));
    chkAllowOnly->setToolTip(QStringLiteral("Refuse every caller that no allow rule lets through"));
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdEdit);
    buttons->addWidget(cmdRemove);
    buttons->addWidget(cmdImport);
    buttons->addWidget(cmdExport);
    buttons->addStretch();
    buttons->addWidget(chkAllowOnly);
    layout->addLayout(buttons);

    layout->addWidget(new QLabel(QStringLiteral("Names of your own for callers:"), this));
    lstAliases = new QTreeWidget(this);
    lstAliases->setObjectName(QStringLiteral("lstAliases"));
    lstAliases->setRootIsDecorated(false);
    lstAliases->setHeaderLabels({QStringLiteral("Number"), QStringLiteral("Shown as")});
    lstAliases->setColumnWidth(0, 160);
    layout->addWidget(lstAliases, 1);

    auto *test = new QGridLayout;
    txtTestNumber = new QLineEdit(this);
    txtTestNumber->setObjectName(QStringLiteral("txtTestNumber"));
    txtTestNumber->setPlaceholderText(QStringLiteral("Number, e.g. 8005551234"));
    txtTestName = new QLineEdit(this);
    txtTestName->setObjectName(QStringLiteral("txtTestName"));
    txtTestName->setPlaceholderText(QStringLiteral("Name (empty: withheld)"));
    cmdTest = new QPushButton(QStringLiteral("&Test"), this);
    cmdTest->setObjectName(QStringLiteral("cmdTest"));
    cmdTest->setToolTip(QStringLiteral("What would happen to a call from this number and name, and why"));
    lblTestResult = new QLabel(this);
    lblTestResult->setObjectName(QStringLiteral("lblTestResult"));
    lblTestResult->setWordWrap(true);
    lblTestResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *testLabel = new QLabel(QStringLiteral("Test a &number and name:"), this);
    testLabel->setBuddy(txtTestNumber);
    test->addWidget(testLabel, 0, 0, 1, 3);
    test->addWidget(txtTestNumber, 1, 0);
    test->addWidget(txtTestName, 1, 1);
    test->addWidget(cmdTest, 1, 2);
    test->addWidget(lblTestResult, 2, 0, 1, 3);
    layout->addLayout(test);

    connect(cmdAdd, &QPushButton::clicked, this, &frmScreening::cmdAdd_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &frmScreening::cmdEdit_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmScreening::cmdRemove_Click);
    connect(cmdImport, &QPushButton::clicked, this, &frmScreening::cmdImport_Click);
    connect(chkAllowOnly, &QCheckBox::clicked, this, &frmScreening::chkAllowOnly_Click);
    connect(cmdTest, &QPushButton::clicked, this, &frmScreening::cmdTest_Click);
    connect(txtTestNumber, &QLineEdit::returnPressed, this, &frmScreening::cmdTest_Click);
    connect(txtTestName, &QLineEdit::returnPressed, this, &frmScreening::cmdTest_Click);
    connect(lstRules, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (usable())
            cmdEdit_Click();
    });
}

void frmScreening::placeBelowMainWindow()
{
    // Centred below the main window, as the Calls Log is, and kept on the screen: the main window
    // is not covered.
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect s = screen->availableGeometry();
    const QWidget *main = parentWidget();
    const int mainBottom = main ? main->frameGeometry().bottom() : s.top();
    const int top = std::max(s.top(), std::min(mainBottom + 8, s.bottom() - height() - TitleAndTaskBar));
    move(s.left() + (s.width() - frameGeometry().width()) / 2, top);
}

void frmScreening::setBackColor(int bgr)
{
    setFormBackColor(this, bgr);
}

bool frmScreening::usable() const
{
    return m_screening && m_screening->store().isOpen();
}

void frmScreening::showRules()
{
    const bool canWrite = usable();
    QString problem;
    if (!m_screening)
        problem = QStringLiteral("Call screening is not available: calls are screened by the blocked list and the "
                                 "telemarketer switch only.");
    else if (!canWrite)
        problem = m_screening->problem().isEmpty()
                      ? QStringLiteral("The screening rules cannot be stored in this folder.")
                      : m_screening->problem();
    lblProblem->setText(problem);
    lblProblem->setVisible(!problem.isEmpty());
    for (QWidget *w : QList<QWidget *>{cmdAdd, cmdEdit, cmdRemove, cmdImport, cmdExport, chkAllowOnly})
        w->setEnabled(canWrite);

    const qint64 selected = selectedRule() ? selectedRule()->id : 0;
    lstRules->clear();
    lstAliases->clear();
    if (!m_screening)
        return;
    const RuleSet &set = m_screening->rules();
    m_shownChanges = m_screening->changes();
    chkAllowOnly->setChecked(set.allowOnly);
    for (int i = 0; i < set.rules().size(); ++i) {
        const ScreeningRule &r = set.rules().at(i);
        auto *item =
            new QTreeWidgetItem({kindOf(r), r.pattern, r.comment, QString::number(r.matches), set.warningOf(i)});
        item->setData(0, Qt::UserRole, r.id);
        if (!set.warningOf(i).isEmpty()) {
            item->setForeground(4, QColor(0xa0, 0, 0));
            item->setToolTip(1, set.warningOf(i));
            item->setToolTip(4, set.warningOf(i));
        }
        lstRules->addTopLevelItem(item);
        if (r.id == selected)
            lstRules->setCurrentItem(item);
    }
    QStringList numbers = set.aliases().keys();
    numbers.sort();
    for (const QString &n : std::as_const(numbers))
        lstAliases->addTopLevelItem(new QTreeWidgetItem({n, set.aliases().value(n)}));
}

std::optional<ScreeningRule> frmScreening::selectedRule() const
{
    const QTreeWidgetItem *item = lstRules->currentItem();
    if (!item || !m_screening)
        return std::nullopt;
    const qint64 id = item->data(0, Qt::UserRole).toLongLong();
    for (const ScreeningRule &r : m_screening->rules().rules()) {
        if (r.id == id)
            return r;
    }
    return std::nullopt;
}

void frmScreening::tell(bool ok, const QString &text)
{
    MsgBox(text, ok ? MsgStyle::Information : MsgStyle::Exclamation, Title);
}

void frmScreening::store(const ScreeningRule &asked, bool added)
{
    // The dialog ran its own event loop: the store may have been closed, or the window unloaded.
    if (!usable())
        return;
    ScreeningRule rule = asked;
    rule.pattern = rule.pattern.trimmed();
    if (rule.pattern.isEmpty()) {
        tell(false, QStringLiteral("A rule needs a pattern: nothing was stored."));
        return;
    }
    QString error;
    const bool ok = added ? m_screening->addRule(&rule, &error) : m_screening->updateRule(rule, &error);
    showRules();
    if (!ok)
        tell(false, QStringLiteral("The rule %1 was not stored: %2").arg(rule.pattern, error));
}

void frmScreening::cmdAdd_Click()
{
    if (!usable())
        return;
    ScreeningRule blank;
    const QPointer<frmScreening> alive(this);
    std::optional<ScreeningRule> rule;
    if (editRule) {
        rule = editRule(blank);
    } else {
        RuleDialog dialog(blank, this);
        if (dialog.exec() == QDialog::Accepted)
            rule = dialog.rule();
    }
    if (alive && rule)
        store(*rule, true);
}

void frmScreening::cmdEdit_Click()
{
    const std::optional<ScreeningRule> current = selectedRule();
    if (!usable() || !current)
        return;
    const QPointer<frmScreening> alive(this);
    std::optional<ScreeningRule> rule;
    if (editRule) {
        rule = editRule(*current);
    } else {
        RuleDialog dialog(*current, this);
        if (dialog.exec() == QDialog::Accepted)
            rule = dialog.rule();
    }
    if (alive && rule) {
        rule->id = current->id; // the same rule, whatever the dialog made of it
        store(*rule, false);
    }
}

void frmScreening::cmdRemove_Click()
{
    const std::optional<ScreeningRule> current = selectedRule();
    if (!usable() || !current)
        return;
    const QPointer<frmScreening> alive(this);
    const MsgAnswer answer =
        MsgBox(QStringLiteral("Remove the rule %1 (%2)?").arg(current->pattern, kindOf(*current).toLower()),
               MsgStyle::Question, Title);
    if (!alive || answer != vbYes || !usable())
        return;
    QString error;
    const bool ok = m_screening->removeRule(current->id, &error);
    showRules();
    if (!ok)
        tell(false, QStringLiteral("The rule %1 was not removed: %2").arg(current->pattern, error));
}

void frmScreening::cmdImport_Click()
{
    if (!usable())
        return;
    // The dialog runs its own event loop: the window may be unloaded, or the store closed, meanwhile.
    const QPointer<frmScreening> alive(this);
    const QString path =
        chooseImportFile
            ? chooseImportFile()
            : QFileDialog::getOpenFileName(
                  this, QStringLiteral("Import Screening List"), documents(),
                  QStringLiteral("Screening lists (*.blacklist *.whitelist *.alias *.vcf);;All files (*)"));
    if (!alive || path.isEmpty() || !usable())
        return;
    // A list of many thousands takes a few seconds to store.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const ScreeningTransfer::Imported in = ScreeningTransfer::importFile(*m_screening, path);
    QGuiApplication::restoreOverrideCursor();
    showRules(); // before the box: a call may come in while it is open
    tell(in.stored && in.warnings.isEmpty() && in.error.isEmpty(), importReport(path, in));
}

void frmScreening::exportList(ScreeningFiles::Kind kind)
{
    if (!usable())
        return;
    const QPointer<frmScreening> alive(this);
    const QString suggested = QDir(documents()).filePath(ScreeningTransfer::fileNameOf(kind));
    const QString path = chooseExportFile
                             ? chooseExportFile(kind, suggested)
                             : QFileDialog::getSaveFileName(
                                   this, QStringLiteral("Export the ") + ScreeningFiles::kindName(kind), suggested);
    if (!alive || path.isEmpty() || !usable())
        return;
    QString error;
    if (ScreeningTransfer::exportFile(m_screening->rules(), kind, path, &error))
        tell(true, QStringLiteral("The %1 was written to %2.").arg(ScreeningFiles::kindName(kind), path));
    else
        tell(false, QStringLiteral("The %1 was not written to %2: %3. Nothing there was changed.")
                        .arg(ScreeningFiles::kindName(kind), path, error));
}

void frmScreening::changeEvent(QEvent *event)
{
    // Another process (the command line) or another window may have changed the rules: listed
    // again when they did (a long list is not rebuilt for nothing).
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_screening) {
        m_screening->refresh();
        if (m_screening->changes() != m_shownChanges)
            showRules();
    }
    Form::changeEvent(event);
}

void frmScreening::chkAllowOnly_Click(bool on)
{
    if (!usable())
        return;
    QString error;
    const bool ok = m_screening->setAllowOnly(on, &error);
    showRules(); // the box shows what is stored
    if (!ok)
        tell(false, QStringLiteral("The switch was not changed: ") + error);
}

void frmScreening::cmdTest_Click()
{
    const QString number = txtTestNumber->text().trimmed();
    if (number.isEmpty() && txtTestName->text().trimmed().isEmpty()) {
        lblTestResult->setText(QStringLiteral("Type a number, a name, or both."));
        return;
    }
    const CallScreening::Decision d =
        CallScreening::check(number, txtTestName->text().trimmed(), m_files.settings.BlockTeleMarketersStatus,
                             m_blocked, usable() ? m_screening : nullptr);
    lblTestResult->setText(CallScreening::describe(d));
}
