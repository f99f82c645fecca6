// The console program's command line:
//   vantorilec processes [--system] [--format text|csv|json] [--no-reputation] [--no-signatures] [--output FILE]
//   vantorilec startup   [--format text|csv|json] [--no-reputation] [--no-signatures] [--output FILE]
//   vantorilec autostart [--format text|csv|json] [--no-reputation] [--output FILE]
//   vantorilec --help | --version
#pragma once

#include <string>
#include <vector>

#include "console/pure/Report.h"

namespace vt {

enum class ListKind { Processes, Startup, Autostart };

struct ConsoleOptions {
    ListKind kind = ListKind::Processes;
    bool system = false;
    ReportFormat format = ReportFormat::Text;
    bool noReputation = false;
    bool noSignatures = false;  // the files' signatures and hashes are not checked
    std::string output;         // "" for standard output
};

struct ParsedArguments {
    enum class Action { Run, Print, Error } action = Action::Error;
    ConsoleOptions options;  // for Run
    std::string out;         // for Print: the help or version text for standard output
    std::string err;         // for Error: a one-line reason, then the usage, for standard error
};

// args without the program's own name.
ParsedArguments ParseArguments(const std::vector<std::string>& args, const std::string& version);

// The usage lines that follow the reason of a bad command line.
std::string UsageText();

}  // namespace vt
