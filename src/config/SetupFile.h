#pragma once

#include "Settings.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <memory>

class FileChanges;

// The settings file acsetup.bin (and the factory defaults desetup.bin): 100-byte records,
// read once at start-up into the 32 raw records and the typed settings, then written back one
// record at a time, in place. Nothing rewrites the whole file except the one copy of the
// defaults over an empty settings file.
class SetupFile {
public:
    explicit SetupFile(const QString &programFolder);
    ~SetupFile();
    // A copy holds the same records and opens the file for itself.
    SetupFile(const SetupFile &other);
    SetupFile &operator=(const SetupFile &other);

    QString path() const { return m_path; }
    QString defaultsPath() const { return m_defaultsPath; }
    // The factory defaults where they are installed (beside the settings file unless set).
    void setDefaultsPath(const QString &path) { m_defaultsPath = path; }

    struct LoadOutcome {
        bool usedDefaults = false; // the settings file was empty: the "Setup Configuration" case
        QString error;             // a step that failed (it was skipped); empty when none
        QString copyError;         // why the defaults could not be copied to acsetup.bin
    };
    // Reads acsetup.bin, or desetup.bin when acsetup.bin is empty (copying it over), into the
    // raw records and `settings`. `beforeDefaults` runs before the defaults are read (the
    // program tells the user there). A failing step is skipped; loading always completes.
    LoadOutcome load(Settings &settings, const std::function<void()> &beforeDefaults = {});

    // Writes record n (1 to 28) in place and brings the matching setting to the same value.
    // When the write fails, the record in memory and the setting keep their old values.
    bool WriteSetupRecord(int rec, const QString &text, Settings &settings, QString *error);
    // Puts a record into the raw table without writing the file (modem detection prepares
    // records 1 to 3 before it writes them).
    void putRecord(int rec, const QString &text);
    // Writes records that were put, in one opening of the file.
    bool writeRecords(int first, int last, QString *error);
    // The Setup dialog's save: records 5 to 28 composed from the settings, one opening. When
    // the write fails, the records in memory keep their old values.
    bool saveSetupDialog(const Settings &settings, QString *error);

    // Raw record n as held in memory (100 bytes; 100 NULs when never read or written).
    QByteArray record(int rec) const;

private:
    bool writeRange(int first, int last, QString *error);
    // The file opened for a write: the one kept open since an earlier write while no other file
    // has been put in its place, else opened now (and kept where the kernel can tell of a
    // replacement). -1 when it cannot be opened.
    int openForWrite();
    void closeKept();

    QString m_path;
    QByteArray m_encodedPath; // m_path as the system's calls take it
    QString m_defaultsPath;
    std::unique_ptr<FileChanges> m_changes;
    int m_keptFd = -1;
    quint64 m_keptMark = 0;
    // The kept file's length as this program left it (-1 until known): no record written needs
    // a gap filled before it while it holds every record. One cut short by another program
    // reads back as NULs before what is written next, as a filled gap would.
    qint64 m_keptSize = -1;
    std::array<QByteArray, Settings::RecordCount + 1> m_records;
};
