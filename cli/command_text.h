// Everything telvaro-cli says about its own command line, made from the parser
// the commands declare: the usage, a command's usage, what is wrong with the
// arguments given, the bash completion and the manual page's option lists.
// The committed completion and manual page are checked against the parser,
// so neither can drift from what the tool takes.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace telvaro::cli {

// "usage: telvaro-cli COMMAND [options]", every command, then the notes.
std::string Usage(const CLI::App& app);
// One command: its synopsis, what it does, each option, then the notes.
std::string CommandUsage(const CLI::App& command);

// What is wrong with a command's arguments once parsed, as the one error
// line says it ("dump: unknown option: --jobs (only apply takes it)", "read:
// --port COM<n> is required", "diff: expects 2 file argument(s)"); empty
// when nothing is.
std::string ArgumentProblem(const CLI::App& app, const CLI::App& command);
// "unknown command: raed (did you mean read?)"
std::string UnknownCommandText(const CLI::App& app, const std::string& typed);

// packaging/telvaro-cli.bash-completion, whole.
std::string BashCompletion(const CLI::App& app);
// The manual page's SYNOPSIS section (after its .SH line).
std::string ManSynopsis(const CLI::App& app);
// The header line of each entry the OPTIONS section must have, one a line.
std::string ManOptionHeaders(const CLI::App& app);

// Compares the committed files with what the parser makes; prints each
// difference to standard error. True when both are current.
bool DocsCurrent(const CLI::App& app, const std::string& manPage, const std::string& completion);
// Rewrites the completion and the manual page's SYNOPSIS; the OPTIONS
// entries keep their prose and are only checked.
bool WriteDocs(const CLI::App& app, const std::string& manPage, const std::string& completion);

}  // namespace telvaro::cli
