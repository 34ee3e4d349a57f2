#pragma once

#include <QString>

// The settings the program keeps beside the setup records: network and desktop options, in a
// text file of its own ("ringlark.conf", INI form) in the data folder. `acsetup.bin` keeps only
// its own records. A missing or damaged file gives the defaults below.
struct ProgramSettings {
    static constexpr quint16 NcidDefaultPort = 3333;

    // Publish every call to NCID clients.
    bool ncidServerEnabled = false;
    QString ncidServerAddress; // empty: the loopback addresses only
    quint16 ncidServerPort = NcidDefaultPort;
    // Take the calls from an NCID server instead of the modem.
    bool ncidClientEnabled = false;
    QString ncidClientHost;
    quint16 ncidClientPort = NcidDefaultPort;
    // Desktop.
    bool speakNames = false;
    bool notifications = true;

    static QString fileName() { return QStringLiteral("ringlark.conf"); }
    // Reads the file in `folder`; what is missing or unreadable keeps its default.
    static ProgramSettings load(const QString &folder);
    // Writes the file in `folder`; false with the reason when it could not be written.
    bool save(const QString &folder, QString *error = nullptr) const;

    bool operator==(const ProgramSettings &) const = default;
};

// "[ADDRESS:]PORT" and "HOST[:PORT]" as typed on the command line or in Setup. IPv6 addresses
// go in brackets ("[::1]:3333"). False when the text is not one.
bool parseHostPort(const QString &text, QString *host, quint16 *port, quint16 defaultPort, bool hostRequired);
