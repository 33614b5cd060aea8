#pragma once

#include <cstddef>

#include "app/command_line.h"

// The command line as data: each command with its words, its usage line and the
// function that runs it; each option with its word, whether it takes the next
// argument, and the commands it belongs to. ParseArguments and PrintUsage are
// loops over these tables, so a new command is one row and one function.

// A set of commands, one bit per Action.
using CommandSet = unsigned;
constexpr CommandSet CommandsOf(Action action) { return 1u << static_cast<unsigned>(action); }
constexpr CommandSet kEveryCommand = ~0u;

enum class OptionValue {
    // The option stands alone.
    None,
    // Takes the next argument whatever it reads, even an action word; a trailing
    // option is ignored.
    Any,
    // Takes the next argument, which apply checks: a missing one makes the option
    // the invalid argument, a refused one makes the value it.
    Checked,
};

struct OptionSpec {
    const wchar_t* word;
    OptionValue value;
    // With any other command the option is an invalid argument, reported before
    // any later one, whichever side of the action word it stands.
    CommandSet owners;
    // Records the option in the command line; value is null for OptionValue::None.
    // Returns false when a checked value is refused.
    bool (*apply)(CommandLine& command, const wchar_t* value);
};

struct CommandSpec {
    Action action;
    // Compared whole, folding A to Z; an empty slot is null.
    const wchar_t* words[2];
    // The command's line in the usage, or null when the usage's first lines say
    // all there is to it.
    const wchar_t* usage;
    // Whether a stop request (Ctrl+C) ends the process with kStoppedExitCode: the
    // commands that walk the icons and stop at the next one.
    bool stopsWithExitCode;
    // Runs the command and returns its exit code.
    int (*run)(const CommandLine& command);
};

template <typename Row>
struct Rows {
    const Row* first;
    std::size_t count;
    const Row* begin() const { return first; }
    const Row* end() const { return first + count; }
};

[[nodiscard]] Rows<CommandSpec> Commands();
[[nodiscard]] Rows<OptionSpec> Options();
