#include "RuleDialog.h"

#include "ScreenPattern.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

RuleDialog::RuleDialog(const ScreeningRule &rule, QWidget *parent) : QDialog(parent), m_rule(rule)
{
    setObjectName(QStringLiteral("RuleDialog"));
    setWindowTitle(rule.id > 0 ? QStringLiteral("Edit Rule") : QStringLiteral("Add Rule"));
    auto *form = new QFormLayout(this);
    cboAction = new QComboBox(this);
    cboAction->addItems({QStringLiteral("Allow"), QStringLiteral("Block")});
    cboAction->setCurrentIndex(rule.action == RuleAction::Allow ? 0 : 1);
    cboField = new QComboBox(this);
    cboField->addItems({QStringLiteral("Number"), QStringLiteral("Name")});
    cboField->setCurrentIndex(rule.field == RuleField::Name ? 1 : 0);
    txtPattern = new QLineEdit(rule.pattern, this);
    txtPattern->setObjectName(QStringLiteral("txtPattern"));
    txtPattern->setMaxLength(int(ScreenPattern::MaxPatternLength));
    txtPattern->setPlaceholderText(QStringLiteral("^800, *WIRELESS*, /^1?555/"));
    txtComment = new QLineEdit(rule.comment, this);
    txtComment->setObjectName(QStringLiteral("txtComment"));
    lblWarning = new QLabel(this);
    lblWarning->setObjectName(QStringLiteral("lblWarning"));
    lblWarning->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(QStringLiteral("&Action:"), cboAction);
    form->addRow(QStringLiteral("&Looks at:"), cboField);
    form->addRow(QStringLiteral("&Pattern:"), txtPattern);
    form->addRow(QStringLiteral("&Comment:"), txtComment);
    form->addRow(lblWarning);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(txtPattern, &QLineEdit::textChanged, this, &RuleDialog::showWarning);
    connect(cboField, &QComboBox::currentIndexChanged, this, &RuleDialog::showWarning);
    connect(txtPattern, &QLineEdit::textChanged, this, [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!txtPattern->text().trimmed().isEmpty());
    });
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!rule.pattern.trimmed().isEmpty());
    showWarning();
    resize(420, sizeHint().height());
}

ScreeningRule RuleDialog::rule() const
{
    ScreeningRule r = m_rule;
    r.action = cboAction->currentIndex() == 0 ? RuleAction::Allow : RuleAction::Block;
    r.field = cboField->currentIndex() == 1 ? RuleField::Name : RuleField::Number;
    r.pattern = txtPattern->text().trimmed();
    r.comment = txtComment->text().simplified();
    return r;
}

void RuleDialog::showWarning()
{
    const ScreeningRule r = rule();
    lblWarning->setText(r.pattern.isEmpty() ? QString() : ScreenPattern::compile(r.pattern, r.field).warning);
}
