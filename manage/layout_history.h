#pragma once

// Without a name, every layout name with versions kept (a deleted layout's
// too), one a line: the name, the number of versions and the local time of the
// newest, separated by tabs. With one, that layout's versions newest first, one
// a line: the number (1 is the newest), the local time it was kept, its number
// of icons and what replaced it. A name without versions is one line on
// standard error, and the command is not done.
int ShowLayoutHistory(const wchar_t* givenName);
