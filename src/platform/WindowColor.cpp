#include "WindowColor.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

QColor vbColor(int bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

void setBackColor(QWidget *control, int bgr)
{
    QPalette p = control->palette();
    p.setColor(QPalette::Button, vbColor(bgr));
    p.setColor(QPalette::Window, vbColor(bgr));
    control->setPalette(p);
    control->setAutoFillBackground(true);
}

void setFormBackColor(QWidget *background, int bgr)
{
    // Painted, not inherited: the children keep the palette they had, so a button's face and
    // outline, a frame and a menu stay in the system's colours whatever the user picked. The
    // children are pinned first; a palette set on the window afterwards no longer reaches them.
    for (QWidget *child : background->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child->testAttribute(Qt::WA_SetPalette))
            continue; // a colour of its own (the display panel, a service button) stays
        QPalette c = child->palette();
        c.setColor(QPalette::Window, c.color(QPalette::Window));
        child->setPalette(c);
    }
    QPalette p = background->palette();
    p.setColor(QPalette::Window, vbColor(bgr));
    background->setPalette(p);
    background->setAutoFillBackground(true);
}
