#include "LogBrowser.h"

#include "CallTexts.h"
#include "CallView.h"
#include "Settings.h"

namespace {

// The text from `key` to `endKey`, key removed, when both are there in that order.
bool take(const QString &record, const QString &key, const QString &endKey, QString &field)
{
    const qsizetype a = record.indexOf(key);
    const qsizetype b = record.indexOf(endKey);
    if (a < 0 || b <= a)
        return false;
    field = record.mid(a, b - a).remove(key);
    return true;
}

} // namespace

void LogBrowser::GetFromLogTopToBottom()
{
    int &p = m_view.LogPosition;
    if (p > 1) {
        --p;
        showRecord(p);
    } else {
        p = 0;
        m_view.display.setAll(QString(), CallerDisplay::BottomOfList, QString());
    }
}

void LogBrowser::GetFromLogBottomToTop()
{
    int &p = m_view.LogPosition;
    if (p < m_view.calls.nextRecord() - 1) {
        ++p;
        showRecord(p);
    } else {
        p = m_view.calls.nextRecord();
        m_view.display.setAll(QString(), CallerDisplay::TopOfList, QString());
    }
}

void LogBrowser::showAgain()
{
    int &p = m_view.LogPosition;
    if (p >= 1 && p < m_view.calls.nextRecord())
        ++p;
    if (p >= 0)
        GetFromLogTopToBottom();
}

void LogBrowser::showRecord(int position)
{
    const QString record = m_view.calls.at(position);
    if (!record.contains(QLatin1String("RG")))
        return;
    take(record, QStringLiteral("NM="), QStringLiteral("NB="), m_name);
    take(record, QStringLiteral("NB="), QStringLiteral("RG="), m_number);
    take(record, QStringLiteral("DT="), QStringLiteral("TM="), m_date);
    take(record, QStringLiteral("TM="), QStringLiteral("NM="), m_time);

    const QDate date = CallTexts::readShortDate(m_date);
    const QString dateText = date.isValid() ? CallTexts::displayDate(date, m_settings.DateFormat) : m_date;
    const QTime time = CallTexts::readTime(m_time);
    const QString timeText = time.isValid() ? CallTexts::amPm(time) : m_time;
    m_view.display.setAll(CallTexts::displayPattern(m_number), m_name, dateText + QStringLiteral("\r\n") + timeText);
}
