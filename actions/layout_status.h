#pragma once

// Compares the desktop with a stored layout (the given name, or the current
// display's default one), or with version `version` of it when that is not 0,
// and changes nothing. Prints on standard output the
// layout's name, the numbers of icons in place, elsewhere, in the layout but
// not on the desktop and on the desktop but not in the layout, then one line
// per icon not in place: its kind, name, where it stands and where the layout
// has it, separated by tabs, a missing point as "-". Returns kActionDone when
// every icon of the layout that is on the desktop stands at its stored place,
// otherwise kActionNotDone (a layout not found included).
int ReportLayoutStatus(const wchar_t* givenName, int version);
