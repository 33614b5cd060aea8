#include "text/whole_number.h"

bool ParseWholeNumber(const wchar_t* text, int low, int high, int& number) {
    if (text[0] == L'\0') {
        return false;
    }
    int value = 0;
    for (const wchar_t* digit = text; *digit != L'\0'; ++digit) {
        if (*digit < L'0' || *digit > L'9') {
            return false;
        }
        value = value * 10 + (*digit - L'0');
        // Checked at every digit, so that a long number cannot overflow.
        if (value > high) {
            return false;
        }
    }
    if (value < low) {
        return false;
    }
    number = value;
    return true;
}
