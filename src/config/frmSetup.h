#pragma once

#include "Form.h"
#include "SetupControls.h"
#include "SetupValues.h"

class AppState;

// The Setup dialog: the settings copied into pending values when it loads, changed by its
// controls, and saved (records 5 to 28) only by "&Apply". The close box saves nothing.
class frmSetup : public Form {
    Q_OBJECT
public:
    explicit frmSetup(AppState &state, QWidget *parent = nullptr);
    ~frmSetup() override;

    SetupControls ui;
    const SetupValues &pending() const { return m_values; }
    void setBackColor(int bgr);

    void cmdOkSetup_Click();
    void cmdDefaultSetup_Click();

protected:
    void Form_Unload(bool byUser) override;

private:
    void Form_Load();
    void bindOptions();
    void showValues();
    void takeTexts();

    AppState &m_state;
    SetupValues m_values;
};
