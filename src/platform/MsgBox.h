#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// The program's message boxes: one function, the four styles the program uses, and the
// answer codes the callers compare with (6 is Yes, 7 is No).
enum class MsgStyle {
    Critical,      // critical-stop icon, OK
    Information,   // information icon, OK
    Exclamation,   // exclamation icon, OK
    Question,      // question icon, Yes and No, No is the default
    CriticalYesNo, // critical-stop icon, Yes and No (the forwarding-left-on question)
    InfoYesNo,     // information icon, Yes and No
    Plain,         // no icon, OK
};

enum MsgAnswer : int { vbOK = 1, vbYes = 6, vbNo = 7 };

struct MsgRecord {
    QString text;
    MsgStyle style;
    QString title;
};

// Multi-line texts are joined by a single carriage return, as stored and compared everywhere.
QString crLines(const QStringList &lines);

// Once the program is ending no box opens: the call answers with the box's default.
MsgAnswer MsgBox(const QString &text, MsgStyle style, const QString &title);

// The answer a box gets when nobody can be asked: OK, and No to every question, so that
// nothing is done that nobody agreed to.
MsgAnswer safeAnswer(MsgStyle style);

// Who shows the boxes to a person: the desktop installs its message boxes. With none installed
// (no display: the service, the tests of the call core) every box is still named in the log, and
// is answered with its safe answer.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MsgAnswer show(const MsgRecord &box) = 0;
};
// `boxes` stays installed until another call replaces it (nullptr: none).
void installMessageBoxes(MessageBoxes *boxes);

// While one lives, boxes that only inform (OK boxes) are held back and shown from the event
// loop after the last one has gone: a refused call whose modem failed under it is stored before
// the user is told why. Questions are never held back; they need their answer at once.
class MsgBoxDeferral {
public:
    MsgBoxDeferral();
    ~MsgBoxDeferral();
    MsgBoxDeferral(const MsgBoxDeferral &) = delete;
    MsgBoxDeferral &operator=(const MsgBoxDeferral &) = delete;
};

// Test seam. While an instance lives, no box is shown: each is recorded in `shown` and answered
// from the queue, or with the box's default (OK, or No for Yes/No boxes) when the queue is empty.
// `onShow` runs while the box would be open, before the answer is returned.
class MsgBoxScript {
public:
    MsgBoxScript();
    ~MsgBoxScript();
    MsgBoxScript(const MsgBoxScript &) = delete;
    MsgBoxScript &operator=(const MsgBoxScript &) = delete;

    void answer(MsgAnswer a) { m_answers.append(a); }
    QStringList titles() const;
    QList<MsgRecord> shown;
    std::function<void(const MsgRecord &)> onShow;

private:
    friend MsgAnswer MsgBox(const QString &, MsgStyle, const QString &);
    MsgAnswer next(const MsgRecord &r);
    QList<MsgAnswer> m_answers;
};
