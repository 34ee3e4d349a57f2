// The caller-ID report parser: when a report is whole, the four fields, the name and number
// codes, the digit filter, the display pattern and the call class.
#include "CallTexts.h"
#include "CallerIdParser.h"
#include "TestSupport.h"

#include <QTest>

using namespace CallerIdParser;

namespace {

const QString Crlf = QStringLiteral("\r\n");

// A report as a modem sends it after the first ring: CR LF around every line, the number
// before the name.
QString report(const QString &number, const QString &name, const QString &date = QStringLiteral("0321"),
               const QString &time = QStringLiteral("1405"))
{
    return QStringLiteral("\r\nRING\r\n\r\nDATE = ") + date + Crlf + QStringLiteral("TIME = ") + time + Crlf +
           QStringLiteral("NMBR = ") + number + Crlf + QStringLiteral("NAME = ") + name + Crlf;
}

// The length of the prefix of `text` that ends just after the first `needle`.
qsizetype after(const QString &text, const QString &needle)
{
    const qsizetype at = text.indexOf(needle);
    return at < 0 ? -1 : at + needle.size();
}

const QDate Today(2026, 7, 4);

} // namespace

class tst_Parser : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void exampleInChunks_data();
    void exampleInChunks();
    void completeAtEverySplit_data();
    void completeAtEverySplit();
    void fields_data();
    void fields();
    void digitFilter_data();
    void digitFilter();
    void displayPattern_data();
    void displayPattern();
    void classify_data();
    void classify();
    void newerReportWins();
    void dateAndTime_data();
    void dateAndTime();
};

void tst_Parser::initTestCase()
{
    pinLocale();
}

void tst_Parser::exampleInChunks_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<QString>("dateLine");
    QTest::newRow("2026") << 2026 << "DT=3/21/2026";
    // The report has no year: the clock's year goes in, whatever it is.
    QTest::newRow("2031") << 2031 << "DT=3/21/2031";
}

void tst_Parser::exampleInChunks()
{
    QFETCH(int, year);
    QFETCH(QString, dateLine);
    // Reads end where the serial driver happens to cut, mid-keyword and mid-value included.
    const QStringList chunks = {
        "\r\nRING\r\n", "\r\nDATE = 0321\r\nTIM", "E = 1405\r\nNMBR = 5551", "234567\r\nNAME = JOHN", " DOE", "\r\n",
        "\r\nRING\r\n"};
    const QList<bool> completeAfter = {false, false, false, false, false, true, true};
    QString buffer;
    QString whenComplete; // the buffer as the receive handler parses it
    for (int i = 0; i < chunks.size(); ++i) {
        buffer += chunks[i];
        QVERIFY2(isComplete(buffer) == completeAfter[i], qPrintable(QStringLiteral("after chunk %1").arg(i)));
        if (completeAfter[i] && whenComplete.isEmpty())
            whenComplete = buffer;
    }
    buffer = whenComplete;
    const Report r = parse(buffer, QStringLiteral("Caller Id Date"), QDate(year, 7, 4));
    QCOMPARE(r.recordLine(), dateLine + QStringLiteral("TM=02:05 PMNM=JOHN  DOENB=(555)-123-4567"));
    QCOMPARE(r.callerName, QStringLiteral("JOHN  DOE"));
    QCOMPARE(r.callerNumber, QStringLiteral("5551234567"));
    QCOMPARE(r.callDateText, QStringLiteral("03 21"));
    QCOMPARE(r.callTimeText, QStringLiteral("14:05"));
    QCOMPARE(r.lastReport, Crlf + buffer + Crlf);
}

void tst_Parser::completeAtEverySplit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("completeAt"); // shortest prefix that holds a whole report
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");

    const QString example = report(QStringLiteral("5551234567"), QStringLiteral("JOHN DOE")) + "\r\nRING\r\n";
    QTest::newRow("name last") << example << int(after(example, "JOHN DOE\r")) << "JOHN  DOE"
                               << "5551234567";

    QString lf = example;
    lf.remove(QChar(13));
    QTest::newRow("LF only") << lf << int(after(lf, "JOHN DOE\n")) << "JOHN  DOE"
                             << "5551234567";

    const QString numberLast = "\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1405\r\nNAME = JOHN DOE\r\n"
                               "NMBR = 1-800-555-0199\r\n\r\nRING\r\n";
    QTest::newRow("hyphenated number last") << numberLast << int(after(numberLast, "0199\r")) << "JOHN  DOE"
                                            << "8005550199";

    const QString ddn = "\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1405\r\nNAME = O\r\nDDN_NMBR= 9196278340\r\n"
                        "\r\nRING\r\n";
    QTest::newRow("DDN_NMBR after the name") << ddn << int(after(ddn, "8340\r")) << "UNKNOWN NAME"
                                             << "9196278340";

    // Number-only caller ID: only the next ring says that no name line is coming.
    const QString numberOnly = "\r\nRING\r\n\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 5551234567\r\n\r\nRING\r\n";
    QTest::newRow("number only") << numberOnly << int(numberOnly.lastIndexOf("RING") + 4) << "BARRED NAME"
                                 << "5551234567";

    const QString eleven = report(QStringLiteral("15551234567"), QStringLiteral("IBM"));
    QTest::newRow("eleven digits") << eleven << int(after(eleven, "IBM\r")) << "IBM"
                                   << "5551234567";
}

