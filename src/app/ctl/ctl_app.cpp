#include "app/ctl/ctl_app.h"

#include "app/ctl/ca_command.h"
#include "app/ctl/check_command.h"
#include "app/ctl/client_commands.h"
#include "app/ctl/config_command.h"
#include "app/ctl/exit_codes.h"
#include "app/ctl/pass_command.h"
#include "app/ctl/register_command.h"
#include "app/ctl/terminal_progress.h"
#include "core/paths.h"
#include "core/registry_file.h"
#include "core/settings_store.h"
#include "core/translate.h"
#include "exchange/curl_transport.h"
#include "shell/ca_offer.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <ostream>
#include <sstream>
#include <zumaset/version.h>

namespace zumaset {

namespace {

// What every sub-command shares: where the settings are, the streams, and the
// action the chosen command stores; it runs only after parsing succeeded.
struct CtlContext {
    Paths paths;
    std::string registryPath;
    CurlTransportOptions transportOptions;
    std::istream& in;
    std::ostream* out; // the standard output, or the buffer that -q holds back
    std::ostream& err;
    bool json = false;
    bool quiet = false;
    TransferProgress* progress = nullptr; // the terminal's progress line, when standard error is one
    std::function<int()> action;

    CtlOutput output() const { return {*out, err, json, quiet ? nullptr : progress}; }
};

// The values the settings commands take from the command line.
struct ConfigOptions {
    bool showPasswords = false;
    std::string name;
    std::string value;
    std::string importFile;
    bool keepPasswords = false;
    std::string exportFile;
    bool windows = false;
};

// Makes `command` run a settings command on the chosen registry file.
void OnConfig(CLI::App* command, CtlContext& ctx, std::function<int(ConfigCommand&)> run) {
    command->callback([&ctx, run] {
        ctx.action = [&ctx, run] {
            RegistryFile registry(ctx.registryPath);
            ConfigCommand configCommand(registry, *ctx.out, ctx.err);
            return run(configCommand);
        };
    });
}

void AddConfigShow(CLI::App& config, CtlContext& ctx, ConfigOptions& o) {
    auto* show = config.add_subcommand("show", Tr("List every setting with its value"));
    show->add_flag("--show-passwords", o.showPasswords, Tr("Print passwords instead of masking them"));
    OnConfig(show, ctx, [&o](ConfigCommand& c) { return c.Show(o.showPasswords); });
}

void AddConfigGet(CLI::App& config, CtlContext& ctx, ConfigOptions& o) {
    auto* get = config.add_subcommand("get", Tr("Print the value of one setting"));
    get->add_option("NAME", o.name, Tr("The setting's name"))->required();
    get->add_flag("--show-passwords", o.showPasswords, Tr("Print a password instead of masking it"));
    OnConfig(get, ctx, [&o](ConfigCommand& c) { return c.Get(o.name, o.showPasswords); });
}

void AddConfigSet(CLI::App& config, CtlContext& ctx, ConfigOptions& o) {
    auto* set =
        config.add_subcommand("set", Tr("Change one setting (a password given as '-' is read from standard input)"));
    set->add_option("NAME", o.name, Tr("The setting's name"))->required();
    set->add_option("VALUE", o.value, Tr("The new value"))->required();
    OnConfig(set, ctx, [&o, &ctx](ConfigCommand& c) {
        const int status = c.Set(o.name, o.value, ctx.in);
        return status == kExitOk ? ReloadAfterWrite(ctx.registryPath, ctx.output()) : status;
    });
}

void AddConfigImport(CLI::App& config, CtlContext& ctx, ConfigOptions& o) {
    auto* import = config.add_subcommand("import", Tr("Take the settings from a .reg export"));
    import->add_option("FILE", o.importFile, Tr("A REGEDIT4 or version 5.00 registry export"))->required();
    import->add_flag("--keep-passwords", o.keepPasswords, Tr("Keep the passwords set here instead of the file's"));
    OnConfig(import, ctx, [&o, &ctx](ConfigCommand& c) {
        // An import with values that cannot work here is still written: the
        // client is told as for any other.
        const int status = c.Import(o.importFile, o.keepPasswords);
        if (status != kExitOk && status != kExitFailure) return status;
        return std::max(status, ReloadAfterWrite(ctx.registryPath, ctx.output()));
    });
}

void AddConfigExport(CLI::App& config, CtlContext& ctx, ConfigOptions& o) {
    auto* exportc = config.add_subcommand("export", Tr("Write the settings as a .reg export"));
    exportc->add_option("FILE", o.exportFile, Tr("Where to write (standard output when omitted)"));
    exportc->add_flag("--windows", o.windows, Tr("Write a version 5.00 export in UTF-16 for a Windows machine"));
    OnConfig(exportc, ctx, [&o](ConfigCommand& c) {
        std::optional<std::filesystem::path> file;
        if (!o.exportFile.empty()) file = o.exportFile;
        return c.Export(file, o.windows);
    });
}

void AddConfig(CLI::App& app, CtlContext& ctx, ConfigOptions& o) {
    auto* config = app.add_subcommand("config", Tr("Show and edit the settings"));
    config->require_subcommand(1);
    AddConfigShow(*config, ctx, o);
    AddConfigGet(*config, ctx, o);
    AddConfigSet(*config, ctx, o);
    AddConfigImport(*config, ctx, o);
    AddConfigExport(*config, ctx, o);
}

struct PassCommand {
    const char* name;
    PassKind kind;
    const char* help;
};
constexpr PassCommand kPasses[] = {
    {"send", PassKind::Send, N_("Run one send pass: upload every file waiting in the outbound folder")},
    {"receive", PassKind::Receive, N_("Run one receive pass: fetch the receipts and replies waiting on the servers")},
    {"cycle", PassKind::Cycle, N_("Run one full pass of the transfer cycle: send, receive, overdue check, old logs")}};

void AddPass(CLI::App& app, CtlContext& ctx, const PassCommand& pass) {
    const PassKind kind = pass.kind;
    app.add_subcommand(pass.name, Tr(pass.help))->callback([&ctx, kind] {
        ctx.action = [&ctx, kind] {
            CurlTransport transport(ctx.transportOptions);
            return RunPassCommand(kind, ctx.registryPath, ctx.paths, transport, ctx.output());
        };
    });
}

void AddRegister(CLI::App& app, CtlContext& ctx) {
    app.add_subcommand("register", Tr("List the sent files that await receipts (the running client's, when one runs)"))
        ->callback([&ctx] { ctx.action = [&ctx] { return ShowRegister(ctx.registryPath, ctx.output()); }; });
}

void AddClientCommands(CLI::App& app, CtlContext& ctx) {
    app.add_subcommand("status", Tr("Show whether a client runs with these settings, and what it is doing"))
        ->callback([&ctx] { ctx.action = [&ctx] { return ShowClientStatus(ctx.registryPath, ctx.output()); }; });
    app.add_subcommand("reload", Tr("Make the running client read its settings again before its next pass"))
        ->callback([&ctx] { ctx.action = [&ctx] { return ReloadClient(ctx.registryPath, ctx.output()); }; });
    app.add_subcommand("pause", Tr("Pause the running client's transfer cycle (as the service manager's pause does)"))
        ->callback([&ctx] {
            ctx.action = [&ctx] { return SignalClient(ctx.registryPath, CycleSignal::Pause, ctx.output()); };
        });
    app.add_subcommand("continue", Tr("Let the paused client's transfer cycle run again"))->callback([&ctx] {
        ctx.action = [&ctx] { return SignalClient(ctx.registryPath, CycleSignal::Continue, ctx.output()); };
    });
}

void AddCheck(CLI::App& app, CtlContext& ctx, bool& login) {
    auto* check = app.add_subcommand("check", Tr("Test the connection to the servers as every transfer does"));
    check->add_flag("--login", login,
                    Tr("Also prove the account with a list request (nothing fetched or acknowledged)"));
    check->callback([&ctx, &login] {
        ctx.action = [&ctx, &login] {
            RegistryFile registry(ctx.registryPath);
            Settings settings;
            LoadSettings(settings, registry);
            CurlTransport transport(ctx.transportOptions);
            SystemClock clock;
            return CheckConnection(settings, registry, transport, clock, login, ctx.output());
        };
    });
}

// The values the CA commands take from the command line.
struct CaOptions {
    bool yes = false;
    std::string file;
    std::string name;
};

void AddCa(CLI::App& app, CtlContext& ctx, CaOptions& o) {
    auto* ca = app.add_subcommand("ca", Tr("The operator's CA certificates in the client's CA folder"));
    ca->require_subcommand(1);
    ca->add_subcommand("list", Tr("List the certificates of the CA folder"))->callback([&ctx] {
        ctx.action = [&ctx] { return ListCaCertificates(ctx.paths.ca, ctx.output()); };
    });
    auto* fetch = ca->add_subcommand("fetch", Tr("Fetch the operator's two CA certificates from ServerTxt and ask"));
    fetch->add_flag("--yes", o.yes, Tr("Store them without asking (for scripts)"));
    fetch->callback([&ctx, &o] {
        ctx.action = [&ctx, &o] {
            RegistryFile registry(ctx.registryPath);
            Settings settings;
            LoadSettings(settings, registry);
            return FetchCaCertificates(ctx.paths.ca, settings.ServerTxt, CaFetchOptionsFrom(settings), ctx.in, o.yes,
                                       ctx.output());
        };
    });
    auto* add = ca->add_subcommand("add", Tr("Check a local certificate file (PEM or DER) and store it"));
    add->add_option("FILE", o.file, Tr("The certificate file"))->required();
    add->callback(
        [&ctx, &o] { ctx.action = [&ctx, &o] { return AddCaCertificate(ctx.paths.ca, o.file, ctx.output()); }; });
    auto* remove = ca->add_subcommand("remove", Tr("Remove one certificate file of the CA folder by its name"));
    remove->add_option("NAME", o.name, Tr("The file's name, as ca list shows it"))->required();
    remove->callback(
        [&ctx, &o] { ctx.action = [&ctx, &o] { return RemoveCaCertificate(ctx.paths.ca, o.name, ctx.output()); }; });
}

// The help's own words in the user's language; command and option names stay.
void TranslateHelp(CLI::App& app) {
    CLI::FormatterBase& formatter = *app.get_formatter();
    formatter.label("Usage", Tr("Usage"));
    formatter.label("OPTIONS", Tr("OPTIONS"));
    formatter.label("SUBCOMMAND", Tr("SUBCOMMAND"));
    formatter.label("SUBCOMMANDS", Tr("SUBCOMMANDS"));
    formatter.label("Positionals", Tr("Positionals"));
    formatter.label("REQUIRED", Tr("REQUIRED"));
    // TRANSLATORS: the kind of value an option takes, as in "--registry TEXT".
    formatter.label("TEXT", Tr("TEXT"));
    const std::function<void(CLI::App&)> translate = [&translate](CLI::App& command) {
        for (CLI::Option* option : command.get_options()) option->group(Tr("Options"));
        for (CLI::App* sub : command.get_subcommands({})) {
            sub->group(Tr("Subcommands"));
            translate(*sub);
        }
    };
    translate(app);
}

// What was wrong with the command line; the parser's own English is kept
// only for mistakes this program's options cannot produce.
std::string ParseErrorText(const CLI::ParseError& e) {
    const std::string what = e.what();
    if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr) {
        const std::size_t colon = what.find(": ");
        const std::string extras = colon == std::string::npos ? what : what.substr(colon + 2);
        const bool several = what.starts_with("The following arguments");
        return FormatText(
            TrN("this argument was not expected: %s", "these arguments were not expected: %s", several ? 2 : 1),
            extras.c_str());
    }
    if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr) {
        if (what.starts_with("A subcommand")) return Tr("a command is required");
        constexpr std::string_view kIsRequired = " is required";
        if (what.ends_with(kIsRequired))
            return FormatText(Tr("%s is required"), what.substr(0, what.size() - kIsRequired.size()).c_str());
    }
    return what;
}

} // namespace

