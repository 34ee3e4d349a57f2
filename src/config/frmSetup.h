#pragma once

#include "Form.h"
#include "SetupControls.h"
#include "SetupValues.h"

#include <QList>
#include <memory>

class DataFiles;
struct CallView;
class SetupGroup;

// The Setup dialog: the settings copied into pending values when it loads, changed by its
// controls, and saved only by "&Apply": records 5 to 28, and the groups kept in ringlark.conf.
// The close box saves nothing.
class frmSetup : public Form {
    Q_OBJECT
public:
    frmSetup(DataFiles &files, CallView &view, QWidget *parent = nullptr);
    ~frmSetup() override; // where Records is whole

    SetupControls ui;
    const SetupValues &pending() const { return m_values; }
    void setBackColor(int bgr);

    void cmdOkSetup_Click();
    void cmdDefaultSetup_Click();

private:
    void Form_Load();
    void bindOptions();
    void showValues();
    void takeTexts();

    class Records;
    DataFiles &m_files;
    CallView &m_view;
    SetupValues m_values;
    std::unique_ptr<Records> m_records;
    QList<SetupGroup *> m_groups; // in the order Apply saves them
};
