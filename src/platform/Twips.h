#pragma once

#include <QRect>

// Window layouts are given in twips (1/1440 inch). At the usual 96 dots per inch a pixel is
// 15 twips.
int twipsPerPixel();
int twips(int t);
QRect twipsRect(int left, int top, int width, int height);
