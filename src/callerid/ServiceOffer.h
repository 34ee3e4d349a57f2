#pragma once

#include <QtGlobal>

class DataFiles;
class NcidCalls;

// Another program holds the modem. When it is Ringlark's own service on this machine (its NCID
// port on loopback greets as Ringlark), the user is asked, once for good, whether to take the
// calls from it instead; the answer is kept in ringlark.conf.
namespace ServiceOffer {

// True when the calls now come from the service (the modem is left to it).
bool takeCallsFromService(DataFiles &files, NcidCalls &network, quint16 port);
// The greeting of an NCID server on loopback at `port` is Ringlark's.
bool ringlarkListensOn(quint16 port);

} // namespace ServiceOffer
