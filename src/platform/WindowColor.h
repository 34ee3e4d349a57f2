#pragma once

class QColor;
class QWidget;

// The program's colour numbers are 0x00BBGGRR: the lowest byte is red.
QColor vbColor(int bgr);

// A control that carries its own colour (a service button, a colour sample): its face and its
// background. Its caption keeps the system's text colour.
void setBackColor(QWidget *control, int bgr);

// A window's background colour. Only the window's own background changes: a palette set on the
// window itself would reach every child (menu bar, plain buttons, frames), and their texts could
// no longer be read on a dark colour. For a main window give its central widget.
void setFormBackColor(QWidget *background, int bgr);
