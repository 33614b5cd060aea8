#pragma once

// Puts back the arrangement that the last restore replaced, after asking unless
// told yes, and keeps the one it replaces in its turn: a second undo takes the
// first back.
int UndoRestore(bool assumeYes);