void tst_Parser::completeAtEverySplit()
{
    QFETCH(QString, text);
    QFETCH(int, completeAt);
    QFETCH(QString, name);
    QFETCH(QString, number);
    QVERIFY(completeAt > 0);

    const QString whole = parse(text, QStringLiteral("Caller Id Date"), Today).recordLine();
    for (int i = 0; i <= text.size(); ++i) {
        const QString prefix = text.left(i);
        if (isComplete(prefix) != (i >= completeAt))
            QFAIL(qPrintable(QStringLiteral("isComplete is %1 after %2 characters: %3")
                                 .arg(i >= completeAt ? "false" : "true")
                                 .arg(i)
                                 .arg(QString(prefix).replace("\r", "\\r").replace("\n", "\\n"))));
    }
    // Parsed the moment it is whole, the report gives what the whole text gives.
    const Report r = parse(text.left(completeAt), QStringLiteral("Caller Id Date"), Today);
    QCOMPARE(r.callerName, name);
    QCOMPARE(r.callerNumber, number);
    QCOMPARE(r.recordLine(), whole);
}

void tst_Parser::fields_data()
{
    QTest::addColumn<QString>("nameField");
    QTest::addColumn<QString>("numberField");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("numberLine");

    const QString n = QStringLiteral("5551234567");
    const QString nl = QStringLiteral("NB=(555)-123-4567");
    // Names: one character (or none) is a withheld-name code, anything longer a name.
    QTest::newRow("name P") << "P" << n << "PRIVATE NAME" << n << nl;
    QTest::newRow("name O") << "O" << n << "UNKNOWN NAME" << n << nl;
    QTest::newRow("name X") << "X" << n << "BARRED NAME" << n << nl;
    QTest::newRow("name lower-case p") << "p" << n << "BARRED NAME" << n << nl;
    QTest::newRow("name empty") << "" << n << "BARRED NAME" << n << nl;
    QTest::newRow("name O and blanks") << "O   " << n << "UNKNOWN NAME" << n << nl;
    QTest::newRow("name O and a tab") << "O\t" << n << "UNKNOWN NAME" << n << nl;
    QTest::newRow("name AL") << "AL" << n << "AL" << n << nl;
    QTest::newRow("name PAT") << "PAT" << n << "PAT" << n << nl;
    QTest::newRow("name BOB") << "BOB" << n << "BOB" << n << nl;
    QTest::newRow("name IBM") << "IBM" << n << "IBM" << n << nl;
    QTest::newRow("name OTTO") << "OTTO" << n << "OTTO" << n << nl;
    // A keyword inside a name is part of the name; standing on its own it ends the name.
    QTest::newRow("name HERRING") << "HERRING" << n << "HERRING" << n << nl;
    QTest::newRow("name BRINGHAM") << "BRINGHAM" << n << "BRINGHAM" << n << nl;
    QTest::newRow("name ORINGO") << "ORINGO" << n << "ORINGO" << n << nl;
    QTest::newRow("name then RING") << "JOHN DOE RING" << n << "JOHN  DOE" << n << nl;
    QTest::newRow("blank doubled") << "JOHN DOE" << n << "JOHN  DOE" << n << nl;
    // Three blanks first shrink to two, then every blank is doubled: four.
    QTest::newRow("three blanks") << "JOHN   DOE" << n << "JOHN    DOE" << n << nl;

    // Numbers: four characters or fewer after the filter and the last-ten cut are a code.
    QTest::newRow("number P") << "JOHN DOE"
                              << "P"
                              << "JOHN  DOE"
                              << "PRIVATE NUMBER"
                              << "NB=PRIVATE NUMBER";
    QTest::newRow("number O") << "JOHN DOE"
                              << "O"
                              << "JOHN  DOE"
                              << "UNKNOWN NUMBER"
                              << "NB=UNKNOWN NUMBER";
    QTest::newRow("number PRIVATE") << "JOHN DOE"
                                    << "PRIVATE"
                                    << "JOHN  DOE"
                                    << "PRIVATE NUMBER"
                                    << "NB=PRIVATE NUMBER";
    QTest::newRow("number four digits") << "JOHN DOE"
                                        << "1234"
                                        << "JOHN  DOE"
                                        << "BARRED NUMBER"
                                        << "NB=BARRED NUMBER";
    QTest::newRow("number empty") << "JOHN DOE"
                                  << ""
                                  << "JOHN  DOE"
                                  << "BARRED NUMBER"
                                  << "NB=BARRED NUMBER";
    QTest::newRow("number five digits") << "JOHN DOE"
                                        << "12345"
                                        << "JOHN  DOE"
                                        << "12345"
                                        << "NB=()-1-2345";
    QTest::newRow("number seven digits") << "JOHN DOE"
                                         << "555-1234"
                                         << "JOHN  DOE"
                                         << "5551234"
                                         << "NB=()-555-1234";
    QTest::newRow("eleven digits") << "JOHN DOE"
                                   << "15551234567"
                                   << "JOHN  DOE" << n << nl;
    QTest::newRow("hyphenated") << "JOHN DOE"
                                << "1-800-555-0199"
                                << "JOHN  DOE"
                                << "8005550199"
                                << "NB=(800)-555-0199";
    // The opening bracket is the first character and survives the filter; the cut drops it.
    QTest::newRow("bracketed") << "JOHN DOE"
                               << "(555) 123-4567"
                               << "JOHN  DOE" << n << nl;
    QTest::newRow("international") << "JOHN DOE"
                                   << "+44 20 7946 0958"
                                   << "JOHN  DOE"
                                   << "2079460958"
                                   << "NB=(207)-946-0958";
    QTest::newRow("leading zeros") << "JOHN DOE"
                                   << "0005551234"
                                   << "JOHN  DOE"
                                   << "0005551234"
                                   << "NB=()-555-1234";
    QTest::newRow("number trailing blanks") << "JOHN DOE"
                                            << "5551234567   "
                                            << "JOHN  DOE" << n << nl;
}

