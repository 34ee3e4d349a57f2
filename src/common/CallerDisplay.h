#pragma once

#include <QObject>
#include <QString>

// The main window's caller display (number, name, date and time) as texts. The window binds
// its labels to it; the reception, the log browser and the block command read and write it
// without needing the window.
class CallerDisplay : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // What the display shows when it shows no caller: the notice after calls that rang without
    // caller-ID data, and the ends of the call log.
    static inline const QString NoticeLine1 = QStringLiteral("Your Modem or ");
    static inline const QString NoticeLine2 = QStringLiteral("Phone Company do");
    static inline const QString NoticeLine3 = QStringLiteral("not show Caller ID !!");
    static inline const QString TopOfList = QStringLiteral("Top of the List");
    static inline const QString BottomOfList = QStringLiteral("Bottom of the List");

    // Whether a number shown is a caller's: not empty, and not the notice. Block and Dial take
    // nothing else for a number.
    static bool isCallerNumber(const QString &number) { return !number.trimmed().isEmpty() && number != NoticeLine1; }
    bool showsCaller() const
    {
        return isCallerNumber(m_number) && m_name != TopOfList && m_name != BottomOfList && m_name != NoticeLine2;
    }

    // The main window shows them in Label1, Label2 and Label3.
    QString number() const { return m_number; } // the caller's number
    QString name() const { return m_name; }     // the caller's name
    QString time() const { return m_time; }     // date, CR LF, time
    void setNumber(const QString &s) { set(m_number, s); }
    void setName(const QString &s) { set(m_name, s); }
    void setTime(const QString &s) { set(m_time, s); }
    void setAll(const QString &number, const QString &name, const QString &time)
    {
        m_number = number;
        m_name = name;
        m_time = time;
        emit changed();
    }
    void clear() { setAll(QString(), QString(), QString()); }

signals:
    void changed();

private:
    void set(QString &field, const QString &s)
    {
        if (field == s)
            return;
        field = s;
        emit changed();
    }
    QString m_number, m_name, m_time;
};
