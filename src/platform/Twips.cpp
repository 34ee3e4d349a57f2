#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

int twipsPerPixel()
{
    const QScreen *s = QGuiApplication::primaryScreen();
    const double dpi = s ? s->logicalDotsPerInchX() : 96.0;
    return std::max(1, int(std::lround(1440.0 / (dpi > 0 ? dpi : 96.0))));
}

int twips(int t)
{
    return int(std::lround(double(t) / twipsPerPixel()));
}

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}
