#pragma once

class QWidget;

// Brings a window to the front even when another program owns the foreground, restoring it
// when it is minimised.
class clsBringForm {
public:
    // True when the window already was the active window or could be activated.
    bool BringForegroundWindow(QWidget *window);
};
