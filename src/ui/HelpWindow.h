#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;
class QToolButton;

// The help file of the program folder (HTML) in a window of its own: the contents at the top,
// a button back to them, and links followed inside the window.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // Shows the file from its contents; false when it cannot be read (the window then says so).
    bool showContents(const QString &helpFile);
    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser = nullptr;
    QToolButton *m_contents = nullptr;
    QToolButton *m_back = nullptr;
};
