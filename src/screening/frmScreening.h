#pragma once

#include "Form.h"
#include "RuleSet.h"
#include "ScreeningFiles.h"

#include <functional>
#include <optional>

class BlockedFile;
class DataFiles;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class Screening;
struct CallView;

// The Screening window: the user's rules (kind, pattern, comment, calls matched, and why a pattern
// can never match), the names of the user's own for numbers, Add, Edit and Remove, NCID's lists and
// contacts imported and NCID's lists exported, the "allow only the allow list" switch, and a number
// and name tried as a call would be. A store that cannot be used is said so, and nothing that would
// write is offered. The rules are read again whenever the window is activated: the command line or
// the Calls Log may have changed them meanwhile.
class frmScreening : public Form {
    Q_OBJECT
public:
    frmScreening(DataFiles &files, CallView &view, BlockedFile &blocked, QWidget *parent = nullptr);

    QLabel *lblProblem = nullptr;
    QTreeWidget *lstRules = nullptr;
    QTreeWidget *lstAliases = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdEdit = nullptr;
    QPushButton *cmdRemove = nullptr;
    QPushButton *cmdImport = nullptr;
    QPushButton *cmdExport = nullptr; // its menu: one entry for each kind of list
    QList<QAction *> exportActions;   // block list, allow list, aliases
    QCheckBox *chkAllowOnly = nullptr;
    QLineEdit *txtTestNumber = nullptr;
    QLineEdit *txtTestName = nullptr;
    QPushButton *cmdTest = nullptr;
    QLabel *lblTestResult = nullptr;
    // The rule Add or Edit stores; nullopt when the user cancels. A dialog unless a test says.
    std::function<std::optional<ScreeningRule>(const ScreeningRule &)> editRule;
    // The file Import... reads, and the file Export... writes a kind of list to (offered under the
    // name NCID gives it); empty when the user cancels. File dialogs unless a test says.
    std::function<QString()> chooseImportFile;
    std::function<QString(ScreeningFiles::Kind kind, const QString &suggested)> chooseExportFile;

    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdRemove_Click();
    void cmdImport_Click();
    void exportList(ScreeningFiles::Kind kind);
    void chkAllowOnly_Click(bool on);
    void cmdTest_Click();
    void setBackColor(int bgr);
    // Lists the rules and names as the store has them now.
    void showRules();

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildControls();
    void placeBelowMainWindow();
    bool usable() const;
    // The rule of the selected line, or nullopt.
    std::optional<ScreeningRule> selectedRule() const;
    void store(const ScreeningRule &rule, bool added);
    void tell(bool ok, const QString &text);

    DataFiles &m_files;
    CallView &m_view;
    BlockedFile &m_blocked;
    Screening *m_screening = nullptr;
    quint64 m_shownChanges = 0; // Screening::changes() when the rules were last listed
};
