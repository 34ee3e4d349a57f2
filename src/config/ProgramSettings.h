#pragma once

#include <QString>

// The settings the program keeps beside the setup records: network and desktop options, in a
// text file of its own ("ringlark.conf", INI form) in the data folder. `acsetup.bin` keeps only
// its own records. A missing or damaged file gives the defaults. Each setting is one row of a
// table in ProgramSettings.cpp (its key in the file, its member, its default), which both load
// and save read.
struct ProgramSettings {
    static constexpr quint16 NcidDefaultPort = 3333;
    // A few lines of keys; a file many times this size is no settings file of ours, and reading
    // it whole would hold up the start and the memory for nothing.
    static constexpr qint64 MaxFileSize = 64 * 1024;

    ProgramSettings(); // every member at its default

    // Publish every call to NCID clients.
    bool ncidServerEnabled;
    QString ncidServerAddress; // empty: the loopback addresses only
    quint16 ncidServerPort;
    // The name of the modem's line in what is published (NCID's LINE field).
    QString ncidLineName;
    // The clients whose requests may change the lists (blocked, allowed, names): addresses or
    // networks ("192.168.1.0/24"), separated by blanks or commas. Loopback always may.
    QString ncidListsFrom;
    // The clients that may connect at all, in the same form; empty: any. Loopback always may.
    QString ncidClientsFrom;
    // Take the calls from an NCID server instead of the modem.
    bool ncidClientEnabled;
    QString ncidClientHost;
    quint16 ncidClientPort;
    // Desktop.
    bool speakNames;
    bool notifications;
    // The user was asked once whether to take the calls from Ringlark's service on this machine.
    bool serviceOffered;

    static QString fileName() { return QStringLiteral("ringlark.conf"); }
    // Reads the file in `folder`; what is missing or unreadable keeps its default. A file over
    // MaxFileSize is not read: it is kept aside as damaged (the user told once) and the defaults
    // are used.
    static ProgramSettings load(const QString &folder);
    // Writes the file in `folder`; false with the reason when it could not be written.
    bool save(const QString &folder, QString *error = nullptr) const;

    bool operator==(const ProgramSettings &) const = default;
};

// "[ADDRESS:]PORT" and "HOST[:PORT]" as typed on the command line or in Setup. IPv6 addresses
// go in brackets ("[::1]:3333"). False when the text is not one.
bool parseHostPort(const QString &text, QString *host, quint16 *port, quint16 defaultPort, bool hostRequired);
