#include "cli/command_text.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <vector>

#include "cli/cmd_shared.h"

namespace telvaro::cli {
namespace {

constexpr const char* kNotes =
    "--port COM<n>=<device path> names the device of COM<n> (repeatable); so do\n"
    "pairs in TELVARO_PORTS, separated by ';'. --port <device path> opens that device.\n"
    "A port on a serial device server or ser2net is an address in place of the path:\n"
    "tcp://HOST:PORT (raw) or rfc2217://HOST:PORT (the tool sets the line itself).\n"
    "--trace FILE writes every frame sent and received to FILE (SIM PIN and passwords\n"
    "masked).\n"
    "Files ending in .yaml, .yml or .json are profiles. --set KEY=VALUE sets a profile\n"
    "key (gprs.apn=internet) or, for a name without a dot, the value of ${NAME} in\n"
    "the profile (the environment too). Secrets are masked in what is printed unless\n"
    "--show-secrets.\n"
    "Exit status: 0 success, 1 the modem failed, did not answer or does not hold the\n"
    "settings (diff: they differ), 2 bad usage, a bad file or a profile with problems.\n";

constexpr std::size_t kWidth = 80;

// The commands an operator sees; "help" and the like sit in no group.
std::vector<const CLI::App*> Commands(const CLI::App& app) {
  return app.get_subcommands([](const CLI::App* command) { return !command->get_group().empty(); });
}

// A command's own arguments in the order declared: no help flag, nothing hidden.
std::vector<const CLI::Option*> Arguments(const CLI::App& command) {
  return command.get_options([&command](const CLI::Option* option) {
    return option != command.get_help_ptr() && !option->get_group().empty();
  });
}

bool IsFlag(const CLI::Option* option) { return option->get_items_expected_max() == 0; }
bool Repeatable(const CLI::Option* option) {
  return option->get_multi_option_policy() == CLI::MultiOptionPolicy::TakeAll;
}

// Every name an option answers to: "-o", "--output".
std::vector<std::string> Names(const CLI::Option* option) {
  std::vector<std::string> names;
  for (const std::string& s : option->get_snames()) names.push_back("-" + s);
  for (const std::string& l : option->get_lnames()) names.push_back("--" + l);
  return names;
}

std::vector<std::string> OptionNames(const CLI::App& command, bool withHelp) {
  std::vector<std::string> names;
  for (const CLI::Option* option : Arguments(command))
    if (!option->get_positional())
      for (const std::string& name : Names(option)) names.push_back(name);
  if (withHelp && command.get_help_ptr())
    for (const std::string& name : Names(command.get_help_ptr())) names.push_back(name);
  return names;
}

std::string Join(const std::vector<std::string>& parts, const std::string& between) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : between) + part;
  return out;
}

// "[--units UNITS.csv]", "--port COM<n>", "[--set KEY=VALUE]...", "FILE".
std::vector<std::string> SynopsisWords(const CLI::App& command) {
  std::vector<std::string> words;
  for (const CLI::Option* option : Arguments(command)) {
    if (option->get_positional()) {
      words.push_back(IsOptionalArgument(option) ? "[" + option->get_name() + "]" : option->get_name());
      continue;
    }
    const std::string word = Names(option).front() + (IsFlag(option) ? "" : " " + option->get_type_name());
    words.push_back(option->get_required() ? word : "[" + word + "]" + (Repeatable(option) ? "..." : ""));
  }
  return words;
}

