#pragma once

#include <QString>

#include <optional>

// The service's command line: where its data is, where it publishes its calls, how much it logs.
struct ServiceOptions {
    // The data folder: --data, else $STATE_DIRECTORY (systemd's StateDirectory=), else the
    // user's data folder as the desktop program finds it.
    QString dataFolder;
    QString ncidAddress = QStringLiteral("127.0.0.1");
    quint16 ncidPort = 3333;
    bool verbose = false;
};

// Reads the command line. An exit status when the run is over (--help, --version, a bad option,
// said on the standard streams); the options otherwise.
std::optional<int> readServiceOptions(const QStringList &arguments, ServiceOptions *options);
