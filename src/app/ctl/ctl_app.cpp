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

int RunZumasetCtl(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err) {
    CLI::App app{"Zumaset command-line companion: settings and transfers without a desktop.", "zumasetctl"};
    app.require_subcommand(1);
    const Paths paths = PathsFrom(ProcessEnvironment());
    std::string registry_path = DefaultRegistryPath(paths).string();
    CurlTransportOptions transport_options;
    transport_options.caFolder = paths.ca;
    app.add_option("--registry", registry_path, "The registry file that holds the settings")
        ->capture_default_str();

    // Each command stores what it will run; it runs only after parsing succeeded.
    std::function<int()> action;

    auto* config = app.add_subcommand("config", "Show and edit the settings");
    config->require_subcommand(1);
    bool show_passwords = false;

    auto* show = config->add_subcommand("show", "List every setting with its value");
    show->add_flag("--show-passwords", show_passwords, "Print passwords instead of masking them");

    std::string name;
    auto* get = config->add_subcommand("get", "Print the value of one setting");
    get->add_option("NAME", name, "The setting's name")->required();
    get->add_flag("--show-passwords", show_passwords, "Print a password instead of masking it");

    std::string value;
    auto* set = config->add_subcommand("set", "Change one setting (a password given as '-' is read from standard input)");
    set->add_option("NAME", name, "The setting's name")->required();
    set->add_option("VALUE", value, "The new value")->required();

    std::string import_file;
    bool keep_passwords = false;
    auto* import = config->add_subcommand("import", "Take the settings from a .reg export");
    import->add_option("FILE", import_file, "A REGEDIT4 or version 5.00 registry export")->required();
    import->add_flag("--keep-passwords", keep_passwords, "Keep the passwords set here instead of the file's");

    std::string export_file;
    bool windows = false;
    auto* exportc = config->add_subcommand("export", "Write the settings as a .reg export");
    exportc->add_option("FILE", export_file, "Where to write (standard output when omitted)");
    exportc->add_flag("--windows", windows, "Write a version 5.00 export in UTF-16 for a Windows machine");

    // Runs a settings command on the chosen registry file.
    auto on_config = [&](CLI::App* command, std::function<int(ConfigCommand&)> run) {
        command->callback([&, run] {
            action = [&, run] {
                RegistryFile registry(registry_path);
                ConfigCommand config_command(registry, out, err);
                return run(config_command);
            };
        });
    };
    on_config(show, [&](ConfigCommand& c) { return c.Show(show_passwords); });
    on_config(get, [&](ConfigCommand& c) { return c.Get(name, show_passwords); });
    on_config(set, [&](ConfigCommand& c) { return c.Set(name, value, in); });
    on_config(import, [&](ConfigCommand& c) { return c.Import(import_file, keep_passwords); });
    on_config(exportc, [&](ConfigCommand& c) {
        std::optional<std::filesystem::path> file;
        if (!export_file.empty()) file = export_file;
        return c.Export(file, windows);
    });

    const std::pair<const char*, const char*> passes[] = {
        {"send", "Run one send pass: upload every file waiting in the outbound folder"},
        {"receive", "Run one receive pass: fetch the receipts and replies waiting on the servers"},
        {"cycle", "Run one full pass of the transfer cycle: send, receive, overdue check, old logs"}};
    for (const auto& [command, help] : passes) {
        const PassKind kind = std::string_view(command) == "send"      ? PassKind::Send
                              : std::string_view(command) == "receive" ? PassKind::Receive
                                                                       : PassKind::Cycle;
        app.add_subcommand(command, help)->callback([&, kind] {
            action = [&, kind] {
                CurlTransport transport(transport_options);
                return RunPassCommand(kind, registry_path, paths, transport, out, err);
            };
        });
    }

    auto* reg = app.add_subcommand("register", "List the sent files that await receipts");
    reg->callback([&] {
        action = [&] {
            RegistryFile registry(registry_path);
            Settings settings;
            LoadSettings(settings, registry);
            return ShowRegister(settings, out, err);
        };
    });

    auto* check = app.add_subcommand("check", "Test the connection to the servers as every transfer does");
    check->callback([&] {
        action = [&] {
            RegistryFile registry(registry_path);
            Settings settings;
            LoadSettings(settings, registry);
            CurlTransport transport(transport_options);
            SystemClock clock;
            return CheckConnection(settings, registry, transport, clock, out, err);
        };
    });

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
    return action ? action() : kExitUsage;
}

} // namespace zumaset