// Words on lines of at most kWidth columns: the first after `first`, the
// others indented by `indent` spaces.
std::string Wrap(const std::vector<std::string>& words, const std::string& first, std::size_t indent) {
  std::string out = first;
  std::size_t column = first.size();
  bool lineEmpty = true;
  for (const std::string& word : words) {
    if (!lineEmpty && column + 1 + word.size() > kWidth) {
      out += "\n" + std::string(indent, ' ');
      column = indent;
      lineEmpty = true;
    }
    if (!lineEmpty) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    lineEmpty = false;
  }
  return out + "\n";
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

std::string Padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

// "-" is a hyphen in roff; an option's dashes must be minus signs.
std::string Roff(const std::string& text) {
  std::string out;
  for (const char c : text) out += c == '-' ? std::string("\\-") : std::string(1, c);
  return out;
}

std::string Slurp(const std::string& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The text between the line ".SH <name>" and the next ".SH" line; npos
// positions when there is no such section.
std::pair<std::size_t, std::size_t> ManSection(const std::string& page, const std::string& name) {
  const std::string head = ".SH " + name + "\n";
  std::size_t start = page.rfind(head, 0) == 0 ? 0 : page.find("\n" + head);
  if (start == std::string::npos) return {std::string::npos, std::string::npos};
  start = page.find('\n', start + (page[start] == '\n' ? 1 : 0)) + 1;
  const std::size_t end = page.find("\n.SH ", start - 1);
  return {start, end == std::string::npos ? page.size() : end + 1};
}

// The line after each ".TP" of a section.
std::vector<std::string> EntryHeaders(const std::string& section) {
  std::vector<std::string> headers;
  std::istringstream in(section);
  std::string line;
  bool next = false;
  while (std::getline(in, line)) {
    if (next) headers.push_back(line);
    next = line == ".TP";
  }
  return headers;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

std::string Usage(const CLI::App& app) {
  std::string out = "usage: telvaro-cli COMMAND [options]\n";
  for (const CLI::App* command : Commands(app)) {
    out += Wrap(SynopsisWords(*command), "  " + Padded(command->get_name(), 8), 10);
    out += Wrap(Words(command->get_description()), std::string(10, ' '), 10);
  }
  out += "  help [COMMAND] | COMMAND --help | --help | --version\n";
  return out + kNotes;
}

std::string CommandUsage(const CLI::App& command) {
  const std::string first = "usage: telvaro-cli " + command.get_name() + " ";
  std::string out = Wrap(SynopsisWords(command), first, first.size());
  out += Wrap(Words(command.get_description()), "", 0);
  for (const CLI::Option* option : Arguments(command)) {
    const std::string name = option->get_positional()
                                 ? option->get_name()
                                 : Join(Names(option), ", ") + (IsFlag(option) ? "" : " " + option->get_type_name());
    out += Wrap(Words(option->get_description()), "  " + Padded(name, 22), 24);
  }
  return out + kNotes;
}

std::string ArgumentProblem(const CLI::App& app, const CLI::App& command) {
  const std::string name = command.get_name();
  // The command's own extras, then those given before its name.
  std::vector<std::string> extras = command.remaining(false);
  const std::size_t own = extras.size();
  for (const std::string& extra : app.remaining(false)) extras.push_back(extra);
  std::size_t given = 0;
  for (std::size_t i = 0; i < extras.size(); ++i) {
    const std::string& extra = extras[i];
    if (extra.size() < 2 || extra[0] != '-') {
      ++given;
      continue;
    }
    const std::string typed = extra.substr(0, extra.find('='));
    const std::vector<std::string> names = OptionNames(command, true);
    if (i >= own && std::find(names.begin(), names.end(), typed) != names.end())
      return name + ": options come after the command: telvaro-cli " + name + " " + typed + " ...";
    std::string hint = CloseMatch(typed, names);
    if (hint.empty()) {
      // An option another command takes: say which.
      std::vector<std::string> takers;
      for (const CLI::App* other : Commands(app)) {
        const std::vector<std::string> theirs = OptionNames(*other, false);
        if (std::find(theirs.begin(), theirs.end(), typed) != theirs.end()) takers.push_back(other->get_name());
      }
      hint = takers.empty() ? " (try telvaro-cli " + name + " --help)"
                            : " (only " + Join(takers, ", ") + (takers.size() == 1 ? " takes" : " take") + " it)";
    }
    return name + ": unknown option: " + typed + hint;
  }
  std::size_t expected = 0, optional = 0;  // optional: a positional that may be left out
  for (const CLI::Option* option : Arguments(command)) {
    if (option->get_positional()) {
      ++(IsOptionalArgument(option) ? optional : expected);
      given += option->count();
    } else if (option->get_required() && option->count() == 0) {
      return name + ": " + Names(option).front() + " " + option->get_type_name() + " is required";
    }
  }
  if (given < expected || given > expected + optional)
    return name + ": expects " + std::to_string(expected) + (optional ? " to " + std::to_string(expected + optional) : "") +
           " file argument(s)";
  return {};
}

std::string UnknownCommandText(const CLI::App& app, const std::string& typed) {
  std::vector<std::string> names;
  for (const CLI::App* command : Commands(app)) names.push_back(command->get_name());
  const std::string match = CloseMatch(typed, names);
  return "unknown command: " + typed + (match.empty() ? " (try --help)" : match);
}

std::string BashCompletion(const CLI::App& app) {
  std::vector<std::string> commands, fileOptions, withFiles;
  std::string perCommand;
  for (const CLI::App* command : Commands(app)) {
    commands.push_back(command->get_name());
    bool takesFile = false;
    for (const CLI::Option* option : Arguments(*command)) {
      takesFile = takesFile || option->get_positional();
      // A value named FILE, PROFILE, REPORT or UNITS.csv is a file's name.
      static const std::set<std::string> kFileValues = {"FILE", "PROFILE", "REPORT", "UNITS.csv"};
      if (option->get_positional() || !kFileValues.count(option->get_type_name())) continue;
      for (const std::string& name : Names(option))
        if (std::find(fileOptions.begin(), fileOptions.end(), name) == fileOptions.end()) fileOptions.push_back(name);
    }
    if (takesFile) withFiles.push_back(command->get_name());
    perCommand += "    " + command->get_name() + ") options=\"" + Join(OptionNames(*command, false), " ") + "\" ;;\n";
  }
  return "# bash completion for telvaro-cli: commands, their options, the COM names that\n"
         "# `telvaro-cli ports` lists, and files where a command takes them. Made from\n"
         "# the tool's parser: `cmake --build build --target cli-docs` rewrites it.\n"
         "\n"
         "_telvaro_cli() {\n"
         "  local cur prev words cword\n"
         "  _init_completion -n = || return\n"
         "\n"
         "  local commands=\"" + Join(commands, " ") + "\"\n"
         "  if ((cword == 1)); then\n"
         "    COMPREPLY=($(compgen -W \"$commands --help --version\" -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "\n"
         "  case $prev in\n"
         "    --port)\n"
         "      # A pair COM<n>=<device> is completed on its device part.\n"
         "      if [[ $cur == COM*=* ]]; then\n"
         "        local com=${cur%%=*}\n"
         "        cur=${cur#*=}\n"
         "        _filedir\n"
         "        COMPREPLY=(\"${COMPREPLY[@]/#/$com=}\")\n"
         "        compopt -o nospace\n"
         "      else\n"
         "        local names\n"
         "        names=$(\"$1\" ports 2>/dev/null | awk '{print $1}')\n"
         "        COMPREPLY=($(compgen -W \"$names\" -- \"$cur\"))\n"
         "      fi\n"
         "      return\n"
         "      ;;\n"
         "    " + Join(fileOptions, " | ") + ")\n"
         "      _filedir\n"
         "      return\n"
         "      ;;\n"
         "  esac\n"
         "\n"
         "  local options=\"\"\n"
         "  case ${words[1]} in\n" +
         perCommand +
         "    *) return ;;\n"
         "  esac\n"
         "\n"
         "  if [[ $cur == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
         "  else\n"
         "    case ${words[1]} in\n"
         "      " + Join(withFiles, " | ") + ") _filedir ;;\n"
         "    esac\n"
         "  fi\n"
         "} &&\n"
         "  complete -F _telvaro_cli telvaro-cli\n";
}

std::string ManSynopsis(const CLI::App& app) {
  std::string out;
  for (const CLI::App* command : Commands(app)) {
    out += ".B telvaro-cli " + command->get_name() + "\n";
    for (const CLI::Option* option : Arguments(*command)) {
      if (option->get_positional()) {
        out += IsOptionalArgument(option) ? ".RI [ " + option->get_name() + " ]\n" : ".I " + option->get_name() + "\n";
        continue;
      }
      const std::string name = Roff(Names(option).front());
      const std::string more = Repeatable(option) ? "..." : "";
      if (option->get_required())
        out += ".B " + name + "\n" + (IsFlag(option) ? "" : ".I " + option->get_type_name() + "\n");
      else if (IsFlag(option))
        out += ".RB [ " + name + " ]" + more + "\n";
      else
        out += ".RB [ " + name + "\n.IR " + option->get_type_name() + " ]" + more + "\n";
    }
    out += ".br\n";
  }
  return out + ".B telvaro-cli\n.BR \\-\\-help \" | \" \\-\\-version\n";
}

std::string ManOptionHeaders(const CLI::App& app) {
  std::vector<std::string> headers;
  const auto add = [&headers](const CLI::Option* option) {
    const std::vector<std::string> names = Names(option);
    std::string header;
    if (IsFlag(option)) {
      header = names.size() == 1 ? ".B " + Roff(names[0]) : ".BR " + Roff(names[0]) + " \", \" " + Roff(names[1]);
    } else {
      const std::string value = option->get_type_name();
      header = names.size() == 1 ? ".BI " + Roff(names[0]) + " \" " + value + "\""
                                 : ".BI " + Roff(names[0]) + " \" " + value + "\\fR, \" " + Roff(names[1]) + " \" " +
                                       value + "\"";
    }
    if (std::find(headers.begin(), headers.end(), header) == headers.end()) headers.push_back(header);
  };
  for (const CLI::App* command : Commands(app))
    for (const CLI::Option* option : Arguments(*command))
      if (!option->get_positional()) add(option);
  if (app.get_help_ptr()) add(app.get_help_ptr());
  for (const CLI::Option* option : Arguments(app)) add(option);
  return Join(headers, "\n") + "\n";
}

bool DocsCurrent(const CLI::App& app, const std::string& manPage, const std::string& completion) {
  bool ok = true, read = false;
  const auto fail = [&ok](const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    ok = false;
  };
  if (Slurp(completion, read) != BashCompletion(app) || !read)
    fail(completion + ": not what the parser makes (cmake --build build --target cli-docs)");
  const std::string page = Slurp(manPage, read);
  if (!read) fail(manPage + ": cannot be read");
  const auto [synopsisStart, synopsisEnd] = ManSection(page, "SYNOPSIS");
  if (synopsisStart == std::string::npos ||
      page.substr(synopsisStart, synopsisEnd - synopsisStart) != ManSynopsis(app))
    fail(manPage + ": SYNOPSIS is not what the parser makes (cmake --build build --target cli-docs)");
  const auto [optionsStart, optionsEnd] = ManSection(page, "OPTIONS");
  const std::vector<std::string> have =
      optionsStart == std::string::npos ? std::vector<std::string>()
                                        : EntryHeaders(page.substr(optionsStart, optionsEnd - optionsStart));
  const std::vector<std::string> want = Lines(ManOptionHeaders(app));
  for (const std::string& header : want)
    if (std::find(have.begin(), have.end(), header) == have.end())
      fail(manPage + ": OPTIONS has no entry " + header);
  for (const std::string& header : have)
    if (std::find(want.begin(), want.end(), header) == want.end())
      fail(manPage + ": OPTIONS has an entry the parser does not know: " + header);
  return ok;
}

bool WriteDocs(const CLI::App& app, const std::string& manPage, const std::string& completion) {
  std::ofstream(completion, std::ios::binary) << BashCompletion(app);
  bool read = false;
  std::string page = Slurp(manPage, read);
  const auto [start, end] = ManSection(page, "SYNOPSIS");
  if (read && start != std::string::npos) {
    page.replace(start, end - start, ManSynopsis(app));
    std::ofstream(manPage, std::ios::binary) << page;
  }
  return DocsCurrent(app, manPage, completion);
}

}  // namespace telvaro::cli
