#include "UpDown.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

UpDown::UpDown(int minimum, int maximum, int value, QWidget *parent)
    : QWidget(parent), m_min(minimum), m_max(maximum), m_value(std::clamp(value, minimum, maximum))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_up = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_down = new QToolButton(this);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton *b : {m_up, m_down}) {
        b->setFixedSize(18, 11);
        b->setAutoRepeat(true);
        layout->addWidget(b);
    }
    connect(m_up, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDown::stepDown);
}

void UpDown::step(int by)
{
    // At either end a click still reports the value: the owner shows it again, as it was.
    m_value = std::clamp(m_value + by, m_min, m_max);
    emit changed(m_value);
}

void UpDown::setValue(int value)
{
    m_value = std::clamp(value, m_min, m_max);
}
