#pragma once
// Logging out, shutting down or Ctrl+C send SIGTERM, SIGHUP or SIGINT. Instead of dying on the spot the
// program then ends the normal way, with the settings written, from its event loop. A file grown past the
// size limit (SIGXFSZ) makes the write fail, which is reported, instead of ending the program.

#include <functional>

namespace end_signals {

// Calls `end` in the event loop when one of the signals arrives. Call once, after the application object.
void install(std::function<void()> end);

} // namespace end_signals
