// The main window's other windows: Calls Log, Blocked Number List, Setup and its switches,
// colour choice, help; opened from the main window as the user does.
#include "AppState.h"
#include "AuxWindowRig.h"
#include "AuxWindows.h"
#include "BlockedFile.h"
#include "CallRecord.h"
#include "TestSupport.h"
#include "UpDown.h"
#include "WindowColor.h"
#include "WrapButton.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTreeView>
#include <QTreeWidget>
#include <memory>
#include <optional>

using namespace windowtest;

class tst_Windows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinLocale(); }
    void init() { m_t = std::make_unique<TestScope>(1.0); }
    void cleanup() { m_t.reset(); }

    void deleteCalls_data()
    {
        // Lines selected (0-based, as shown); a line clicked before the deletion; what happens
        // during the question (the main window goes to the tray, a call ends, the log is
        // reloaded); the column sorted first (0: none); the log afterwards (call number and name).
        columns<QList<int>, bool, MsgAnswer, bool, QString, int, QStringList, QStringList>(
            "rows", "clickFirst", "answer", "fullDisk", "during", "sortBy", "expected", "titles");

        const QStringList all = {"1 CALLER A", "2 CALLER C", "3 CALLER E"};
        const QStringList five = {"1 CALLER A", "2 CALLER B", "3 CALLER C", "4 CALLER D", "5 CALLER E"};
        // Newest first: line 1 is call 4, line 3 is call 2.
        const QStringList asked = {"Delete Calls Log"};
        row("calls 2 and 4", QList<int>{1, 3}, true, vbYes, false, "", 0, all, asked);
        row("answered No", QList<int>{1}, true, vbNo, false, "", 0, five, asked);
        row("keyboard only", QList<int>{1}, false, vbYes, false, "", 0, five, QStringList{});
        row("tray during the question", QList<int>{1}, true, vbYes, false, "tray", 0, five, asked);
        row("full disk", QList<int>{1}, true, vbYes, true, "", 0, five,
            QStringList{"Delete Calls Log", "File Write Error"});
        // By name, lines 1 and 3 are calls 2 and 4; the new call sorts the list by number again.
        row("call during the question, by name", QList<int>{1, 3}, true, vbYes, false, "call", 2,
            all + QStringList{"4 NO CALLER ID"}, asked);
        row("reload during the question", QList<int>{1}, true, vbYes, false, "reload", 0, five,
            QStringList{"Delete Calls Log", "Delete Calls Log"});
        // A search after selecting hides call 2: only the call still shown goes.
        row("search hides a selected call", QList<int>{1, 3}, true, vbYes, false, "search CALLER D", 0,
            QStringList{"1 CALLER A", "2 CALLER B", "3 CALLER C", "4 CALLER E"}, asked);
        // Lines counted in the search's list: its only line is call 3.
        row("lines of a search", QList<int>{0}, true, vbYes, false, "search first", 0,
            QStringList{"1 CALLER A", "2 CALLER B", "3 CALLER D", "4 CALLER E"}, asked);
    }

    void deleteCalls()
    {
        QFETCH(QList<int>, rows);
        QFETCH(bool, clickFirst);
        QFETCH(MsgAnswer, answer);
        QFETCH(bool, fullDisk);
        QFETCH(QString, during);
        QFETCH(int, sortBy);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, titles);
        Rig rig({}, 5);
        rig.window->ui.cmdCallLog->click();
        frmListView *w = rig.aux().callsLogWindow();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->ListView1->model()->rowCount(), 5);
        if (sortBy > 0)
            w->columnClick(sortBy);
        // Writes end at byte 100: no marker fits (the first selected call is record 4).
        std::optional<FileSizeLimit> limit;
        if (fullDisk)
            limit.emplace(100);

        if (during == "search first")
            w->txtSearch->setText("r c");
        if (clickFirst)
            w->itemClick(rows.first());
        for (int r : rows)
            w->ListView1->selectionModel()->select(w->ListView1->model()->index(r, 0),
                                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (during.startsWith("search CALLER"))
            w->txtSearch->setText(during.mid(7));
        m_t->boxes.answer(answer);
        bool asking = true;
        m_t->boxes.onShow = [&](const MsgRecord &) {
            if (!std::exchange(asking, false))
                return;
            if (during == "tray") {
                rig.window->minimise();
            } else if (during == "call") {
                rig.window->services().call.RingSeen = true; // it rang without caller ID
                rig.state->Timer1.restart(10000);
                rig.state->Timer1.fire();
            } else if (during == "reload") {
                rig.window->services().log.DisplayFinalList();
            }
        };
        QTest::keyClick(w->ListView1, Qt::Key_Delete);
        limit.reset();

        QCOMPARE(m_t->boxes.titles(), titles);
        QCOMPARE(rig.logNames(), expected);
        QVERIFY(!rig.folder.exists("ArrayTemp1.bin"));
        if (during == "tray") {
            QVERIFY(!rig.aux().callsLogWindow());
            return;
        }
        w->txtSearch->clear(); // clearing the search shows every call again
        QCOMPARE(w->ListView1->model()->rowCount(), expected.size());
        QCOMPARE(rig.state->calls.count(), expected.size());
        QCOMPARE(w->ListView1->header()->sortIndicatorSection(), 0);
    }

    void sortClickAndClear()
    {
        Rig rig({}, 9);
        rig.window->ui.cmdCallLog->click();
        frmListView *w = rig.aux().callsLogWindow();
        auto column = [&](int c) {
            QStringList l;
            for (int r = 0; r < w->ListView1->model()->rowCount(); ++r)
                l << w->ListView1->model()->index(r, c).data().toString();
            return l;
        };
        QCOMPARE(column(0).first(), "9"); // newest first
        w->ListView1->header()->sectionClicked(0);
        QCOMPARE(column(0), QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
        w->ListView1->header()->sectionClicked(0);
        QCOMPARE(column(0).first(), "9");
        // The newest call (CALLER I) was on top: the first click on Name sorts ascending.
        w->ListView1->header()->sectionClicked(1);
        QCOMPARE(column(1).first(), "CALLER A");
        QCOMPARE(column(1).last(), "CALLER I");

        // A reload sorts newest first again, and the arrow follows.
        QHeaderView *header = w->ListView1->header();
        QCOMPARE(header->sortIndicatorSection(), 1);
        rig.window->ui.cmdCallLog->click();
        QCOMPARE(column(0).first(), "9");
        QVERIFY(header->isSortIndicatorShown());
        QCOMPARE(header->sortIndicatorSection(), 0);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);

        w->itemClick(column(0).indexOf("7"));
        QCOMPARE(rig.state->display.name(), "CALLER G");
        QCOMPARE(rig.state->display.number(), "(555)-123-0007");

        // Ctrl+F goes to the search box; a search leaves the calls it finds, a click on one shows
        // that call, and clearing the box shows every call again.
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTest::keyClick(w->ListView1, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(w->txtSearch->hasFocus());
        QTest::keyClicks(w->txtSearch, "caller c");
        QCOMPARE(column(1), QStringList{"CALLER C"});
        w->itemClick(0);
        QCOMPARE(rig.state->display.name(), "CALLER C");
        w->txtSearch->clear();
        QCOMPARE(column(0).size(), 9);
        // Export... writes every call, oldest first, whatever the list shows.
        w->txtSearch->setText("caller c");
        const QString csv = rig.folder.file("calls.csv");
        w->chooseExportFile = [&] { return csv; };
        w->cmdExport->click();
        const QList<QByteArray> lines = rig.folder.bytes("calls.csv").split('\n');
        QCOMPARE(lines.size(), 11);
        QCOMPARE(lines[1], "1,03/01/2026,10:01 AM,CALLER A,(555)-123-0001,2,no\r");
        w->chooseExportFile = [] { return QStringLiteral("/nonexistent/calls.csv"); };
        w->cmdExport->click();
        QCOMPARE(m_t->boxes.titles(), QStringList{"File Write Error"});

        w->cmdClearList->click();
        QCOMPARE(w->ListView1->model()->rowCount(), 0);
        rig.window->ui.cmdCallLog->click();
        QCOMPARE(rig.aux().callsLogWindow()->ListView1->model()->rowCount(), 9);
    }

    void unblock_data()
    {
        // The entries ("#n" a deletion marker for record n); the line clicked first (-1 none); the
        // entries of blocked.bin at the end.
        columns<QStringList, int, QList<int>, QStringList, QStringList>("file", "clicked", "selected", "shownOnLoad",
                                                                        "after");

        const QStringList abc = {"(555)-000-0001", "(555)-000-0002", "(555)-000-0003"};
        const QStringList ac = {abc[0], abc[2]};
        row("B of A, B, C", abc, 1, QList<int>{1}, abc, ac);
        row("keyboard only", abc, -1, QList<int>{1}, abc, abc);
        row("two of three", abc, 0, QList<int>{0, 2}, abc, QStringList{abc[1]});
        row("marker removed on load", QStringList{abc[0], "#2", abc[2]}, -1, QList<int>{}, ac, ac);
    }

    void unblock()
    {
        QFETCH(QStringList, file);
        QFETCH(int, clicked);
        QFETCH(QList<int>, selected);
        QFETCH(QStringList, shownOnLoad);
        QFETCH(QStringList, after);
        Rig rig;
        rig.folder.write("blocked.bin", blockedFile(file));
        rig.window->ui.Command1->click();
        frmBlockedNumber *w = rig.aux().blockedWindow();
        QVERIFY(w && w->isVisible());
        QVERIFY(rig.state->windowsOpen());
        QCOMPARE(listTexts(w->ListView2), shownOnLoad);
        QCOMPARE(rig.folder.bytes("blocked.bin"), blockedFile(shownOnLoad));

        if (clicked >= 0)
            w->itemClick(clicked);
        for (int r : selected)
            w->ListView2->topLevelItem(r)->setSelected(true);
        w->cmdDeleteBlockedNumber->click();
        QCOMPARE(rig.folder.bytes("blocked.bin"), blockedFile(after));
        QCOMPARE(listTexts(w->ListView2), after);
        QVERIFY(m_t->boxes.shown.isEmpty());

        w->closeBox();
        QVERIFY(!rig.state->windowsOpen());
    }

    void mouseOverWindowFocusesList_data()
    {
        // The Calls Log list (else the Blocked Number List); a line selected.
        columns<bool, bool>("callsLog", "selected");
        row("Calls Log", true, true);
        row("Calls Log, nothing selected", true, false);
        row("Blocked Number List", false, true);
    }

    void mouseOverWindowFocusesList()
    {
        QFETCH(bool, callsLog);
        QFETCH(bool, selected);
        Rig rig({}, 3);
        rig.folder.write("blocked.bin", blockedFile({"(555)-000-0001", "(555)-000-0002"}));
        (callsLog ? rig.window->ui.cmdCallLog : rig.window->ui.Command1)->click();
        Form *w = callsLog ? static_cast<Form *>(rig.aux().callsLogWindow()) : rig.aux().blockedWindow();
        auto *list = w->findChild<QAbstractItemView *>(callsLog ? "ListView1" : "ListView2");
        auto *button = w->findChild<QPushButton *>();
        if (selected)
            list->selectionModel()->select(list->model()->index(1, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        button->setFocus();
        QVERIFY(w->hasMouseTracking());
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(w, &move);
        QCOMPARE(w->focusWidget(), selected ? static_cast<QWidget *>(list) : button);
    }

    void blockingClosesTheList()
    {
        Rig rig({{27, "BlockSelectedCallsEnable = True"}});
        rig.window->ui.Command1->click();
        QVERIFY(rig.aux().blockedWindow());
        rig.state->display.setAll("(555)-123-4567", "JOHN DOE", "March 1, 2026");
        m_t->boxes.answer(vbYes);
        rig.window->services().block.BlockNumber();
        QVERIFY(!rig.aux().blockedWindow());
        QVERIFY(!rig.state->windowsOpen());
    }

    void setupDialog_data()
    {
        // The expected records of acsetup.bin (none: the file is unchanged); whether the dialog
        // has closed.
        columns<QStringList, Records, bool>("actions", "records", "closed");

        const Records kept = {{7, "30"}, {11, "5559876543"}, {16, "5551112222"}, {18, "416"}};
        const Records defaults = {{6, "PopUpWindow = True"},
                                  {7, "30"},
                                  {8, "CallerIdMinimize = True"},
                                  {9, "DateFormat = Long Date"},
                                  {10, "CallForwarding = False"},
                                  {11, "5559876543"},
                                  {12, "72#"},
                                  {13, "73#"},
                                  {14, "DateValue = Caller Id Date"},
                                  {15, "CallSendToPagerEnable = False"},
                                  {16, "5551112222"},
                                  {17, ""},
                                  {18, "416"},
                                  {19, "BlockPrivateCalls = False"},
                                  {20, "*77"},
                                  {21, "*87"},
                                  {22, "BlockTeleMarketersEnable = False"},
                                  {27, "BlockSelectedCallsEnable = False"},
                                  {28, "Talking_Call = True"}};
        row("apply untouched", QStringList{"apply"}, Records{}, true);
        row("default, close box", QStringList{"default", "closebox"}, Records{}, true);
        row("default, tray", QStringList{"default", "tray"}, Records{}, true);
        row("default, apply", QStringList{"default", "apply"}, defaults, true);
        row("up, apply", QStringList{"up", "apply"}, Records{{7, "16"}}, true);
        row("down, apply", QStringList{"down", "apply"}, Records{{7, "15"}}, true);
        row("pager on, apply", QStringList{"pagerOn", "apply"}, Records{{23, "CallSendToPagerStatus = True"}}, true);
        // The Desktop group goes to ringlark.conf, not to acsetup.bin.
        row("desktop, apply", QStringList{"speakNames", "noNotifications", "apply"}, Records{}, true);
        row("desktop, close box", QStringList{"speakNames", "closebox"}, Records{}, true);
        // A group whose values fail their check: nothing of any group is saved, and the dialog
        // stays open with what was typed; once mended, Apply saves it all.
        row("network not an address, apply", QStringList{"up", "speakNames", "badAddress", "apply"}, Records{}, false);
        row("network mended, apply again",
            QStringList{"up", "speakNames", "badAddress", "apply", "goodAddress", "apply"}, Records{{7, "16"}}, true);
    }

    void setupDialog()
    {
        QFETCH(QStringList, actions);
        QFETCH(Records, records);
        QFETCH(bool, closed);
        // Everything off the defaults, so that Default Setup has something to change.
        const Records start = {{6, "PopUpWindow = False"},
                               {9, "DateFormat = Short Date"},
                               {11, "5559876543"},
                               {12, "*72"},
                               {14, "DateValue = System Date"},
                               {15, "CallSendToPagerEnable = True"},
                               {16, "5551112222"},
                               {17, "4"},
                               {18, "416"},
                               {22, "BlockTeleMarketersEnable = True"},
                               {27, "BlockSelectedCallsEnable = True"},
                               {28, "Talking_Call = False"}};
        Rig rig(start);
        const QByteArray before = rig.folder.bytes("acsetup.bin");
        rig.window->ui.mnuSetup->trigger();
        frmSetup *w = rig.aux().setupWindow();
        QVERIFY(w && w->isVisible());
        QVERIFY(rig.state->windowsOpen());
        QCOMPARE(w->ui.lblMinimizeTime->text(), "30");
        QCOMPARE(w->ui.lblShortDate->text(), QLocale().toString(QDate::currentDate(), "M/d/yyyy"));

        for (const QString &a : actions) {
            if (a == "apply") {
                w->ui.cmdOkSetup->click();
            } else if (a == "default") {
                m_t->boxes.answer(vbYes);
                w->ui.cmdDefaultSetup->click();
                QCOMPARE(m_t->boxes.titles().last(), "Defaut Configuration Confirmation!");
            } else if (a == "closebox") {
                w->closeBox();
            } else if (a == "tray") {
                rig.window->minimise();
            } else if (a == "up") {
                w->ui.updToggleMinimizeTime->stepUp();
            } else if (a == "down") {
                w->ui.updToggleMinimizeTime->stepDown();
            } else if (a == "speakNames") {
                w->findChild<QCheckBox *>("chkSpeakNames")->click();
            } else if (a == "noNotifications") {
                w->findChild<QCheckBox *>("chkNotifications")->click();
            } else if (a == "pagerOn") {
                m_t->boxes.answer(vbYes);
                rig.aux().switches.PagerOn();
            } else if (a == "badAddress" || a == "goodAddress") {
                w->findChild<QLineEdit *>("txtNcidServerAddress")->setText(a == "badAddress" ? "my host" : "::1");
            }
        }
        QCOMPARE(rig.aux().setupWindow() == w, !closed);
        QCOMPARE(rig.state->windowsOpen(), !closed);
        if (actions.contains("badAddress"))
            QCOMPARE(m_t->boxes.titles().value(0), "Network");
        const QByteArray after = rig.folder.bytes("acsetup.bin");
        QCOMPARE(after.size(), before.size());
        for (int rec = 1; rec <= 28; ++rec) {
            const QByteArray expected = records.contains(rec) ? settingsRecord(records[rec]) : recordOf(before, rec);
            QVERIFY2(recordOf(after, rec) == expected,
                     qPrintable(QStringLiteral("record %1: ").arg(rec) + QString::fromLatin1(recordOf(after, rec))));
        }
        const bool applied = closed && actions.contains("apply");
        const bool speak = applied && actions.contains("speakNames");
        const bool quiet = applied && actions.contains("noNotifications");
        const ProgramSettings conf = ProgramSettings::load(rig.folder.path());
        QCOMPARE(conf.ncidServerAddress, applied && actions.contains("goodAddress") ? "::1" : "");
        QCOMPARE(QList<bool>({conf.speakNames, conf.notifications, rig.state->options.speakNames,
                              rig.state->options.notifications}),
                 QList<bool>({speak, !quiet, speak, !quiet}));
        // The settings in memory are what the file says.
        Settings reread;
        SetupFile(rig.folder.path()).load(reread);
        QCOMPARE(rig.state->settings.composeRecord(9), reread.composeRecord(9));
        QCOMPARE(rig.state->settings.PagerId, reread.PagerId);
    }

    void switches_data()
    {
        // `record`: record 23 or 26 afterwards; `offShown`: the service's "off" button shown (service on).
        columns<QString, bool, bool, MsgAnswer, QStringList, QString, bool>("op", "enabled", "writable", "answer",
                                                                            "titles", "record", "offShown");
        const QStringList pager = {"Pager Notification Confirmation!"}, tm = {"'Block TeleMarketers' Confirmation!"};
        row("PagerOFF not enabled", "PagerOFF", false, true, vbYes,
            QStringList{"Pager Notification 'Turn OFF' is not possible!"}, "CallSendToPagerStatus = True", true);
        row("PagerOn", "PagerOn", true, true, vbYes, pager, "CallSendToPagerStatus = True", true);
        row("PagerOn, file not writable", "PagerOn", true, false, vbYes, pager + QStringList{"File Write Error"},
            "CallSendToPagerStatus = False", false);
        row("BlockTeleMarketersOn answered No", "BlockTeleMarketersOn", true, true, vbNo, tm,
            "BlockTeleMarketersStatus= False", false);
        row("BlockTeleMarketersOn", "BlockTeleMarketersOn", true, true, vbYes, tm, "BlockTeleMarketersStatus= True",
            true);
    }

    void switches()
    {
        QFETCH(QString, op);
        QFETCH(bool, enabled);
        QFETCH(bool, writable);
        QFETCH(MsgAnswer, answer);
        QFETCH(QStringList, titles);
        QFETCH(QString, record);
        QFETCH(bool, offShown);
        const bool pager = op.startsWith("Pager");
        const QString on = enabled ? "True" : "False";
        // The pager's status starts on, the telemarketers' off.
        Rig rig({{15, "CallSendToPagerEnable = " + on},
                 {22, "BlockTeleMarketersEnable = " + on},
                 {23, "CallSendToPagerStatus = True"}});
        MainControls &ui = rig.window->ui;
        rig.window->showServiceState(ServicePair::Pager, true);
        rig.window->showServiceState(ServicePair::Telemarketers, false);
        if (!writable) {
            QFile::remove(rig.folder.file("acsetup.bin"));
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), rig.folder.file("acsetup.bin")));
        }
        m_t->boxes.answer(answer);
        SetupSwitches &s = rig.aux().switches;
        if (op == "PagerOn") {
            rig.window->showServiceState(ServicePair::Pager, false);
            rig.state->settings.CallSendToPagerStatus = false;
            s.PagerOn();
        } else if (op == "PagerOFF") {
            s.PagerOFF();
        } else {
            s.BlockTeleMarketersOn();
        }
        QCOMPARE(m_t->boxes.titles(), titles);
        if (op == "PagerOFF")
            QVERIFY(m_t->boxes.shown[0].text.contains("Go to Setup Menu and and turn ON"));
        const int rec = pager ? 23 : 26;
        if (op != "PagerOn" || writable)
            QCOMPARE(recordOf(rig.folder.bytes("acsetup.bin"), rec), settingsRecord(record));
        QCOMPARE(rig.state->settings.composeRecord(rec), record);
        QWidget *offButton = pager ? static_cast<QWidget *>(ui.cmdPagerNotificationOFF) : ui.cmdReleaseTelemarketers;
        QWidget *onButton = pager ? static_cast<QWidget *>(ui.cmdPagerNotificationON) : ui.cmdBlockTelemarketers;
        QCOMPARE(!offButton->isHidden(), offShown);
        QCOMPARE(!onButton->isHidden(), !offShown);
    }

    void colour_data()
    {
        // Color_Choice at start; the button clicked in the chooser (empty: none); closed by the user
        // (else unloaded by the tray); acsetup.bin writable; record 1 of acsetup.bin afterwards;
        // Color_Choice afterwards.
        columns<QString, QString, bool, bool, QString, QString>("stored", "button", "closeBox", "writable", "record1",
                                                                "kept");
        row("dark red, close box", "16744576", "cmdDarkRed", true, true, "Color_Choice = 8421631", "8421631");
        row("dark red, tray", "16744576", "cmdDarkRed", false, true, "Color_Choice = 16744576", "8421631");
        row("dark red, file not writable", "16744576", "cmdDarkRed", true, false, "", "16744576");
        row("zero keeps designed colours", "0", "", true, true, "Color_Choice = 0", "16744576");
    }

    void colour()
    {
        QFETCH(QString, stored);
        QFETCH(QString, button);
        QFETCH(bool, closeBox);
        QFETCH(bool, writable);
        QFETCH(QString, record1);
        QFETCH(QString, kept);
        Rig rig;
        // "0" never comes from the file (its reader takes the default instead): set it as held.
        rig.state->settings.Color_Choice = stored;
        const QColor designed = QWidget().palette().color(QPalette::Window);
        rig.window->ui.DisplayColor->trigger();
        frmColorChoice *chooser = rig.aux().colorWindow();
        QVERIFY(chooser && rig.state->windowsOpen());
        QCOMPARE(chooser->buttons.size(), 14);

        if (!button.isEmpty()) {
            QVERIFY(!rig.aux().callsLogWindow());
            chooser->findChild<QPushButton *>(button)->click();
            QCOMPARE(rig.state->settings.Color_Choice, "8421631");
            QCOMPARE(rig.window->ui.client->palette().color(QPalette::Window), QColor(255, 128, 128));
            // The plain buttons keep the system's colours (the colour is chosen here, not read at start).
            QCOMPARE(rig.window->ui.cmdCallLog->palette().color(QPalette::Window), designed);
            QVERIFY(rig.aux().callsLogWindow() && rig.aux().callsLogWindow()->isVisible());
            QVERIFY(rig.aux().blockedWindow() && !rig.aux().blockedWindow()->isVisible());
        } else {
            rig.window->ui.mnuSetup->trigger();
            QCOMPARE(rig.aux().setupWindow()->palette().color(QPalette::Window), designed);
            QCOMPARE(chooser->palette().color(QPalette::Window), designed);
        }
        if (!writable) {
            QFile::remove(rig.folder.file("acsetup.bin"));
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), rig.folder.file("acsetup.bin")));
        }
        if (closeBox)
            chooser->closeBox();
        else
            rig.window->minimise();
        QVERIFY(!rig.aux().colorWindow());
        QCOMPARE(m_t->boxes.titles(), writable ? QStringList() : QStringList{"File Write Error"});
        if (writable)
            QCOMPARE(recordOf(rig.folder.bytes("acsetup.bin"), 1), settingsRecord(record1));
        // What the windows show is what the program holds.
        QCOMPARE(rig.state->settings.Color_Choice, kept);
        if (!button.isEmpty()) {
            QCOMPARE(rig.window->ui.client->palette().color(QPalette::Window), vbColor(kept.toInt()));
            if (frmListView *log = rig.aux().callsLogWindow())
                QCOMPARE(log->palette().color(QPalette::Window), vbColor(kept.toInt()));
        }
    }

    void helpFile_data()
    {
        columns<QString, QString>("folder", "path");
        row("folder", "/opt/caller", "/opt/caller/RINGLARK.HLP");
        row("root", "/", "/RINGLARK.HLP");
        row("blanks around", " /opt/caller ", "/opt/caller/RINGLARK.HLP");
    }

    void helpFile()
    {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QCOMPARE(AppState(folder).helpFile(), path);

        // The guide opens at its contents and goes with the main window.
        Rig rig;
        rig.window->ui.mnuHelpHelp->trigger();
        HelpWindow *help = rig.aux().helpWindow();
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->windowTitle(), "Ringlark Talking Caller ID Help");
        QVERIFY(help->browser()->toPlainText().contains("dialout"));
        rig.window->ui.mnuAbout->trigger();
        QVERIFY(rig.state->windowsOpen());
        m_t->boxes.answer(vbYes);
        rig.window->mnuExit_Click();
        QVERIFY(!rig.aux().helpWindow());
        QVERIFY(!rig.aux().aboutWindow());
        QVERIFY(!rig.state->windowsOpen());
    }

private:
    std::unique_ptr<TestScope> m_t;
};

QTEST_MAIN(tst_Windows)
#include "tst_windows.moc"
