#pragma once

#include <QWidget>

class QCloseEvent;

// A window of the program other than the main window. Closing it unloads it: it is deleted,
// and the next use builds it again from the settings and files, running its load steps anew.
// Its unload handler learns whether the user closed it with the close box or the program
// unloaded it (the main window went to the tray, or the program ends).
class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget *parent = nullptr);

    // Closing by the close box, as the window system reports it; also what tests use.
    void closeBox();
    // Closed and waiting to be deleted: no longer the window to use.
    bool unloading() const { return m_unloading; }

protected:
    void closeEvent(QCloseEvent *event) final;
    // Nothing by default: most windows save nothing when unloaded.
    virtual void Form_Unload(bool byUser) { Q_UNUSED(byUser) }

private:
    bool m_unloading = false;
    bool m_closeBox = false;
};
