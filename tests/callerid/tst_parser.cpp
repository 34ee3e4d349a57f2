// The caller-ID report parser: when a report is whole, the four fields, the name and number
// codes, the digit filter, the display pattern and the call class.
#include "CallTexts.h"
#include "CallerIdParser.h"
#include "EndOfCall.h"
#include "ParserRoads.h"
#include "TestSupport.h"

#include <QTest>

using namespace CallerIdParser;

namespace {

const QString Cid = QStringLiteral("Caller Id Date");
const QDate Today(2026, 7, 4);

// A report as a modem sends it after the first ring: CR LF around every line, the number
// before the name.
QString report(const QString &number, const QString &name, const QString &date = "0321", const QString &time = "1405")
{
    return "\r\nRING\r\n\r\nDATE = " + date + "\r\nTIME = " + time + "\r\nNMBR = " + number + "\r\nNAME = " + name +
           "\r\n";
}

// The fields of a report, as the field tables name them.
constexpr int Nmbr = 0, Name = 1, Date = 2, Time = 3;

} // namespace

class tst_Parser : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinLocale(); }
    void dates()
    {
        // Every split of a report is covered by completeAtEverySplit; here where the date comes from.
        const QString buffer = report("5551234567", "JOHN DOE");
        // The report has no year: the clock's year goes in.
        QCOMPARE(parse(buffer, Cid, QDate(2031, 1, 1)).recordLine(),
                 QStringLiteral("DT=3/21/2031TM=02:05 PMNM=JOHN  DOENB=(555)-123-4567"));
        // The system date replaces the report's date; the time still comes from the report.
        const Report system = parse(buffer, "System Date", QDate(2026, 1, 5));
        QCOMPARE(system.dateLine + system.timeLine, QStringLiteral("DT=1/5/2026TM=02:05 PM"));
    }

    void completeAtEverySplit_data()
    {
        // The report's shapes after the first ring: ";" stands for CR LF, "^" for the point where
        // the report is whole. Every shape is dated 21 March, 14:05.
        // "plain": the whole report is one of the plain shape, read by its lines.
        columns<QString, QString, QString, bool>("fields", "name", "number", "plain");
        const QString dt = QStringLiteral("DATE = 0321;TIME = 1405;");
        row("name last", dt + "NMBR = 5551234567;NAME = JOHN DOE\r^\n;RING;", "JOHN  DOE", "5551234567", true);
        row("hyphenated number last", dt + "NAME = JOHN DOE;NMBR = 1-800-555-0199\r^\n;RING;", "JOHN  DOE",
            "8005550199", true);
        row("DDN_NMBR after the name", dt + "NAME = O;DDN_NMBR= 9196278340\r^\n;RING;", "UNKNOWN NAME", "9196278340",
            false);
        // Number-only caller ID: only the next ring says that no name line is coming.
        row("number only", dt + "NMBR = 5551234567;;RING^;", "BARRED NAME", "5551234567", false);
        row("eleven digits", dt + "NMBR = 15551234567;NAME = IBM\r^\n", "IBM", "5551234567", true);
        row("lines ended by CR alone", "DATE = 0321\rTIME = 1405\rNMBR = 5551234567\rNAME = JOHN DOE\r^;RING;",
            "JOHN  DOE", "5551234567", true);
        // Several fields on one line: a keyword after a blank and before its "=" begins a field.
        row("whole report on one line", "DATE = 0321 TIME = 1405 NAME = SMITH JOHN NMBR = 2125550147\r^\n;RING;",
            "SMITH  JOHN", "2125550147", false);
        row("name and number on one line", dt + "NAME=SMITH JOHN      NMBR=2125550147\r^\n", "SMITH  JOHN",
            "2125550147", false);
        row("another number on the name's line", dt + "NMBR = 5551234567;NAME = JOHN DOE NMBR=5559876543\r^\n",
            "JOHN  DOE", "5559876543", false);
        row("number and name on one line", dt + "NMBR = 5551234567 NAME = JOHN DOE\r^\n", "JOHN  DOE", "5551234567",
            false);
        row("DDN_NMBR on the name's line", dt + "NAME = O DDN_NMBR= 9196278340\r^\n", "UNKNOWN NAME", "9196278340",
            false);
        row("padded, no blanks around =", "DATE=0321;TIME=1405;NMBR=5551234567;NAME=JOHN DOE         \r^\n",
            "JOHN  DOE", "5551234567", true);
        row("keywords inside a one-line name", "NMBR=5551234567 NAME=THIRD TIME DATE NIGHT DATE=0321 TIME=1405\r^\n",
            "THIRD  TIME  DATE  NIGHT", "5551234567", false);
        row("line noise before the fields", "\\0 DATE = 0321;\\0TIME = 1405;  NMBR = 5551234567;NAME = JOHN DOE\r^\n",
            "JOHN  DOE", "5551234567", false);
    }

    void completeAtEverySplit()
    {
        QFETCH(QString, fields);
        QFETCH(QString, name);
        QFETCH(QString, number);
        QFETCH(bool, plain);
        QString text = QStringLiteral(";RING;;") + fields;
        text.replace(';', "\r\n").replace(QLatin1String("\\0"), QString(QChar(0)));
        const qsizetype completeAt = text.indexOf('^');
        text.remove(completeAt, 1);

        QCOMPARE(isPlainReport(text.left(completeAt)), plain);
        for (qsizetype i = 0; i <= text.size(); ++i) {
            const QString part = text.left(i);
            const QString at = QStringLiteral("%1 characters").arg(i);
            QVERIFY2(isComplete(part) == (i >= completeAt), qPrintable(at));
            QVERIFY2(ParserRoads::said(part) == ParserRoads::generalSays(part), qPrintable(at));
        }
        // Parsed the moment it is whole, the report gives what the whole text gives.
        const Report r = parse(text.left(completeAt), Cid, Today);
        QCOMPARE(r.callerName, name);
        QCOMPARE(r.callerNumber, number);
        QCOMPARE(r.dateLine + r.timeLine, QStringLiteral("DT=3/21/2026TM=02:05 PM"));
        QCOMPARE(r.recordLine(), parse(text, Cid, Today).recordLine());
        QVERIFY(!r.recordLine().contains('\r') && !r.recordLine().contains('\n'));
    }

    void fields_data()
    {
        // One field of the example report replaced by the value; the others keep the example's values.
        columns<int, QString, QString>("field", "value", "result");
        // Names: one character (or none) is a withheld-name code, anything longer a name.
        row("name P", Name, "P", "PRIVATE NAME");
        row("name O", Name, "O", "UNKNOWN NAME");
        row("name X", Name, "X", "BARRED NAME");
        row("name empty", Name, "", "BARRED NAME");
        row("name O and blanks", Name, "O   ", "UNKNOWN NAME");
        row("name AL", Name, "AL", "AL");
        row("name PAT", Name, "PAT", "PAT");
        row("name BOB", Name, "BOB", "BOB");
        row("name OTTO", Name, "OTTO", "OTTO");
        // A keyword standing on its own ends the name (inside one: keywordsInsideValues).
        row("name then RING", Name, "JOHN DOE RING", "JOHN  DOE");
        // Three blanks first shrink to two, then every blank is doubled: four.
        row("three blanks", Name, "JOHN   DOE", "JOHN    DOE");
        // Numbers: four characters or fewer after the filter and the last-ten cut are a code.
        row("number P", Nmbr, "P", "PRIVATE NUMBER");
        row("number O", Nmbr, "O", "UNKNOWN NUMBER");
        row("number four digits", Nmbr, "1234", "BARRED NUMBER");
        row("number five digits", Nmbr, "12345", "12345");
        row("number seven digits", Nmbr, "555-1234", "5551234");
        // The opening bracket is the first character and survives the filter; the cut drops it.
        row("number bracketed", Nmbr, "(555) 123-4567", "5551234567");
        // Times become hh:mm AM/PM; what is no date or time stays as received.
        row("midnight", Time, "0000", "TM=12:00 AM");
        row("noon", Time, "1200", "TM=12:00 PM");
        row("invalid time stays raw", Time, "1460", "TM=14:60");
        row("invalid date stays raw", Date, "1321", "DT=13 21");
        row("blanks inside", Date, "03 21", "DT=3/21/2026");
    }

    void fields()
    {
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(QString, result);
        QStringList in = {"5551234567", "JOHN DOE", "0321", "1405"};
        in[field] = value;
        const Report r = parse(report(in[Nmbr], in[Name], in[Date], in[Time]), Cid, Today);
        const QStringList out = {r.callerNumber, r.callerName, r.dateLine, r.timeLine};
        QCOMPARE(out[field], result);
    }

    void texts_data()
    {
        // The digit filter, or else the display pattern.
        columns<bool, QString, QString>("filter", "text", "result");
        // The filter removes a character everywhere unless it is the first character of the text.
        row("leading hyphen keeps every hyphen", true, "-555-12.34", "-555-1234");
        row("leading letter keeps every such letter", true, "x55x5-1 2x", "x55x512x");
        const QString odd = QString("1") + QChar(0) + "2" + QChar(127) + QChar(0xC4);
        row("NUL and DEL go, above 127 stays", true, odd, QString("12") + QChar(0xC4));
        row("ten digits", false, "5551234567", "(555)-123-4567");
        row("seven digits", false, "5551234", "()-555-1234");
        row("leading zeros vanish", false, "0005551234", "()-555-1234");
        row("not only digits", false, "555-1234", "555-1234");
    }

    void texts()
    {
        QFETCH(bool, filter);
        QFETCH(QString, text);
        QFETCH(QString, result);
        QCOMPARE(filter ? digitFilter(text) : CallTexts::displayPattern(text), result);
    }

    void classify_data()
    {
        // The result: the call class, then the number as spoken.
        columns<QString, QString, QString>("number", "areaCode", "result");
        row("local", "2125550100", "212", "Local 5550100");
        row("only the leading code goes", "2122125550", "212", "Local 2125550");
        row("code not in front", "5552125550", "212", "Normal 5552125550");
        // "000" is the installed default: no area code given, so nothing is local.
        row("000 means no area code", "0005550100", "000", "Normal 0005550100");
        row("zero code", "0125550100", "0", "Normal 0125550100");
        row("empty code", "2125550100", "", "Normal 2125550100");
        row("private", "PRIVATE NUMBER", "212", "Private PRIVATE NUMBER");
        row("unknown", "UNKNOWN NUMBER", "212", "Unknown UNKNOWN NUMBER");
        row("barred", "BARRED NUMBER", "212", "Barred BARRED NUMBER");
    }

    void classify()
    {
        QFETCH(QString, number);
        QFETCH(QString, areaCode);
        QFETCH(QString, result);
        const Classification c = CallerIdParser::classify(number, areaCode);
        QCOMPARE(c.callClass + ' ' + c.spokenNumber, result);
    }

    void newerReportWins()
    {
        // A second call's report behind the first one (the first was never cleared away).
        const QString buffer =
            report("5551234567", "JOHN DOE") + "\r\nRING\r\n" + report("5559876543", "JANE ROE", "0322", "0930");
        QVERIFY(isComplete(buffer));
        QCOMPARE(parse(buffer, Cid, Today).recordLine(),
                 QStringLiteral("DT=3/22/2026TM=09:30 AMNM=JANE  ROENB=(555)-987-6543"));
    }

    void keywordsInsideValues_data()
    {
        // A keyword that does not begin its line is text: no field is taken from a name, and no
        // ring is counted in one.
        columns<QString, QString>("name", "stored");
        row("time in a name", "THIRD TIME", "THIRD  TIME");
        row("date in a name", "DATE NIGHT", "DATE  NIGHT");
        row("ring in a name", "JOHN HERRING", "JOHN  HERRING");
        row("ring inside a word", "BRINGHAM", "BRINGHAM");
    }

    void keywordsInsideValues()
    {
        QFETCH(QString, name);
        QFETCH(QString, stored);
        const QString buffer = report("5551234567", name) + "\r\nRING\r\n";
        QVERIFY(isComplete(buffer));
        const Report parsed = parse(buffer, Cid, Today);
        const QString line = parsed.recordLine();
        QCOMPARE(line, "DT=3/21/2026TM=02:05 PMNM=" + stored + "NB=(555)-123-4567");
        QVERIFY(!line.contains('\r') && !line.contains('\n'));
        QCOMPARE(EndOfCall::ringCount(buffer, parsed.startsAt), 2); // the ring before the report, one after it
    }
};

QTEST_GUILESS_MAIN(tst_Parser)
#include "tst_parser.moc"
