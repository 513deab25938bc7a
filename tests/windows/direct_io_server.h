// A system that lets programs execute port instructions (Windows 9x, or an NT-family
// system whose port I/O enabler opened the ports), played by the test host: the
// plug-in's `in`/`out` instructions fault under Wine, and a vectored exception
// handler serves each one from the simulated bench linked into this host, then
// steps over it.
#pragma once

#include "helper_bench.h"

// Installs the server first in the chain of vectored handlers, before any plug-in is
// loaded (its start-up probe runs inside LoadLibrary). Only instructions inside the
// loaded images of the DLLs at `paths` are served; any other fault goes on to the
// next handler, and a stray one still crashes. While the bench refuses access the
// instructions are refused too, as on a system without the enabler.
bool serveDirectIo(const char* const (&paths)[2]);

// The bench the served instructions reach.
Bench directIoBench();
