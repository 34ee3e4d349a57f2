// The whole program as a process: its own program folder, the simulated modem as COM1.
#include "ModemSim.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

class tst_Program : public QObject {
    Q_OBJECT
private slots:
    void startsConnectedAndRunsOnce()
    {
        TestFolder folder;
        folder.copyProgramData();
        QVERIFY(QFile::copy(QStringLiteral(RINGLARK_BIN_DIR "/ringlark"), folder.file("ringlark")));
        QFile::setPermissions(folder.file("ringlark"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        folder.writeSettings({{2, "COM_Port = 1"}, {4, "Call_Id_AT_Command = AT+VCID=1"}});
        ModemSimThread modem;
        QVERIFY(modem.linkAs(folder.path(), 1));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(folder.file("ringlark"));
        QVERIFY(first.waitForStarted());
        QVERIFY2(modem.waitForCommand("AT+VCID=1", 20000), first.readAllStandardError().constData());
        QCOMPARE(modem.received(), QByteArray("AT+VCID=1\r"));

        // A second copy on the same data files ends at once, without a word and without the port.
        QProcess second;
        second.setProcessEnvironment(env);
        second.start(folder.file("ringlark"));
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(modem.received(), QByteArray("AT+VCID=1\r"));

        // Logout, kill and Ctrl+C end it as File > Exit does: the port and its lock let go.
        const QString portLock = "/run/lock/LCK.." + modem.devicePath().mid(5).replace('/', '_');
        first.terminate();
        QVERIFY(first.waitForFinished(5000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(!QFile::exists(portLock));
        QVERIFY(!folder.exists("ringlark.lock"));
    }

    void commandLine_data()
    {
        // Answered without a display: no platform plugin is named and DISPLAY is unset.
        columns<QStringList, int, QString>("arguments", "exitCode", "stdoutStart");
        row("version", QStringList{"--version"}, 0, "ringlark 1.0.0\n");
        row("help", QStringList{"--help"}, 0, "Usage: ");
        row("unknown option", QStringList{"--no-such-thing"}, 2, "");
        row("stray argument", QStringList{"extra"}, 2, "");
        row("server port not a number", QStringList{"--ncid-server", "localhost:x"}, 2, "");
        row("client without host", QStringList{"--ncid-client", ":3333"}, 2, "");
        // The calls as CSV, without a display or the modem.
        row("export to standard output", QStringList{"--export-calls", "-"}, 0,
            "Call,Date,Time,Name,Number,Rings,Refused\r\n");
        row("export to a folder that is not there", QStringList{"--export-calls", "/nonexistent/calls.csv"}, 1, "");
        row("export and a screening option", QStringList{"--export-calls", "-", "--rules"}, 2, "");
        row("check without a number", QStringList{"--check"}, 2, "");
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, stdoutStart);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(RINGLARK_BIN_DIR "/ringlark"), arguments);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), exitCode);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        const QStringList err = QString::fromUtf8(p.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(out.left(stdoutStart.size()), stdoutStart);
        if (exitCode != 0) // one line that says what was wrong
            QVERIFY2(err.size() == 1 && err[0].startsWith("ringlark: "), qPrintable(err.join('|')));
    }

    void screeningFromTheCommandLine()
    {
        // Each step a run of its own in one program folder, without a display, as a script runs them.
        TestFolder folder;
        folder.copyProgramData();
        QVERIFY(QFile::copy(QStringLiteral(RINGLARK_BIN_DIR "/ringlark"), folder.file("ringlark")));
        QFile::setPermissions(folder.file("ringlark"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        folder.write("allowed.txt", "# ncidd.hangup whitelist file\n^1?8005551 # the office\n");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        const auto run = [&](const QStringList &arguments, int *code = nullptr) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(folder.file("ringlark"), arguments);
            if (!p.waitForFinished(10000))
                return QStringLiteral("(did not end)");
            if (code)
                *code = p.exitCode();
            return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        };
        int code = -1;
        QCOMPARE(run({"--block", "^1?800", "--comment", "toll free", "--block", "wireless caller"}, &code), "");
        QCOMPARE(code, 0);
        QCOMPARE(run({"--alias", "800-555-1212=MUM"}, &code), "");
        QCOMPARE(run({"--import", folder.file("allowed.txt")}, &code),
                 folder.file("allowed.txt") + ": allow list read, 1 rules and 0 aliases\n");
        QCOMPARE(run({"--check", "18005550000", "ACME"}), "Refused: pattern ^1?800\n");
        QCOMPARE(run({"--check", "4075550000", "Wireless Caller"}), "Refused: pattern wireless caller\n");
        QCOMPARE(run({"--check", "8005551212"}), "Allowed: pattern ^1?8005551 (shown as MUM)\n");
        QCOMPARE(run({"--check", "4075550000", "JOHN DOE"}, &code), "Shown: no rule refuses it\n");
        QCOMPARE(code, 0);
        QCOMPARE(run({"--unrule", "^1?800"}, &code), "");
        QCOMPARE(run({"--rules"}), "block name   wireless caller (0 calls) # toll free\n"
                                   "allow number ^1?8005551 (0 calls) # the office\n"
                                   "alias 8005551212 = MUM\n");
        // What cannot be done is said, on one line each, and the run fails.
        QVERIFY(run({"--unrule", "^1?800"}, &code).startsWith("ringlark: no rule has the pattern"));
        QCOMPARE(code, 1);
        QVERIFY(run({"--block", "/(a+)+$/"}, &code).startsWith("ringlark: '/(a+)+$/' is not used: "));
        QCOMPARE(code, 1);
        QVERIFY(run({"--alias", "MUM"}, &code).startsWith("ringlark: --alias wants NUMBER=NAME"));
        QCOMPARE(code, 1);
        QVERIFY(run({"--comment", "why"}, &code).startsWith("ringlark: --comment goes with"));
        QCOMPARE(code, 2);
        // The export reads a damaged database without moving it: that is for the program to do.
        const QByteArray garbage(4096, 'x');
        folder.write("screening.db", garbage);
        QVERIFY(QFile::remove(folder.file("screening.db-wal")) || !folder.exists("screening.db-wal"));
        QVERIFY(run({"--export-calls", "-"}, &code).startsWith("Call,Date,Time,Name,Number,Rings,Refused\r\n"));
        QCOMPARE(code, 0);
        QCOMPARE(folder.bytes("screening.db"), garbage);
        QVERIFY(QFile::remove(folder.file("screening.db")));
        QVERIFY(QDir(folder.path()).mkdir("screening.db"));
        QVERIFY(run({"--rules"}, &code).startsWith("ringlark: the screening rules cannot be used"));
        QCOMPARE(code, 1);
    }
};

QTEST_GUILESS_MAIN(tst_Program)
#include "tst_program.moc"