void tst_Parser::fields()
{
    QFETCH(QString, nameField);
    QFETCH(QString, numberField);
    QFETCH(QString, name);
    QFETCH(QString, number);
    QFETCH(QString, numberLine);
    const QString text = report(numberField, nameField);
    QVERIFY(isComplete(text));
    const Report r = parse(text, QStringLiteral("Caller Id Date"), Today);
    QCOMPARE(r.callerName, name);
    QCOMPARE(r.nameLine, QStringLiteral("NM=") + name);
    QCOMPARE(r.callerNumber, number);
    QCOMPARE(r.numberLine, numberLine);
}

void tst_Parser::digitFilter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("filtered");
    QTest::newRow("hyphen") << "555-1234"
                            << "5551234";
    QTest::newRow("leading hyphen keeps every hyphen") << "-555-12.34"
                                                       << "-555-1234";
    QTest::newRow("first letter stays everywhere") << "A1A2"
                                                   << "A1A2";
    QTest::newRow("later letter goes") << "1A2A"
                                       << "12";
    QTest::newRow("NUL and DEL go") << QString("1") + QChar(0) + "2" + QChar(127) + "3"
                                    << "123";
    QTest::newRow("above 127 stays") << QString("1") + QChar(0xC4) + "2" << QString("1") + QChar(0xC4) + "2";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_Parser::digitFilter()
{
    QFETCH(QString, text);
    QFETCH(QString, filtered);
    QCOMPARE(CallerIdParser::digitFilter(text), filtered);
}

void tst_Parser::displayPattern_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ten digits") << "5551234567"
                                << "(555)-123-4567";
    QTest::newRow("seven digits") << "5551234"
                                  << "()-555-1234";
    QTest::newRow("eight digits") << "15551234"
                                  << "(1)-555-1234";
    QTest::newRow("leading zeros vanish") << "0005551234"
                                          << "()-555-1234";
    QTest::newRow("code word") << "PRIVATE NUMBER"
                               << "PRIVATE NUMBER";
    QTest::newRow("already shown") << "(555)-123-4567"
                                   << "(555)-123-4567";
    QTest::newRow("digits and a hyphen") << "555-1234"
                                         << "555-1234";
}

void tst_Parser::displayPattern()
{
    QFETCH(QString, number);
    QFETCH(QString, shown);
    QCOMPARE(CallTexts::displayPattern(number), shown);
}

