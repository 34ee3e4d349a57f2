#include "clsBringForm.h"

#include <QApplication>
#include <QWidget>

bool clsBringForm::BringForegroundWindow(QWidget *window)
{
    if (!window)
        return false;
    if (window->isVisible() && QApplication::activeWindow() == window)
        return true;
    // Window managers refuse to hand the focus to a program the user is not working with;
    // raising the window and asking for activation is what a desktop allows.
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
    return QApplication::activeWindow() == window;
}
