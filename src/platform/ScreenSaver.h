#pragma once

// Switches the desktop's screen saver on (true) or off (false) while a call rings.
// Uses the freedesktop ScreenSaver inhibition over the session bus; where there is no
// session bus or no such service, it quietly does nothing and answers false.
bool SetScreenSaverActive(bool active);

// Whether the program currently holds an inhibition (tests and the tray tip).
bool screenSaverInhibited();
