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
