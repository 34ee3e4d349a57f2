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

    // Whether a number shown in Label1 is a caller's: not empty, and not the notice. Block and
    // Dial take nothing else for a number.
    static bool isCallerNumber(const QString &label1)
    {
        return !label1.trimmed().isEmpty() && label1 != NoticeLine1;
    }
    bool showsCaller() const
    {
        return isCallerNumber(m_l1) && m_l2 != TopOfList && m_l2 != BottomOfList && m_l2 != NoticeLine2;
    }

    QString Label1() const { return m_l1; } // caller's number
    QString Label2() const { return m_l2; } // caller's name
    QString Label3() const { return m_l3; } // date, CR LF, time
    void setLabel1(const QString &s) { set(m_l1, s); }
    void setLabel2(const QString &s) { set(m_l2, s); }
    void setLabel3(const QString &s) { set(m_l3, s); }
    void setAll(const QString &l1, const QString &l2, const QString &l3)
    {
        m_l1 = l1;
        m_l2 = l2;
        m_l3 = l3;
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
    QString m_l1, m_l2, m_l3;
};
