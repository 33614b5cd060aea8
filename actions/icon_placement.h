#pragma once

#include <windows.h>

// Moves the icon at `index` to (x, y). When another icon (the occupant) covers
// that point, the occupant first moves to a free point of the work area. The
// blocks belong to the caller; messages go to standard output.
void RestoreIconPosition(HWND listView, int index, int x, int y, HANDLE process, void* remoteFind, void* remotePoint,
                         void* remoteRect);

// Scans the work area's icon grid, column by column from the top left, for the
// first point that no icon covers. False when there is none (nothing printed) or
// when a shell exchange failed (after printing it); the point is then unchanged.
bool FindFreeIconPosition(HWND listView, POINT& freePoint, HANDLE process, void* remoteFind, void* remoteRect);

// The lParam of LVM_SETITEMPOSITION: each coordinate cut to its low 16 bits.
LPARAM PackItemPosition(int x, int y);
