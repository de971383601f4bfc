#include "app/ctl/ctl_app.h"

#include "app/ctl/check_command.h"
#include "app/ctl/config_command.h"
#include "app/ctl/exit_codes.h"
#include "app/ctl/pass_command.h"
#include "app/ctl/register_command.h"
#include "core/paths.h"
#include "core/registry_file.h"
#include "core/settings_store.h"
#include "exchange/curl_transport.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <ostream>

namespace zumaset {

namespace {

// What every sub-command shares: where the settings are, the streams, and the
// action the chosen command stores; it runs only after parsing succeeded.
struct CtlContext {
    Paths paths;
    std::string registryPath;
    CurlTransportOptions transportOptions;
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    std::function<int()> action;
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
            ConfigCommand configCommand(registry, ctx.out, ctx.err);
            return run(configCommand);
        };
    });
}

void AddConfigShow(CLI::App& config, CtlContext& ctx, ConfigOptions& o) {
    auto* show = config.add_subcommand("show", "List every setting with its value");
    show->add_flag("--show-passwords", o.showPasswords, "Print passwords instead of masking them");
    OnConfig(show, ctx, [&o](ConfigCommand& c) { return c.Show(o.showPasswords); });
}

void AddConfigGet(CLI::App& config, CtlContext& ctx, ConfigOptions& o) {
    auto* get = config.add_subcommand("get", "Print the value of one setting");
    get->add_option("NAME", o.name, "The setting's name")->required();
    get->add_flag("--show-passwords", o.showPasswords, "Print a password instead of masking it");
    OnConfig(get, ctx, [&o](ConfigCommand& c) { return c.Get(o.name, o.showPasswords); });
}

void AddConfigSet(CLI::App& config, CtlContext& ctx, ConfigOptions& o) {
    auto* set =
        config.add_subcommand("set", "Change one setting (a password given as '-' is read from standard input)");
    set->add_option("NAME", o.name, "The setting's name")->required();
    set->add_option("VALUE", o.value, "The new value")->required();
    OnConfig(set, ctx, [&o, &ctx](ConfigCommand& c) { return c.Set(o.name, o.value, ctx.in); });
}

void AddConfigImport(CLI::App& config, CtlContext& ctx, ConfigOptions& o) {
    auto* import = config.add_subcommand("import", "Take the settings from a .reg export");
    import->add_option("FILE", o.importFile, "A REGEDIT4 or version 5.00 registry export")->required();
    import->add_flag("--keep-passwords", o.keepPasswords, "Keep the passwords set here instead of the file's");
    OnConfig(import, ctx, [&o](ConfigCommand& c) { return c.Import(o.importFile, o.keepPasswords); });
}

void AddConfigExport(CLI::App& config, CtlContext& ctx, ConfigOptions& o) {
    auto* exportc = config.add_subcommand("export", "Write the settings as a .reg export");
    exportc->add_option("FILE", o.exportFile, "Where to write (standard output when omitted)");
    exportc->add_flag("--windows", o.windows, "Write a version 5.00 export in UTF-16 for a Windows machine");
    OnConfig(exportc, ctx, [&o](ConfigCommand& c) {
        std::optional<std::filesystem::path> file;
        if (!o.exportFile.empty()) file = o.exportFile;
        return c.Export(file, o.windows);
    });
}

void AddConfig(CLI::App& app, CtlContext& ctx, ConfigOptions& o) {
    auto* config = app.add_subcommand("config", "Show and edit the settings");
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
    {"send", PassKind::Send, "Run one send pass: upload every file waiting in the outbound folder"},
    {"receive", PassKind::Receive, "Run one receive pass: fetch the receipts and replies waiting on the servers"},
    {"cycle", PassKind::Cycle, "Run one full pass of the transfer cycle: send, receive, overdue check, old logs"}};

void AddPass(CLI::App& app, CtlContext& ctx, const PassCommand& pass) {
    const PassKind kind = pass.kind;
    app.add_subcommand(pass.name, pass.help)->callback([&ctx, kind] {
        ctx.action = [&ctx, kind] {
            CurlTransport transport(ctx.transportOptions);
            return RunPassCommand(kind, ctx.registryPath, ctx.paths, transport, ctx.out, ctx.err);
        };
    });
}

void AddRegister(CLI::App& app, CtlContext& ctx) {
    app.add_subcommand("register", "List the sent files that await receipts")->callback([&ctx] {
        ctx.action = [&ctx] {
            RegistryFile registry(ctx.registryPath);
            Settings settings;
            LoadSettings(settings, registry);
            return ShowRegister(settings, ctx.out, ctx.err);
        };
    });
}

void AddCheck(CLI::App& app, CtlContext& ctx) {
    app.add_subcommand("check", "Test the connection to the servers as every transfer does")->callback([&ctx] {
        ctx.action = [&ctx] {
            RegistryFile registry(ctx.registryPath);
            Settings settings;
            LoadSettings(settings, registry);
            CurlTransport transport(ctx.transportOptions);
            SystemClock clock;
            return CheckConnection(settings, registry, transport, clock, ctx.out, ctx.err);
        };
    });
}

} // namespace

int RunZumasetCtl(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err) {
    CLI::App app{"Zumaset command-line companion: settings and transfers without a desktop.", "zumasetctl"};
    app.require_subcommand(1);
    CtlContext ctx{PathsFrom(ProcessEnvironment()), {}, {}, in, out, err, {}};
    ctx.registryPath = DefaultRegistryPath(ctx.paths).string();
    ctx.transportOptions.caFolder = ctx.paths.ca;
    app.add_option("--registry", ctx.registryPath, "The registry file that holds the settings")->capture_default_str();

    ConfigOptions configOptions;
    AddConfig(app, ctx, configOptions);
    for (const auto& pass : kPasses) AddPass(app, ctx, pass);
    AddRegister(app, ctx);
    AddCheck(app, ctx);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return kExitOk;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        err << "zumasetctl: " << e.what() << " (see zumasetctl --help)\n";
        return kExitUsage;
    }
    return ctx.action ? ctx.action() : kExitUsage;
}

} // namespace zumaset
