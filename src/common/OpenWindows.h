#pragma once

// Which of the windows over the main window are open: while one is, the end of a call leaves the
// main window up. The desktop's window keeper answers; a program without windows has none.
class IOpenWindows {
public:
    virtual ~IOpenWindows() = default;
    virtual bool anyOpen() const = 0;
};
