// The screening from the windows: the Calls Log's menu for a caller and the Screening window, on a
// screening store in the test's program folder, as the user works them.
#include "AuxWindowRig.h"
#include "CallExport.h"
#include "CallRecord.h"
#include "Screening.h"
#include "TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QTreeWidget>

using namespace windowtest;

namespace {

// The rules as "allow number ^555" lines, and the aliases as "number=name" lines.
QStringList rulesOf(Screening &s)
{
    s.reload();
    QStringList l;
    for (const ScreeningRule &r : s.rules().rules())
        l << QStringLiteral("%1 %2 %3")
                 .arg(r.action == RuleAction::Allow ? "allow" : "block", r.field == RuleField::Name ? "name" : "number",
                      r.pattern);
    for (auto it = s.rules().aliases().begin(); it != s.rules().aliases().end(); ++it)
        l << it.key() + QLatin1Char('=') + it.value();
    l.sort();
    return l;
}

QStringList visibleTexts(const QList<QAction *> &actions)
{
    QStringList l;
    for (const QAction *a : actions) {
        if (a->isVisible())
            l << a->text() + (a->isEnabled() ? "" : " (greyed)");
    }
    return l;
}

QStringList column(QTreeWidget *list, int c)
{
    QStringList l;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        l << list->topLevelItem(i)->text(c);
    return l;
}

// A log of one call from `number` named `name`.
void writeOneCall(const Rig &rig, const QString &name, const QString &number)
{
    rig.folder.write(
        "Array.bin",
        CallRecord::build(1, QStringLiteral("DT=03/01/2026TM=10:01 AMNM=%1NB=%2").arg(name, number), 2).toLatin1());
}

} // namespace

