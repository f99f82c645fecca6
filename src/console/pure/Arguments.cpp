#include "console/pure/Arguments.h"

#include <algorithm>
#include <memory>

#include <CLI/CLI.hpp>

namespace vt {

namespace {

constexpr const char* kProgram = "vantorilec";

// Returns the --output option, so an empty file name can be refused.
// noSignatures: null for a list that checks no signatures.
CLI::Option* AddListOptions(CLI::App& sub, std::string& format, bool& noReputation, bool* noSignatures,
                            std::string& output) {
    sub.add_option("--format", format, "Formato: text (colonne allineate, il predefinito), csv o json")
        ->type_name("text|csv|json");
    sub.add_flag("--no-reputation", noReputation, "Non interroga il servizio di reputazione (grado 0)");
    if (noSignatures)
        sub.add_flag("--no-signatures", *noSignatures,
                     "Non verifica le firme digitali né calcola lo SHA-256 dei file (firma \"unknown\")");
    return sub.add_option("--output", output, "Scrive il risultato nel file indicato invece che sullo schermo")
        ->type_name("FILE");
}

void Italian(CLI::App& app) {
    auto f = app.get_formatter();
    f->label("Usage", "Uso");
    f->label("OPTIONS", "OPZIONI");
    f->label("SUBCOMMAND", "COMANDO");
    f->label("SUBCOMMANDS", "COMANDI");
    f->label("REQUIRED", "OBBLIGATORIO");
    f->label("TEXT", "TESTO");
}

ParsedArguments Refused(std::string reason) {
    std::replace(reason.begin(), reason.end(), '\n', ' ');
    ParsedArguments result;
    result.err = std::string(kProgram) + ": " + reason + "\n" + UsageText();
    return result;
}

// The part of a CLI11 message after its first ": " (the option or the arguments it names
// come before or after it).
std::string After(const std::string& text) {
    size_t at = text.find(": ");
    return at == std::string::npos ? text : text.substr(at + 2);
}
std::string Before(const std::string& text) { return text.substr(0, text.find(':')); }

// The library's reasons, in the program's language.
std::string Reason(const CLI::ParseError& e, const std::vector<std::string>& args) {
    std::string what = e.what();
    if (dynamic_cast<const CLI::RequiredError*>(&e)) {
        if (args.empty()) return "manca il comando (processes, startup o autostart)";
        if (!args[0].empty() && args[0][0] != '-') return "comando sconosciuto: " + args[0];
        return "manca il comando (processes, startup o autostart)";
    }
    if (dynamic_cast<const CLI::ExtrasError*>(&e)) return "argomento non previsto: " + After(what);
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
        if (what.find("missing") != std::string::npos) return Before(what) + ": manca il valore";
        return Before(what) + ": indicato più di una volta";
    }
    if (dynamic_cast<const CLI::ValidationError*>(&e) || dynamic_cast<const CLI::ConversionError*>(&e))
        return Before(what) + ": valore non valido";
    return what;
}

}  // namespace

std::string UsageText() {
    return std::string("Uso:\n") +
           "  vantorilec processes [--system] [--format text|csv|json] [--no-reputation] [--no-signatures] [--output "
           "FILE]\n"
           "  vantorilec startup   [--format text|csv|json] [--no-reputation] [--no-signatures] [--output FILE]\n"
           "  vantorilec autostart [--format text|csv|json] [--no-reputation] [--output FILE]\n"
           "  vantorilec --help | --version\n";
}

ParsedArguments ParseArguments(const std::vector<std::string>& args, const std::string& version) {
    ParsedArguments result;
    CLI::App app("Vantorile " + version +
                     ": elenca i processi attivi e le voci di avvio automatico, con il "
                     "grado di affidabilità di ciascuno. Non modifica nulla.",
                 kProgram);
    Italian(app);
    app.option_defaults()->group("Opzioni");
    app.set_help_flag("-h,--help", "Mostra questo aiuto ed esce");
    app.set_version_flag("--version", std::string(kProgram) + " " + version, "Mostra la versione ed esce");
    app.require_subcommand(1);

    std::string format = "text";
    bool noReputation = false;
    bool noSignatures = false;
    std::string output;
    CLI::App* processes = app.add_subcommand("processes", "Elenca i processi attivi");
    CLI::App* startup =
        app.add_subcommand("startup", "Elenca le voci di avvio automatico (registro e cartelle Esecuzione automatica)");
    CLI::App* autostart = app.add_subcommand(
        "autostart",
        "Elenca servizi, driver e gli altri punti di avvio di Windows (Winlogon, debugger, AppInit_DLLs ...)");
    for (CLI::App* sub : {processes, startup, autostart}) {
        sub->group("Comandi");
        sub->option_defaults()->group("Opzioni");
        sub->set_help_flag("-h,--help", "Mostra questo aiuto ed esce");
        Italian(*sub);
    }
    bool system = false;
    processes->add_flag("--system", system, "Include i processi di sistema il cui percorso non è leggibile");
    CLI::Option* outputs[] = {AddListOptions(*processes, format, noReputation, &noSignatures, output),
                              AddListOptions(*startup, format, noReputation, &noSignatures, output),
                              AddListOptions(*autostart, format, noReputation, nullptr, output)};

    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        result.action = ParsedArguments::Action::Print;
        result.out = app.help();
        return result;
    } catch (const CLI::CallForVersion& e) {
        result.action = ParsedArguments::Action::Print;
        result.out = std::string(e.what()) + "\n";
        return result;
    } catch (const CLI::ParseError& e) { return Refused(Reason(e, args)); }
    if (format != "text" && format != "csv" && format != "json")
        return Refused("--format: valore non valido \"" + format + "\" (text, csv o json)");
    if (output.empty() && (outputs[0]->count() || outputs[1]->count() || outputs[2]->count()))
        return Refused("--output: nome di file vuoto");
    ConsoleOptions& o = result.options;
    o.kind = startup->parsed() ? ListKind::Startup : autostart->parsed() ? ListKind::Autostart : ListKind::Processes;
    o.system = system;
    o.format = format == "csv" ? ReportFormat::Csv : format == "json" ? ReportFormat::Json : ReportFormat::Text;
    o.noReputation = noReputation;
    o.noSignatures = noSignatures;
    o.output = output;
    result.action = ParsedArguments::Action::Run;
    return result;
}

}  // namespace vt
