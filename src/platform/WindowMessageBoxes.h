#pragma once

#include "MsgBox.h"

// The message boxes on the desktop: a modal box in front of everything, with the style's icon
// and buttons. The program installs one for its run (installMessageBoxes).
class WindowMessageBoxes : public MessageBoxes {
public:
    MsgAnswer show(const MsgRecord &box) override;
};
