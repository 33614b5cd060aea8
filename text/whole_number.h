#pragma once

// Reads a whole number written in the digits 0 to 9 alone (no sign, no space)
// and lying from low to high. On success sets number and returns true; on
// failure leaves number as it was.
[[nodiscard]] bool ParseWholeNumber(const wchar_t* text, int low, int high, int& number);
