#pragma once

// Deletes the named stored layout, or the current display's when the name is
// empty, after asking unless told yes.
int RemoveLayout(bool assumeYes, const wchar_t* givenName);
