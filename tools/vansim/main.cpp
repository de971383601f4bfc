// zumaset-vansim: a stand-in for the operator's HTTPS server, for tests, demos
// and for trying the client without the real server.
#include "server.h"

#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <pthread.h>
#include <signal.h>
#include <thread>

namespace {

using zumaset::vansim::CertificateVariant;

// Copies the root CA to where the user wants it: DER for a ".der" or ".cer" name, PEM otherwise.
void WriteCaCopy(const std::filesystem::path& target, const zumaset::vansim::VansimServer& server) {
    const std::string extension = target.extension().string();
    std::string bytes;
    if (extension == ".der" || extension == ".cer") {
        bytes = server.Certificates().rootDer;
    } else {
        std::ifstream in(server.RootCaPem(), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + target.string());
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"zumaset-vansim: a simulator of the operator's HTTPS server on 127.0.0.1"};
    zumaset::vansim::ServerOptions options;
    std::string dataFolder = "vansim-data";
    std::string caOut;
    CertificateVariant variant = CertificateVariant::Valid;
    std::vector<std::string> faultRules;
    app.set_version_flag("--version", std::string("zumaset-vansim ") + ZUMASET_VANSIM_VERSION);

    app.add_option("-d,--data", dataFolder, "data folder (accounts, received and waiting files, log, settings)");
    app.add_option("-p,--port", options.port, "port on 127.0.0.1; 0 picks a free one")->check(CLI::Range(0, 65535));
    app.add_option("--ca-out", caOut, "also write the test CA certificate here (.der/.cer: DER, else PEM)");
    const std::map<std::string, CertificateVariant> variants{{"valid", CertificateVariant::Valid},
                                                             {"expired", CertificateVariant::Expired},
                                                             {"wrong-host", CertificateVariant::WrongHost}};
    app.add_option("--certificate", variant, "server certificate: valid, expired or wrong-host")
        ->transform(CLI::CheckedTransformer(variants, CLI::ignore_case));
    app.add_option("--receipt-delay", options.defaults.receiptDelaySeconds,
                   "seconds between a stored file and its receipt")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--refuse-version", options.defaults.refusedVersions,
                   "client version to answer \"CHYBA VERZE KLIENTA\" (repeatable; * = all)");
    app.add_option("--fault", faultRules, "fault rule \"PAGE ACTION [VALUE] [file=NAME] [chunk=N] [times=N]\"");
    CLI11_PARSE(app, argc, argv);

    for (const auto& text : faultRules) {
        std::string error;
        auto rule = zumaset::vansim::ParseFaultRule(text, error);
        if (!rule) {
            std::cerr << "zumaset-vansim: --fault \"" << text << "\": " << error << std::endl;
            return 2;
        }
        options.defaults.faults.push_back(std::move(*rule));
    }
    options.dataFolder = std::filesystem::absolute(dataFolder);
    options.certificate = variant;

    // A peer that goes away must not end the process; SIGTERM and SIGINT are
    // taken by one thread below, so every other thread starts with them blocked.
    signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        zumaset::vansim::VansimServer server(options);
        const int port = server.Bind();
        if (port < 0) {
            std::cerr << "zumaset-vansim: cannot listen on 127.0.0.1 port " << options.port << std::endl;
            return 1;
        }
        std::filesystem::path caPath = server.RootCaPem();
        if (!caOut.empty()) {
            caPath = std::filesystem::absolute(caOut);
            WriteCaCopy(caPath, server);
        }

        std::atomic<bool> runEnded{false};
        std::thread signalWaiter([&] {
            int received = 0;
            sigwait(&stopSignals, &received);
            if (!runEnded) server.Stop();
        });

        std::printf("zumaset-vansim listening on https://127.0.0.1:%d ca=%s\n", port, caPath.c_str());
        std::fflush(stdout);
        server.Run();

        // Run ends only through Stop, so the waiter has its signal; wake it anyway if not.
        runEnded = true;
        pthread_kill(signalWaiter.native_handle(), SIGTERM);
        signalWaiter.join();
        std::fprintf(stderr, "zumaset-vansim: stopped\n");
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "zumaset-vansim: " << error.what() << std::endl;
        return 1;
    }
}
