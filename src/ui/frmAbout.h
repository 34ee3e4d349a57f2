#pragma once

#include "Form.h"

class DataFiles;
struct CallView;
class QLabel;
class QPushButton;

// The about box: the program's picture, title and version.
class frmAbout : public Form {
    Q_OBJECT
public:
    explicit frmAbout(DataFiles &files, CallView &view, QWidget *parent = nullptr);

    QLabel *Image1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *cmdOK = nullptr;

    void setBackColor(int bgr);

private:
    DataFiles &m_files;
    CallView &m_view;
};
