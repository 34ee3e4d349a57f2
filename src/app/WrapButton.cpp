#include "WrapButton.h"

#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QStylePainter>

QString WrapButton::shownText(const QString &caption)
{
    static const QRegularExpression breaks(QStringLiteral(" {2,}"));
    QStringList lines = caption.split(breaks, Qt::SkipEmptyParts);
    for (QString &l : lines)
        l = l.trimmed();
    lines.removeAll(QString());
    return lines.join(QLatin1Char('\n'));
}

void WrapButton::paintEvent(QPaintEvent *)
{
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    opt.icon = QIcon();
    p.drawControl(QStyle::CE_PushButton, opt);
    const QRect r = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.drawText(r, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, shownText(text()));
}
