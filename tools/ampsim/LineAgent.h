#pragma once
// The host's side of RemoteLine: serves the device ends of serial lines to a simulator that runs under Wine
// and cannot make pseudo-terminals itself. Its requests come on <portsDir>/com<controlPort>; each line it
// plugs in is a pseudo-terminal linked as <portsDir>/com<n>, with portsDir the Wine prefix's dosdevices.

#include <csignal>
#include <string>

namespace ampsim {

// Until stop is set; false with a reason in error when the request line cannot be made.
bool serveLines(const std::string& portsDir, int controlPort, const volatile std::sig_atomic_t& stop,
                std::string& error);

} // namespace ampsim