void tst_Parser::classify_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("areaCode");
    QTest::addColumn<QString>("callClass");
    QTest::addColumn<QString>("spoken");

    QTest::newRow("local") << "2125550100"
                           << "212"
                           << "Local"
                           << "5550100";
    QTest::newRow("only the leading code goes") << "2122125550"
                                                << "212"
                                                << "Local"
                                                << "2125550";
    QTest::newRow("code inside, not in front") << "5552125550"
                                               << "212"
                                               << "Normal"
                                               << "5552125550";
    QTest::newRow("other area") << "3125550100"
                                << "212"
                                << "Normal"
                                << "3125550100";
    // "000" is the installed default: no area code given, so nothing is local.
    QTest::newRow("000 means no area code") << "0005550100"
                                            << "000"
                                            << "Normal"
                                            << "0005550100";
    QTest::newRow("000 inside the number") << "5550001234"
                                           << "000"
                                           << "Normal"
                                           << "5550001234";
    QTest::newRow("empty code") << "2125550100"
                                << ""
                                << "Normal"
                                << "2125550100";
    QTest::newRow("zero code") << "2125550100"
                               << "0"
                               << "Normal"
                               << "2125550100";
    QTest::newRow("private") << "PRIVATE NUMBER"
                             << "212"
                             << "Private"
                             << "PRIVATE NUMBER";
    QTest::newRow("unknown") << "UNKNOWN NUMBER"
                             << "212"
                             << "Unknown"
                             << "UNKNOWN NUMBER";
    QTest::newRow("barred") << "BARRED NUMBER"
                            << "212"
                            << "Barred"
                            << "BARRED NUMBER";
    QTest::newRow("private, default code") << "PRIVATE NUMBER"
                                           << "000"
                                           << "Private"
                                           << "PRIVATE NUMBER";
}

void tst_Parser::classify()
{
    QFETCH(QString, number);
    QFETCH(QString, areaCode);
    QFETCH(QString, callClass);
    QFETCH(QString, spoken);
    const Classification c = CallerIdParser::classify(number, areaCode);
    QCOMPARE(c.callClass, callClass);
    QCOMPARE(c.spokenNumber, spoken);
}

void tst_Parser::newerReportWins()
{
    // A second call's report behind the first one (the first was never cleared away): the
    // values come from the second.
    const QString first = report(QStringLiteral("5551234567"), QStringLiteral("JOHN DOE"));
    const QString second = report(QStringLiteral("5559876543"), QStringLiteral("JANE ROE"), QStringLiteral("0322"),
                                  QStringLiteral("0930"));
    const QString buffer = first + QStringLiteral("\r\nRING\r\n") + second;
    QVERIFY(isComplete(buffer));
    const Report r = parse(buffer, QStringLiteral("Caller Id Date"), Today);
    QCOMPARE(r.recordLine(), QStringLiteral("DT=3/22/2026TM=09:30 AMNM=JANE  ROENB=(555)-987-6543"));
}

void tst_Parser::dateAndTime_data()
{
    QTest::addColumn<QString>("dateValue");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("dateField");
    QTest::addColumn<QString>("timeField");
    QTest::addColumn<QString>("dateLine");
    QTest::addColumn<QString>("timeLine");

    const QString cid = QStringLiteral("Caller Id Date");
    QTest::newRow("afternoon") << cid << Today << "0321"
                               << "1405"
                               << "DT=3/21/2026"
                               << "TM=02:05 PM";
    QTest::newRow("midnight") << cid << Today << "1231"
                              << "0000"
                              << "DT=12/31/2026"
                              << "TM=12:00 AM";
    QTest::newRow("noon") << cid << Today << "0101"
                          << "1200"
                          << "DT=1/1/2026"
                          << "TM=12:00 PM";
    QTest::newRow("blanks inside") << cid << Today << "03 21"
                                   << "14 05"
                                   << "DT=3/21/2026"
                                   << "TM=02:05 PM";
    QTest::newRow("no month 13") << cid << Today << "1321"
                                 << "2500"
                                 << "DT=13 21"
                                 << "TM=25:00";
    QTest::newRow("minute 60") << cid << Today << "0321"
                               << "1460"
                               << "DT=3/21/2026"
                               << "TM=14:60";
    QTest::newRow("29 February, common year") << cid << QDate(2025, 6, 1) << "0229"
                                              << "0905"
                                              << "DT=02 29"
                                              << "TM=09:05 AM";
    QTest::newRow("29 February, leap year") << cid << QDate(2024, 6, 1) << "0229"
                                            << "0905"
                                            << "DT=2/29/2024"
                                            << "TM=09:05 AM";
    // The system date replaces the report's date; the time still comes from the report.
    QTest::newRow("system date") << "System Date" << QDate(2026, 1, 5) << "0321"
                                 << "1405"
                                 << "DT=1/5/2026"
                                 << "TM=02:05 PM";
}

void tst_Parser::dateAndTime()
{
    QFETCH(QString, dateValue);
    QFETCH(QDate, today);
    QFETCH(QString, dateField);
    QFETCH(QString, timeField);
    QFETCH(QString, dateLine);
    QFETCH(QString, timeLine);
    const Report r =
        parse(report(QStringLiteral("5551234567"), QStringLiteral("JOHN DOE"), dateField, timeField), dateValue, today);
    QCOMPARE(r.dateLine, dateLine);
    QCOMPARE(r.timeLine, timeLine);
}

QTEST_GUILESS_MAIN(tst_Parser)
#include "tst_parser.moc"