int RunZumasetCtl(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err,
                  bool errIsTerminal) {
    CLI::App app{Tr("Zumaset command-line companion: settings and transfers without a desktop."), "zumasetctl"};
    app.require_subcommand(1);
    app.fallthrough(); // -q and --json may follow the command too
    // Set before the commands are added: each takes its help flag from here.
    app.set_help_flag("-h,--help", Tr("Print this help message and exit"));
    app.set_version_flag("--version", std::string("zumasetctl ") + ZUMASET_VERSION,
                         Tr("Display program version information and exit"));
    // With -q the standard output is held back and shown only when something failed.
    std::ostringstream held;
    CtlContext ctx{PathsFrom(ProcessEnvironment()), {}, {}, in, &out, err, false, false, nullptr, {}};
    ctx.registryPath = DefaultRegistryPath(ctx.paths).string();
    ctx.transportOptions.caFolder = ctx.paths.ca;
    app.add_option("--registry", ctx.registryPath, Tr("The registry file that holds the settings"))
        ->capture_default_str();
    app.add_flag("-q,--quiet", ctx.quiet, Tr("Print nothing unless something failed"));
    app.add_flag("--json", ctx.json, Tr("Print status, register, check and pass summaries as JSON"));

    ConfigOptions configOptions;
    bool login = false;
    AddConfig(app, ctx, configOptions);
    for (const auto& pass : kPasses) AddPass(app, ctx, pass);
    AddRegister(app, ctx);
    AddCheck(app, ctx, login);
    AddClientCommands(app, ctx);
    CaOptions caOptions;
    AddCa(app, ctx, caOptions);
    TranslateHelp(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return kExitOk;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return kExitOk;
    } catch (const CLI::CallForVersion& e) {
        out << e.what() << '\n';
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        err << "zumasetctl: " << FormatText(Tr("%s (see zumasetctl --help)"), ParseErrorText(e).c_str()) << '\n';
        return kExitUsage;
    }
    if (!ctx.action) return kExitUsage;
    std::optional<TerminalProgress> progress;
    if (errIsTerminal) ctx.progress = &progress.emplace(err);
    if (ctx.quiet) ctx.out = &held;
    const int status = ctx.action();
    progress.reset();
    if (ctx.quiet && status != kExitOk) out << held.str();
    return status;
}

} // namespace zumaset
