#pragma once

#include "Form.h"

class AppState;
class QLabel;
class QPushButton;

// The about box: the program's picture, title and version.
class frmAbout : public Form {
    Q_OBJECT
public:
    explicit frmAbout(AppState &state, QWidget *parent = nullptr);
    ~frmAbout() override;

    QLabel *Image1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *cmdOK = nullptr;

    void setBackColor(int bgr);

protected:
    void Form_Unload(bool byUser) override;

private:
    AppState &m_state;
};
