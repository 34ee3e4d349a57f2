#include "WindowMessageBoxes.h"

#include <QMessageBox>

MsgAnswer WindowMessageBoxes::show(const MsgRecord &r)
{
    QMessageBox box;
    box.setWindowTitle(r.title);
    // The stored texts separate lines with a bare carriage return; Qt wants line feeds.
    QString shownText = r.text;
    shownText.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QChar(13), QChar(10));
    box.setText(shownText);
    bool yesNo = false;
    switch (r.style) {
    case MsgStyle::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgStyle::CriticalYesNo:
        box.setIcon(QMessageBox::Critical);
        yesNo = true;
        break;
    case MsgStyle::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgStyle::InfoYesNo:
        box.setIcon(QMessageBox::Information);
        yesNo = true;
        break;
    case MsgStyle::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgStyle::Question:
        box.setIcon(QMessageBox::Question);
        yesNo = true;
        break;
    case MsgStyle::Plain:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(r.style == MsgStyle::Question ? QMessageBox::No : QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    // A tray program may have no visible window: keep the box in front of everything.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    const int answer = box.exec();
    if (answer == QMessageBox::Yes)
        return vbYes;
    if (answer == QMessageBox::No)
        return vbNo;
    return vbOK;
}