class tst_ScreeningWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinLocale(); }
    void init() { m_t = std::make_unique<TestScope>(1.0); }
    void cleanup() { m_t.reset(); }

    void callsLogMenu_data()
    {
        // The call's name and number; the store usable; the entries offered; the one chosen (-1:
        // none); the name typed for "Name this caller..." (null: cancelled); what the store holds
        // afterwards; the box's text.
        columns<QString, QString, bool, QStringList, int, QString, QStringList, QString>(
            "name", "number", "usable", "offered", "chosen", "typed", "stored", "told");
        const QStringList numbered = {"Block this caller", "Always allow this caller",
                                      "Block numbers starting with 555", "Block numbers starting with 555123",
                                      "Name this caller..."};
        const QString n = "(555)-123-4567";
        row("block", "JOHN DOE", n, true, numbered, 0, QString(), QStringList{"block number ^1?5551234567"},
            "Calls from (555)-123-4567 are refused (rule ^1?5551234567).");
        row("allow", "JOHN DOE", n, true, numbered, 1, QString(), QStringList{"allow number ^1?5551234567"},
            "Calls from (555)-123-4567 are always let through (rule ^1?5551234567).");
        row("first three", "JOHN DOE", n, true, numbered, 2, QString(), QStringList{"block number ^1?555"},
            "Numbers starting with 555 are refused (rule ^1?555).");
        row("first six", "JOHN DOE", n, true, numbered, 3, QString(), QStringList{"block number ^1?555123"},
            "Numbers starting with 555123 are refused (rule ^1?555123).");
        row("name", "JOHN DOE", n, true, numbered, 4, "  Uncle   Bob ", QStringList{"5551234567=Uncle Bob"},
            "Calls from (555)-123-4567 are shown as Uncle Bob.");
        row("name cancelled", "JOHN DOE", n, true, numbered, 4, QString(), QStringList{}, "");
        // A short number has no six digits to start with.
        row("short number", "JOHN DOE", "5551", true,
            QStringList{"Block this caller", "Always allow this caller", "Block numbers starting with 555",
                        "Name this caller..."},
            -1, QString(), QStringList{}, "");
        // A withheld number: its name is all there is to match.
        row("withheld number", "JOHN DOE", "PRIVATE", true,
            QStringList{"Block this caller (by name)", "Always allow this caller (by name)"}, 1, QString(),
            QStringList{"allow name ^JOHN DOE"}, "Callers named JOHN DOE are always let through (rule ^JOHN DOE).");
        row("withheld number and name", "PRIVATE NAME", "PRIVATE", true, QStringList{}, -1, QString(), QStringList{},
            "");
        // Nothing can be stored: the entries are greyed, and a greyed entry does nothing.
        row("store unusable", "JOHN DOE", n, false,
            QStringList{"Block this caller (greyed)", "Always allow this caller (greyed)",
                        "Block numbers starting with 555 (greyed)", "Block numbers starting with 555123 (greyed)",
                        "Name this caller... (greyed)"},
            0, QString(), QStringList{}, "");
    }

    void callsLogMenu()
    {
        QFETCH(QString, name);
        QFETCH(QString, number);
        QFETCH(bool, usable);
        QFETCH(QStringList, offered);
        QFETCH(int, chosen);
        QFETCH(QString, typed);
        QFETCH(QStringList, stored);
        QFETCH(QString, told);
        Rig rig;
        writeOneCall(rig, name, number);
        if (!usable) // a folder where the database's file should be: it cannot be opened
            QVERIFY(QDir(rig.folder.path()).mkdir(ScreeningStore::fileName()));
        Screening screening(rig.folder.path());
        QCOMPARE(screening.open(), usable);
        ScreeningScope scope(&screening);
        rig.window->ui.cmdCallLog->click();
        frmListView *w = rig.aux().callsLogWindow();
        QVERIFY(w);
        QCOMPARE(w->ListView1->model()->rowCount(), 1);
        QString asked;
        w->askCallerName = [&](const QString &shown) -> std::optional<QString> {
            asked = shown;
            return typed.isNull() ? std::nullopt : std::optional<QString>(typed);
        };
        w->prepareMenu(0);
        QCOMPARE(visibleTexts(w->screeningActions), offered);
        if (chosen >= 0)
            w->screeningActions.at(chosen)->trigger();
        if (chosen == 4)
            QCOMPARE(asked, number);
        if (usable)
            QCOMPARE(rulesOf(screening), stored);
        if (told.isEmpty()) {
            QVERIFY(m_t->boxes.shown.isEmpty());
        } else {
            QCOMPARE(m_t->boxes.shown.size(), 1);
            QVERIFY2(m_t->boxes.shown[0].text.contains(told), qPrintable(m_t->boxes.shown[0].text));
            QCOMPARE(m_t->boxes.shown[0].style, usable ? MsgStyle::Information : MsgStyle::Exclamation);
        }
        // The rule refuses the caller also when the line sends the country's leading 1.
        if (usable && chosen == 0 && number == "(555)-123-4567")
            QCOMPARE(screening.decide("15551234567", number, name).kind, RuleVerdict::Blocked);
        // A name stored is the name the next call from the number is decided with.
        if (chosen == 4 && !typed.isNull())
            QCOMPARE(screening.decide("5551234567", number, name).alias, "Uncle Bob");
    }

    void nameRemovedWhenEmpty()
    {
        Rig rig;
        writeOneCall(rig, "JOHN DOE", "(555)-123-4567");
        Screening screening(rig.folder.path());
        QVERIFY(screening.open());
        QVERIFY(screening.setAlias("5551234567", "MUM"));
        ScreeningScope scope(&screening);
        rig.window->ui.cmdCallLog->click();
        frmListView *w = rig.aux().callsLogWindow();
        w->askCallerName = [](const QString &) { return std::optional<QString>(QString()); };
        w->prepareMenu(0);
        w->screeningActions.at(4)->trigger();
        QCOMPARE(rulesOf(screening), QStringList{});
        QCOMPARE(m_t->boxes.shown.value(0).text, "Calls from (555)-123-4567 are shown with the name they send.");
    }

    void refusedColumn_data()
    {
        // Three calls, 1 oldest. The calls refused.txt marks; the reasons the store has ("n:reason");
        // the Refused column clicked; the call numbers as listed and their Refused column (both
        // top to bottom); the export's Refused column, oldest first.
        columns<QList<int>, QStringList, bool, QString, QStringList, QString>("marked", "reasons", "sorted", "listed",
                                                                              "column", "exported");
        row("refused by a pattern", QList<int>{2}, QStringList{"2:pattern ^555"}, false, "3,2,1",
            QStringList{"", "pattern ^555", ""}, "no,yes (pattern ^555),no");
        row("blocked number", QList<int>{3}, QStringList{"3:blocked number"}, false, "3,2,1",
            QStringList{"blocked number", "", ""}, "no,no,yes (blocked number)");
        // An older call, or one refused while the store could not be opened.
        row("only refused.txt knows", QList<int>{1}, QStringList{}, false, "3,2,1", QStringList{"", "", "yes"},
            "yes,no,no");
        row("not refused", QList<int>{}, QStringList{}, false, "3,2,1", QStringList{"", "", ""}, "no,no,no");
        // The mark says which calls were refused: a reason alone marks none.
        row("a reason without its mark", QList<int>{}, QStringList{"1:pattern ^555"}, false, "3,2,1",
            QStringList{"", "", ""}, "no,no,no");
        row("sorted by it", QList<int>{1, 3}, QStringList{"3:pattern ^555"}, true, "2,3,1",
            QStringList{"", "pattern ^555", "yes"}, "yes,no,yes (pattern ^555)");
    }

    void refusedColumn()
    {
        QFETCH(QList<int>, marked);
        QFETCH(QStringList, reasons);
        QFETCH(bool, sorted);
        QFETCH(QString, listed);
        QFETCH(QStringList, column);
        QFETCH(QString, exported);
        Rig rig({}, 3);
        Screening screening(rig.folder.path());
        QVERIFY(screening.open());
        const QByteArray log = rig.folder.bytes("Array.bin");
        auto call = [&](int n) {
            return CallRecord::fields(QString::fromLatin1(log.mid((n - 1) * CallRecord::Length, CallRecord::Length)));
        };
        for (int n : marked)
            QVERIFY(RefusedCalls::add(rig.folder.file(RefusedCalls::fileName()), call(n), n, nullptr));
        for (const QString &r : reasons) {
            ScreenedCall refused;
            refused.record = RefusedCalls::callKeyOf(call(r.section(':', 0, 0).toInt()));
            refused.refused = true;
            refused.reason = r.section(':', 1);
            QVERIFY(screening.recordCall(refused));
        }
        ScreeningScope scope(&screening);
        rig.window->ui.cmdCallLog->click();
        frmListView *w = rig.aux().callsLogWindow();
        QAbstractItemModel *m = w->ListView1->model();
        QCOMPARE(m->columnCount(), 7);
        QCOMPARE(m->headerData(6, Qt::Horizontal).toString(), "Refused");
        if (sorted)
            w->columnClick(7);
        auto shown = [m](int c) {
            QStringList l;
            for (int r = 0; r < m->rowCount(); ++r)
                l << m->index(r, c).data().toString();
            return l;
        };
        QTRY_COMPARE(shown(6), column);
        QCOMPARE(shown(0).join(','), listed);
        for (int r = 0; r < m->rowCount(); ++r) {
            // Marked all along the line, and its tip says why.
            const QString tip = m->index(r, 1).data(Qt::ToolTipRole).toString();
            QCOMPARE(tip, column[r].isEmpty() ? "" : column[r] == "yes" ? "Refused" : "Refused: " + column[r]);
            QCOMPARE(m->index(r, 3).data(Qt::ForegroundRole).value<QColor>() == QColor(0xa0, 0, 0),
                     !column[r].isEmpty());
        }
        // The window's export says what the column says.
        w->chooseExportFile = [&] { return rig.folder.file("calls.csv"); };
        w->cmdExport->click();
        QStringList csv = QString::fromUtf8(rig.folder.bytes("calls.csv")).split("\r\n", Qt::SkipEmptyParts);
        QStringList refusedColumn;
        for (const QString &line : csv.mid(1))
            refusedColumn << line.section(',', 6);
        QCOMPARE(refusedColumn.join(','), exported);

        // A call refused while the window is open: its mark is written and its reason stored after
        // its row is added.
        QCoreApplication::processEvents();
        const QString record = "DT=03/04/2026TM=10:04 AMNM=CALLER DNB=(555)-123-0004";
        QVERIFY(rig.window->services().log.AppendCallRecord(record, 1, nullptr, true));
        ScreenedCall refused;
        refused.record = RefusedCalls::callKeyOf(CallRecord::fields(CallRecord::build(0, record, 1)));
        refused.refused = true;
        refused.reason = "not on the allow list";
        QVERIFY(screening.recordCall(refused));
        QTRY_COMPARE(m->index(0, 6).data().toString(), "not on the allow list");
        QCOMPARE(m->index(0, 0).data().toString(), "4");
    }

    void screeningWindow_data()
    {
        // Steps: "add:<action> <field> <pattern>", "edit:<pattern>" (the selected line's pattern
        // made that), "select:<line>", "remove" (answered Yes), "keep" (answered No), "allowOnly",
        // "test:<number>|<name>", "alias:<number>=<name>" (stored as the Calls Log would),
        // "file:<name>|<content>" (a file in the folder), "import:<name>" (chosen in the dialog;
        // none: cancelled), "export:<block|allow|alias>:<name>"; then the list's patterns, the
        // warnings, the test's result, the titles of the boxes shown, the names listed, and texts
        // the boxes said.
        columns<QStringList, QStringList, QStringList, QString, QStringList, QStringList, QStringList>(
            "steps", "patterns", "warnings", "result", "titles", "aliases", "told");
        const QStringList none, once{"Call Screening"};
        row("add", QStringList{"add:block number ^800", "add:allow name MUM"}, QStringList{"^800", "MUM"},
            QStringList{"", ""}, QString(), none, none, none);
        row("edit", QStringList{"add:block number ^800", "select:0", "edit:^900"}, QStringList{"^900"}, QStringList{""},
            QString(), none, none, none);
        row("remove", QStringList{"add:block number ^800", "add:block number ^900", "select:0", "remove"},
            QStringList{"^900"}, QStringList{""}, QString(), once, none, none);
        row("remove answered No", QStringList{"add:block number ^800", "select:0", "keep"}, QStringList{"^800"},
            QStringList{""}, QString(), once, none, none);
        row("empty pattern", QStringList{"add:block number  "}, none, none, QString(), once, none, none);
        // A regular expression that could take long on a hostile name is kept, with its warning.
        row("unsafe pattern", QStringList{"add:block name /(a+)+$/"}, QStringList{"/(a+)+$/"}, QStringList{"nonempty"},
            QString(), none, none, none);
        row("test refused", QStringList{"add:block number ^800", "test:8005551234|ACME"}, QStringList{"^800"},
            QStringList{""}, "Refused: pattern ^800", none, none, none);
        row("test allowed", QStringList{"add:block number ^800", "add:allow number ^800555", "test:8005551234|ACME"},
            QStringList{"^800", "^800555"}, QStringList{"", ""}, "Allowed: pattern ^800555", none, none, none);
        row("test allow only", QStringList{"allowOnly", "test:5551234567|JOHN"}, none, none,
            "Refused: not on the allow list", none, none, none);
        row("test nothing", QStringList{"test:5551234567|JOHN"}, none, none, "Shown: no rule refuses it", none, none,
            none);

        // Each kind of file, told by its content; what was left out is said.
        row("import a block list",
            QStringList{"file:ncidd.blacklist|# ncidd.hangup blacklist file\n^1?900 \"wireless caller\"  # cells\n"
                        "/(a+)+$/\n",
                        "import:ncidd.blacklist"},
            QStringList{"^1?900", "wireless caller"}, QStringList{"", ""}, QString(), once, none,
            QStringList{"ncidd.blacklist was read as block list: 2 rules and 0 names taken.",
                        "line 3: /(a+)+$/ left out"});
        row("import an allow list",
            QStringList{"file:friends.txt|# whitelist\n4075551212  #= MUM\n", "import:friends.txt"},
            QStringList{"4075551212"}, QStringList{""}, QString(), once, none,
            QStringList{"friends.txt was read as allow list: 1 rule and 0 names taken."});
        row("import aliases",
            QStringList{"file:ncidd.alias|alias NAME * = \"MUM\" if 4075551212\nalias NMBR 123 = 456\n",
                        "import:ncidd.alias"},
            none, none, QString(), once, QStringList{"4075551212=MUM"},
            QStringList{"ncidd.alias was read as alias file: 0 rules and 1 name taken.",
                        "line 2: only names for a whole number are taken"});
        row("import contacts",
            QStringList{"file:phone.vcf|BEGIN:VCARD\nVERSION:3.0\nFN:Jane Roe\nTEL;TYPE=CELL:+1 (407) 555-1212\n"
                        "END:VCARD\n",
                        "import:phone.vcf"},
            QStringList{"^1?4075551212"}, QStringList{""}, QString(), once, QStringList{"14075551212=Jane Roe"},
            QStringList{"phone.vcf was read as contacts: 1 rule and 1 name taken."});
        row("import cancelled", QStringList{"import:"}, none, none, QString(), none, none, none);
        row("import a file that is not there", QStringList{"import:ncidd.whitelist"}, none, none, QString(), once, none,
            QStringList{"cannot be read", "Nothing was imported."});
        // A file where the folder should be: no file can be made there, and nothing is left behind.
        row("export where no file can be made",
            QStringList{"add:block number ^800", "file:lists|not a folder", "export:block:lists/ncidd.blacklist"},
            QStringList{"^800"}, QStringList{""}, QString(), once, none,
            QStringList{"The block list was not written to", "Nothing there was changed."});
        // Out and in again: the same rules and names.
        row("export, then import",
            QStringList{"add:block number ^1?900", "add:allow name MUM", "alias:4075551212=MUM",
                        "export:block:out.blacklist", "export:allow:out.whitelist", "export:alias:out.alias",
                        "select:0", "remove", "select:0", "remove", "alias:4075551212=", "import:out.blacklist",
                        "import:out.whitelist", "import:out.alias"},
            QStringList{"^1?900", "MUM"}, QStringList{"", ""}, QString(), QStringList(8, "Call Screening"),
            QStringList{"4075551212=MUM"},
            QStringList{"The block list was written to", "The allow list was written to",
                        "The alias file was written to",
                        "out.blacklist was read as block list: 1 rule and 0 names taken.",
                        "out.whitelist was read as allow list: 1 rule and 0 names taken.",
                        "out.alias was read as alias file: 0 rules and 1 name taken."});
    }

    void screeningWindow()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, patterns);
        QFETCH(QStringList, warnings);
        QFETCH(QString, result);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, aliases);
        QFETCH(QStringList, told);
        Rig rig;
        Screening screening(rig.folder.path());
        QVERIFY(screening.open());
        ScreeningScope scope(&screening);
        rig.window->ui.mnuScreening->trigger();
        frmScreening *w = rig.aux().screeningWindow();
        QVERIFY(w && w->isVisible());
        QVERIFY(rig.state->windowsOpen());
        QVERIFY(w->lblProblem->isHidden());
        QString next;
        w->editRule = [&](const ScreeningRule &r) {
            ScreeningRule changed = r;
            const QStringList parts = next.split(' ');
            if (parts.size() >= 3) {
                changed.action = parts[0] == "allow" ? RuleAction::Allow : RuleAction::Block;
                changed.field = parts[1] == "name" ? RuleField::Name : RuleField::Number;
                changed.pattern = parts.mid(2).join(' ');
            } else {
                changed.pattern = next;
            }
            return std::optional<ScreeningRule>(changed);
        };
        w->chooseImportFile = [&] { return next.isEmpty() ? QString() : rig.folder.file(next); };
        QString suggested;
        w->chooseExportFile = [&](ScreeningFiles::Kind, const QString &offered) {
            suggested = offered;
            return rig.folder.file(next);
        };
        const QStringList kinds{"block", "allow", "alias"};
        for (const QString &s : steps) {
            const QString arg = s.section(':', 1);
            if (s.startsWith("add:")) {
                next = arg;
                w->cmdAdd->click();
            } else if (s.startsWith("edit:")) {
                next = arg;
                w->cmdEdit->click();
            } else if (s.startsWith("select:")) {
                w->lstRules->setCurrentItem(w->lstRules->topLevelItem(arg.toInt()));
            } else if (s == "remove" || s == "keep") {
                m_t->boxes.answer(s == "remove" ? vbYes : vbNo);
                w->cmdRemove->click();
            } else if (s == "allowOnly") {
                w->chkAllowOnly->click();
                QVERIFY(screening.rules().allowOnly);
            } else if (s.startsWith("test:")) {
                w->txtTestNumber->setText(arg.section('|', 0, 0));
                w->txtTestName->setText(arg.section('|', 1));
                w->cmdTest->click();
            } else if (s.startsWith("alias:")) {
                QVERIFY(screening.setAlias(arg.section('=', 0, 0), arg.section('=', 1)));
                w->showRules();
            } else if (s.startsWith("file:")) {
                rig.folder.write(arg.section('|', 0, 0), arg.section('|', 1).toUtf8());
            } else if (s.startsWith("import:")) {
                next = arg;
                w->cmdImport->click();
            } else if (s.startsWith("export:")) {
                next = arg.section(':', 1);
                const qsizetype boxes = m_t->boxes.shown.size();
                w->exportActions.at(kinds.indexOf(arg.section(':', 0, 0)))->trigger();
                QCOMPARE(QFileInfo(suggested).fileName(),
                         QStringList({"ncidd.blacklist", "ncidd.whitelist",
                                      "ncidd.alias"})[kinds.indexOf(arg.section(':', 0, 0))]);
                // A failed export leaves no file, whole or half.
                QCOMPARE(m_t->boxes.shown.size(), boxes + 1);
                if (m_t->boxes.shown.last().style == MsgStyle::Exclamation)
                    QVERIFY(!QFileInfo::exists(rig.folder.file(next)));
            }
        }
        QStringList boxTexts;
        for (const MsgRecord &b : std::as_const(m_t->boxes.shown))
            boxTexts << b.text;
        for (const QString &t : told)
            QVERIFY2(boxTexts.join('\n').contains(t), qPrintable(boxTexts.join("\n---\n")));
        QStringList shownAliases;
        for (int i = 0; i < w->lstAliases->topLevelItemCount(); ++i)
            shownAliases << w->lstAliases->topLevelItem(i)->text(0) + '=' + w->lstAliases->topLevelItem(i)->text(1);
        QCOMPARE(shownAliases, aliases);
        QCOMPARE(column(w->lstRules, 1), patterns);
        QStringList shownWarnings = column(w->lstRules, 4);
        for (QString &t : shownWarnings)
            t = t.isEmpty() ? "" : "nonempty";
        QCOMPARE(shownWarnings, warnings);
        QCOMPARE(w->lblTestResult->text(), result);
        QCOMPARE(m_t->boxes.titles(), titles);
        // The list is the store: read afresh, the same patterns.
        Screening again(rig.folder.path());
        QVERIFY(again.open());
        QStringList storedPatterns;
        for (const ScreeningRule &r : again.rules().rules())
            storedPatterns << r.pattern;
        QCOMPARE(storedPatterns, patterns);

        // The main window's trip to the tray unloads it.
        rig.window->minimise();
        QVERIFY(!rig.aux().screeningWindow());
        QVERIFY(!rig.state->windowsOpen());
    }

    void screeningWindowCountsAndAliases()
    {
        Rig rig({{22, "BlockTeleMarketersEnable = True"}});
        Screening screening(rig.folder.path());
        QVERIFY(screening.open());
        ScreenedCall call;
        ScreeningRule rule;
        rule.pattern = "^800";
        rule.comment = "toll free";
        QVERIFY(screening.addRule(&rule));
        QVERIFY(screening.setAlias("5551234567", "MUM"));
        call.record = "x";
        call.refused = true;
        call.ruleId = rule.id;
        call.byRules = true;
        QVERIFY(screening.recordCall(call));
        ScreeningScope scope(&screening);
        rig.window->ui.mnuScreening->trigger();
        frmScreening *w = rig.aux().screeningWindow();
        QCOMPARE(column(w->lstRules, 0), QStringList{"Block number"});
        QCOMPARE(column(w->lstRules, 2), QStringList{"toll free"});
        QCOMPARE(column(w->lstRules, 3), QStringList{"1"});
        QCOMPARE(column(w->lstAliases, 1), QStringList{"MUM"});
        // The command line adds a rule while the window is open: listed once the window is
        // activated again.
        Screening commandLine(rig.folder.path());
        QVERIFY(commandLine.open());
        ScreeningRule added;
        added.pattern = "^900";
        QVERIFY(commandLine.addRule(&added));
        rig.window->activateWindow();
        QTRY_VERIFY(!w->isActiveWindow());
        QCOMPARE(column(w->lstRules, 1), QStringList{"^800"});
        w->activateWindow();
        QTRY_COMPARE(column(w->lstRules, 1), (QStringList{"^800", "^900"}));
        // The telemarketer switch and the alias, as a call would see them.
        rig.state->settings.BlockTeleMarketersStatus = true;
        w->txtTestNumber->setText("5551234567");
        w->cmdTest->click();
        QCOMPARE(w->lblTestResult->text(), "Refused: unknown name (shown as MUM)");
        w->closeBox();
        QVERIFY(!rig.aux().screeningWindow());
        QVERIFY(!rig.state->windowsOpen());
    }

    void screeningWindowStoreUnusable_data()
    {
        columns<bool>("installed");
        row("store cannot be opened", true);
        row("no screening", false);
    }

    void screeningWindowStoreUnusable()
    {
        QFETCH(bool, installed);
        Rig rig;
        rig.folder.write("blocked.bin", blockedFile({"(555)-123-4567"}));
        QVERIFY(QDir(rig.folder.path()).mkdir(ScreeningStore::fileName()));
        Screening screening(rig.folder.path());
        QVERIFY(!screening.open());
        ScreeningScope scope(installed ? &screening : nullptr);
        rig.window->ui.mnuScreening->trigger();
        frmScreening *w = rig.aux().screeningWindow();
        QVERIFY(w);
        QVERIFY(!w->lblProblem->isHidden());
        QVERIFY(w->lblProblem->text().contains(installed ? "cannot be used" : "not available"));
        for (QWidget *c :
             QList<QWidget *>{w->cmdAdd, w->cmdEdit, w->cmdRemove, w->cmdImport, w->cmdExport, w->chkAllowOnly})
            QVERIFY(!c->isEnabled());
        w->editRule = [](const ScreeningRule &r) { return std::optional<ScreeningRule>(r); };
        w->cmdAdd->click(); // pressed all the same (a shortcut): nothing happens
        QVERIFY(m_t->boxes.shown.isEmpty());
        // The test still tells what the blocked list does.
        w->txtTestNumber->setText("5551234567");
        w->txtTestName->setText("JOHN");
        w->cmdTest->click();
        QCOMPARE(w->lblTestResult->text(), "Refused: blocked number");
        QVERIFY(QDir(rig.folder.file(ScreeningStore::fileName())).isEmpty());
    }

private:
    std::unique_ptr<TestScope> m_t;
};

QTEST_MAIN(tst_ScreeningWindows)
#include "tst_screeningwindows.moc"
