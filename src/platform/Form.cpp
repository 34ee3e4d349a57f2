#include "Form.h"

#include <QCloseEvent>

Form::Form(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

void Form::closeBox()
{
    m_closeBox = true;
    close();
}

void Form::closeEvent(QCloseEvent *event)
{
    // Only the window system's close is spontaneous: a close() of the program's own is not.
    const bool byUser = event->spontaneous() || m_closeBox;
    m_unloading = true;
    event->accept();
    Form_Unload(byUser);
}
