#pragma once

// The save action: records the position of every desktop icon under the named
// layout (or the display's default name when the name is empty), replacing what
// the layout held. Reports only failures.
void SaveLayout(bool assumeYes, const wchar_t* layoutName);
