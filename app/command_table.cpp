#include "app/command_table.h"

#include "actions/layout_status.h"
#include "actions/restore_layout.h"
#include "actions/save_layout.h"
#include "actions/undo_restore.h"
#include "app/console_output.h"
#include "diagnose/doctor.h"
#include "manage/export_layouts.h"
#include "manage/import_layouts.h"
#include "manage/layout_history.h"
#include "manage/list_layouts.h"
#include "manage/menu_command.h"
#include "manage/remove_layout.h"
#include "store/layout_versions.h"
#include "text/whole_number.h"
#include "watcher/watch_command.h"

namespace {

constexpr CommandSet kFileCommands = CommandsOf(Action::Export) | CommandsOf(Action::Import);
constexpr CommandSet kWatchCommand = CommandsOf(Action::Watch);
constexpr CommandSet kInstallingCommands = kWatchCommand | CommandsOf(Action::Menu);

// Export and import need a file: without one the command line is wrong.
bool HasFile(const CommandLine& command) {
    if (!command.fileName.IsEmpty()) {
        return true;
    }
    PrintText(OutputStream::Err, L"Missing File.\n");
    PrintUsage();
    return false;
}

bool SetWatchMode(CommandLine& command, WatchMode mode) {
    command.watch.mode = mode;
    return true;
}

// Tested in this order.
constexpr CommandSpec kCommands[] = {
    {Action::Save,
     {L"save", L"/save"},
     nullptr,
     true,
     [](const CommandLine& c) {
         SaveLayout(c.assumeYes, c.layoutName.Text());
         return 0;
     }},
    {Action::Restore,
     {L"restore", L"/restore"},
     L"  restore [/n \"Layout\"] /v N   - Put back version N of a layout (1 is the newest).\n"
     L"  restore [/n \"Layout\"] /fit   - Fit a layout saved on another display to this one.\n",
     true,
     [](const CommandLine& c) {
         const Fitting fitting = c.fit ? Fitting::ToDisplay : Fitting::AsStored;
         if (c.version != 0) {
             RestoreLayoutVersion(c.assumeYes, c.layoutName.Text(), c.version, fitting);
         } else {
             RestoreLayout(c.assumeYes, c.layoutName.Text(), fitting);
         }
         return 0;
     }},
    {Action::Query,
     {L"query", L"/query"},
     nullptr,
     true,
     [](const CommandLine& c) {
         QueryLayouts(c.assumeYes);
         return 0;
     }},
    {Action::Help,
     {L"/?", nullptr},
     nullptr,
     true,
     [](const CommandLine&) {
         PrintUsage();
         return 0;
     }},
    {Action::List,
     {L"list", L"/list"},
     L"  list [/n \"Layout\"]           - List the layouts, or the icons of one.\n",
     false,
     [](const CommandLine& c) { return ListLayouts(c.layoutName.Text()); }},
    {Action::Delete,
     {L"delete", L"/delete"},
     L"  delete [/n \"Layout\"] /y      - Delete a layout.\n",
     false,
     [](const CommandLine& c) { return RemoveLayout(c.assumeYes, c.layoutName.Text()); }},
    {Action::Export,
     {L"export", L"/export"},
     L"  export /f File [/n \"Layout\"] - Write every layout, or one, to a JSON file.\n",
     false,
     [](const CommandLine& c) {
         return HasFile(c) ? ExportLayouts(c.assumeYes, c.fileName.Text(), c.layoutName.Text()) : -1;
     }},
    {Action::Import,
     {L"import", L"/import"},
     L"  import /f File [/n \"Layout\"] - Store a file's layouts, or its one as Layout.\n",
     false,
     [](const CommandLine& c) {
         return HasFile(c) ? ImportLayouts(c.assumeYes, c.fileName.Text(), c.layoutName.Text()) : -1;
     }},
    {Action::Undo,
     {L"undo", L"/undo"},
     L"  undo /y                      - Take back the last restore.\n",
     true,
     [](const CommandLine& c) { return UndoRestore(c.assumeYes); }},
    {Action::History,
     {L"history", L"/history"},
     L"  history [/n \"Layout\"]        - List the kept versions of the layouts, or of one.\n",
     false,
     [](const CommandLine& c) { return ShowLayoutHistory(c.layoutName.Text()); }},
    // A watcher stopped by Ctrl+C has done what it was asked: it ends with its own code.
    {Action::Watch,
     {L"watch", L"/watch"},
     L"  watch [/w Seconds] [/s Seconds | /nosave] [/fit]\n"
     L"        [/stop | /pause | /resume | /install | /uninstall]\n"
     L"                               - Put the icons back, and keep their layout saved, by themselves.\n",
     false,
     [](const CommandLine& c) { return RunWatchCommand(c.watch); }},
    {Action::Status,
     {L"status", L"/status"},
     L"  status [/n \"Layout\"] [/v N]  - Compare the desktop with a layout, or a version of it.\n",
     false,
     [](const CommandLine& c) { return ReportLayoutStatus(c.layoutName.Text(), c.version); }},
    {Action::Doctor,
     {L"doctor", L"/doctor"},
     L"  doctor                       - Print the facts a problem report needs.\n",
     false,
     [](const CommandLine&) { return RunDoctor(); }},
    {Action::Menu,
     {L"menu", L"/menu"},
     L"  menu /install | /uninstall   - Add Kelvane to the desktop's menu, or take it out.\n",
     false,
     [](const CommandLine& c) { return RunMenuCommand(c.watch.mode); }},
};

constexpr OptionSpec kOptions[] = {
    {L"/y", OptionValue::None, kEveryCommand,
     [](CommandLine& c, const wchar_t*) {
         c.assumeYes = true;
         return true;
     }},
    // An empty name means the default one.
    {L"/n", OptionValue::Any, kEveryCommand,
     [](CommandLine& c, const wchar_t* value) {
         c.layoutName.Assign(value);
         return true;
     }},
    {L"/f", OptionValue::Any, kFileCommands,
     [](CommandLine& c, const wchar_t* value) {
         c.fileName.Assign(value);
         return true;
     }},
    {L"/v", OptionValue::Checked, CommandsOf(Action::Restore) | CommandsOf(Action::Status),
     [](CommandLine& c, const wchar_t* value) { return ParseWholeNumber(value, 1, kMaxLayoutVersions, c.version); }},
    // Restore fits the layout it puts back; watch, the nearest one when the display has none.
    {L"/fit", OptionValue::None, CommandsOf(Action::Restore) | kWatchCommand,
     [](CommandLine& c, const wchar_t*) {
         c.fit = true;
         c.watch.fit = true;
         return true;
     }},
    {L"/w", OptionValue::Checked, kWatchCommand,
     [](CommandLine& c, const wchar_t* value) {
         return ParseWholeNumber(value, 1, kMaxQuietSeconds, c.watch.quietSeconds);
     }},
    {L"/s", OptionValue::Checked, kWatchCommand,
     [](CommandLine& c, const wchar_t* value) {
         return ParseWholeNumber(value, kMinSaveSeconds, kMaxSaveSeconds, c.watch.saveSeconds);
     }},
    {L"/nosave", OptionValue::None, kWatchCommand,
     [](CommandLine& c, const wchar_t*) {
         c.watch.saves = false;
         return true;
     }},
    // A later mode of watch replaces an earlier one.
    {L"/background", OptionValue::None, kWatchCommand,
     [](CommandLine& c, const wchar_t*) { return SetWatchMode(c, WatchMode::Background); }},
    {L"/stop", OptionValue::None, kWatchCommand,
     [](CommandLine& c, const wchar_t*) { return SetWatchMode(c, WatchMode::Stop); }},
    {L"/pause", OptionValue::None, kWatchCommand,
     [](CommandLine& c, const wchar_t*) { return SetWatchMode(c, WatchMode::Pause); }},
    {L"/resume", OptionValue::None, kWatchCommand,
     [](CommandLine& c, const wchar_t*) { return SetWatchMode(c, WatchMode::Resume); }},
    // Also what menu is to do.
    {L"/install", OptionValue::None, kInstallingCommands,
     [](CommandLine& c, const wchar_t*) { return SetWatchMode(c, WatchMode::Install); }},
    {L"/uninstall", OptionValue::None, kInstallingCommands,
     [](CommandLine& c, const wchar_t*) { return SetWatchMode(c, WatchMode::Uninstall); }},
};

}  // namespace

Rows<CommandSpec> Commands() { return {kCommands, sizeof(kCommands) / sizeof(kCommands[0])}; }

Rows<OptionSpec> Options() { return {kOptions, sizeof(kOptions) / sizeof(kOptions[0])}; }
