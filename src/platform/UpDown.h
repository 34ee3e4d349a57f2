#pragma once

#include <QWidget>

class QToolButton;

// An up-down control without a buddy: two arrow buttons and a value of its own between a
// minimum and a maximum, moved by one per click. Nothing shows the value; the owner puts it
// where it wants on `changed`. The value is not read back from what the owner shows.
class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(int minimum, int maximum, int value, QWidget *parent = nullptr);

    int value() const { return m_value; }
    // Moves the value without a report (the owner shows it already).
    void setValue(int value);
    void stepUp() { step(1); }
    void stepDown() { step(-1); }

signals:
    void changed(int value);

private:
    void step(int by);

    QToolButton *m_up = nullptr;
    QToolButton *m_down = nullptr;
    int m_min;
    int m_max;
    int m_value;
};
