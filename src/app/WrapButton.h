#pragma once

#include <QPushButton>

// A push button whose caption wraps onto several lines inside the button, as the service
// buttons need. Runs of two or more blanks in a caption mark a line break (the captions were
// written with blanks to force the break); text() keeps the caption exactly as given.
class WrapButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
    static QString shownText(const QString &caption);

protected:
    void paintEvent(QPaintEvent *event) override;
};
