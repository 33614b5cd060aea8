#pragma once

// The doctor command: prints on standard output, one `name: value` line each,
// the facts a maintainer needs to understand a report from the user's machine.
// A fact it cannot find says why in its value. It changes nothing, neither the
// store (no key is created) nor the desktop, and returns 0.
int RunDoctor();
