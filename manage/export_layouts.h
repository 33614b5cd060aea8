#pragma once

// Writes the named stored layout, or every one when the name is empty, to a
// layout file, after asking before it replaces an existing file unless told yes.
// Every value of a layout is read; one the file cannot represent is named on
// standard error and left out, and the export then counts as not done.
int ExportLayouts(bool assumeYes, const wchar_t* fileName, const wchar_t* givenName);
