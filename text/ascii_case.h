#pragma once

// Compares two texts folding only 'A' to 'Z' onto 'a' to 'z'; every other code
// unit must be equal. Command-line words, layout names and identities compare so,
// whatever the user's locale.
[[nodiscard]] bool EqualsIgnoringAsciiCase(const wchar_t* left, const wchar_t* right);
