#pragma once

// What `watch` is asked to do: watch from this console, watch without one
// (what the log-on registration starts), or manage a watcher.
enum class WatchMode { Console, Background, Stop, Pause, Resume, Install, Uninstall };

// How long the desktop must stay quiet after an event before the layout comes
// back, in seconds: /w takes a whole number in this range.
constexpr int kDefaultQuietSeconds = 3;
constexpr int kMaxQuietSeconds = 3600;

// How long an arrangement must stay unchanged before the watcher saves it, in
// seconds: /s takes a whole number in this range.
constexpr int kDefaultSaveSeconds = 60;
constexpr int kMinSaveSeconds = 5;
constexpr int kMaxSaveSeconds = 86400;

struct WatchOptions {
    WatchMode mode = WatchMode::Console;
    int quietSeconds = kDefaultQuietSeconds;
    int saveSeconds = kDefaultSaveSeconds;
    bool saves = true;  // false with /nosave
    bool fit = false;   // /fit: without a layout for the display, the nearest one, fitted
};

// Runs the watch command and returns its exit code: 0 when the watcher was
// stopped, paused or resumed, or the registration done, 1 when another watcher
// runs, the watcher cannot start, the registration or the stop failed, or there
// is no watcher to pause or resume.
[[nodiscard]] int RunWatchCommand(const WatchOptions& options);
