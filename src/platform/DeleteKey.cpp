#include "DeleteKey.h"

#include <QKeyEvent>
#include <QWidget>

DeleteKey::DeleteKey(QWidget *list) : QObject(list)
{
    list->installEventFilter(this);
}

bool DeleteKey::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        emit pressed();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
