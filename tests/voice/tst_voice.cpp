#include <QTest>
class T : public QObject {
    Q_OBJECT
private slots:
    void placeholder() { QSKIP("not written yet"); }
};
QTEST_MAIN(T)
#include "tst_voice.moc"
