#ifndef KELVANE_APP_VERSION_H
#define KELVANE_APP_VERSION_H

// The program's version. The banner prints it and the version resource
// (resources/version.rc) carries it, so this header stays plain preprocessor
// text that resource compilers read too; scripts/package.sh reads it for the
// package's name.
#define KELVANE_VERSION_MAJOR 1
#define KELVANE_VERSION_MINOR 5
#define KELVANE_VERSION_PATCH 4
#define KELVANE_VERSION_BUILD 19

#endif
