#pragma once

#include <QObject>

class QWidget;

// The Delete key (key code 46) pressed in a list: reported by `pressed`, the key consumed. A
// filter on the list itself, not a shortcut, so that only the list with the keyboard focus
// reacts and the key reaches it however the window was activated.
class DeleteKey : public QObject {
    Q_OBJECT
public:
    explicit DeleteKey(QWidget *list);

signals:
    void pressed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
