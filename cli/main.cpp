// telvaro-cli: scripted provisioning of the modem without the window. Reads a
// modem into a settings file, writes a prepared file to the next modem,
// reboots it, upgrades its firmware, and shows or compares settings files.
// Each command group declares its own subcommands and options (cmd_files,
// cmd_modem, cmd_apply); this file builds the parser from them, runs the
// command given and turns every failure into its exit status.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/cmd_shared.h"
#include "cli/command_text.h"

namespace {

using namespace telvaro;
using namespace telvaro::cli;

constexpr int kExitOk = 0;
constexpr int kExitModemFailed = 1;
constexpr int kExitUsage = 2;

// The one place a failure becomes an exit status: what the operator gave is
// wrong (2), or the modem or the line failed (1).
int ExitStatus(FailureKind kind) {
  switch (kind) {
    case FailureKind::Usage:
    case FailureKind::Input:
    case FailureKind::File: return kExitUsage;
    case FailureKind::Port:
    case FailureKind::Line:
    case FailureKind::Disconnected:
    case FailureKind::NoAnswer:
    case FailureKind::Damaged:
    case FailureKind::Refused:
    case FailureKind::Cancelled: return kExitModemFailed;
  }
  return kExitUsage;
}

int Failed(FailureKind kind, const std::string& message) {
  PrintFailure(Failure{kind, message, {}});
  return ExitStatus(kind);
}

// The tool's own flags and the hidden ones that keep the packaging files
// (completion, manual page) made from this parser.
struct ToolFlags {
  bool version = false;
  std::string topic;                    // help [COMMAND]
  std::vector<std::string> checkDocs;   // MAN COMPLETION
  std::vector<std::string> writeDocs;   // MAN COMPLETION
  bool printCompletion = false;
  bool printManOptions = false;
};

void AddToolFlags(CLI::App& app, ToolFlags& flags) {
  app.add_flag("--version", flags.version, "show the version and exit");
  CLI::App* help = app.add_subcommand("help", "show the usage, or one command's")->group("");
  help->add_option("COMMAND", flags.topic);
  help->allow_extras();
  app.add_option("--check-docs", flags.checkDocs)->expected(2)->group("");
  app.add_option("--write-docs", flags.writeDocs)->expected(2)->group("");
  app.add_flag("--print-completion", flags.printCompletion)->group("");
  app.add_flag("--print-man-options", flags.printManOptions)->group("");
}

// For the tool's own flags; false when a command is to run.
bool RunToolFlags(const CLI::App& app, const ToolFlags& flags, const CLI::App* chosen, int& status) {
  status = kExitOk;
  if (chosen && chosen->get_name() == "help") {
    const CLI::App* topic = nullptr;
    if (!flags.topic.empty() && flags.topic != "help") {
      try {
        topic = app.get_subcommand(flags.topic);
      } catch (const CLI::OptionNotFound&) {
      }
    }
    std::fputs((topic ? CommandUsage(*topic) : Usage(app)).c_str(), stdout);
  } else if (chosen) {
    return false;
  } else if (flags.version) {
    std::printf("telvaro-cli %s\n", TELVARO_VERSION);
  } else if (flags.checkDocs.size() == 2) {
    status = DocsCurrent(app, flags.checkDocs[0], flags.checkDocs[1]) ? kExitOk : kExitModemFailed;
  } else if (flags.writeDocs.size() == 2) {
    status = WriteDocs(app, flags.writeDocs[0], flags.writeDocs[1]) ? kExitOk : kExitModemFailed;
  } else if (flags.printCompletion || flags.printManOptions) {
    std::fputs((flags.printCompletion ? BashCompletion(app) : ManSynopsis(app) + ManOptionHeaders(app)).c_str(),
               stdout);
  } else {
    status = Failed(FailureKind::Usage, "no command given (try --help)");
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("scripted provisioning of Telvaro modems", "telvaro-cli");
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.require_subcommand(0, 1);
  app.allow_extras();
  CommandTable commands;
  AddModemCommands(app, commands);
  AddFileCommands(app, commands);
  AddApplyCommands(app, commands);
  ToolFlags flags;
  AddToolFlags(app, flags);

  const auto chosen = [&app]() -> const CLI::App* {
    const std::vector<CLI::App*> given = app.get_subcommands();
    return given.empty() ? nullptr : given.front();
  };
  try {
    try {
      app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
      std::fputs((chosen() ? CommandUsage(*chosen()) : Usage(app)).c_str(), stdout);
      return kExitOk;
    } catch (const CLI::RequiredError&) {
      // Said below with the command's own words, after any unknown option.
    }
    const CLI::App* command = chosen();
    if (!command && !app.remaining().empty() && app.remaining().front()[0] != '-')
      return Failed(FailureKind::Usage, UnknownCommandText(app, app.remaining().front()));
    if (command && command->get_name() != "help")
      if (const std::string problem = ArgumentProblem(app, *command); !problem.empty())
        return Failed(FailureKind::Usage, problem);
    if (!command && !app.remaining().empty())
      return Failed(FailureKind::Usage, "unknown option: " + app.remaining().front() + " (try --help)");
    if (int status = kExitOk; RunToolFlags(app, flags, command, status)) return status;
    return commands.at(command)();
  } catch (const CommandFailure& failure) {
    PrintFailure(failure.failure);
    return ExitStatus(failure.failure.kind);
  } catch (const CLI::ArgumentMismatch& error) {
    const std::string last = argv[argc - 1];  // "--port" last, its value missing
    return Failed(FailureKind::Usage, last[0] == '-' ? last + " needs a value" : error.what());
  } catch (const CLI::ParseError& error) {
    return Failed(FailureKind::Usage, error.what());
  } catch (const std::exception& error) {
    // Nothing the operator passes may end the tool with an abort.
    return Failed(FailureKind::Usage, error.what());
  }
}
