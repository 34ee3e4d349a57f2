#pragma once

#include "Form.h"

#include <QList>

class DataFiles;
struct CallView;
class QGroupBox;
class QLabel;
class QPushButton;

// The colour chooser: fourteen colour buttons. A click makes that colour the program's window
// colour at once (`colorChosen`; the main window applies it to the windows); closing the
// chooser with its close box stores the choice in record 1 of acsetup.bin, or, when that write
// fails, gives back the colour held before.
class frmColorChoice : public Form {
    Q_OBJECT
public:
    struct Choice {
        const char *name;
        int color; // 0x00BBGGRR
        const char *tip;
    };
    static const QList<Choice> &choices();

    explicit frmColorChoice(DataFiles &files, CallView &view, QWidget *parent = nullptr);

    QLabel *Label2 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QList<QPushButton *> buttons; // in the order of choices()

    void colorClick(int color);
    void setBackColor(int bgr);

signals:
    void colorChosen(int color);
    // The choice could not be stored when the chooser closed: the colour held before it opened
    // is the windows' colour again.
    void colorRestored(int color);

protected:
    void Form_Unload(bool byUser) override;

private:
    DataFiles &m_files;
    CallView &m_view;
    QString m_colorBefore; // Color_Choice as the chooser found it
};
