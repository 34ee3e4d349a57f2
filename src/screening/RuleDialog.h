#pragma once

#include "RuleSet.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;

// Asks for one screening rule: allow or block, number or name, its pattern and a comment. The
// pattern's warning is shown as it is typed, so that a pattern that can never match is seen
// before it is stored.
class RuleDialog : public QDialog {
    Q_OBJECT
public:
    explicit RuleDialog(const ScreeningRule &rule, QWidget *parent = nullptr);
    ScreeningRule rule() const;

    QComboBox *cboAction = nullptr;
    QComboBox *cboField = nullptr;
    QLineEdit *txtPattern = nullptr;
    QLineEdit *txtComment = nullptr;
    QLabel *lblWarning = nullptr;

private:
    void showWarning();
    ScreeningRule m_rule;
};
