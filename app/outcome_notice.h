#pragma once

// Shows a person how a command of the windowless program ended: as a
// notification of the program's icon in the notification area, or, where no
// icon can be shown (no shell's taskbar runs), as a message box. Returns once
// the notification has gone (shown out, clicked or closed, at most
// kNoticeMilliseconds) or the box is closed.
void ShowOutcome(const wchar_t* text, bool failed);

// How long the icon stays for its notification when the taskbar does not say
// that it has gone.
constexpr unsigned kNoticeMilliseconds = 10000;
