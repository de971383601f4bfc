#include "tinyproxy_process.h"

#include "temp_dir.h"

#include <stdexcept>

namespace zumaset::test {

TinyproxyProcess::TinyproxyProcess(const std::filesystem::path& folder, const std::string& user,
                                   const std::string& password)
    : port_(FreeLoopbackPort()) {
    const auto config = folder / "tinyproxy.conf";
    WriteFileBytes(config, "Port " + std::to_string(port_) +
                               "\n"
                               "Listen 127.0.0.1\n"
                               "Timeout 60\n"
                               "MaxClients 20\n"
                               "Allow 127.0.0.1\n"
                               "LogLevel Info\n"
                               "LogFile \"" +
                               (folder / "tinyproxy.log").string() +
                               "\"\n"
                               "PidFile \"" +
                               (folder / "tinyproxy.pid").string() +
                               "\"\n"
                               "BasicAuth " +
                               user + " " + password + "\n");
    const auto output = folder / "tinyproxy.out";
    child_.emplace(std::vector<std::string>{"tinyproxy", "-d", "-c", config.string()},
                   ChildProcess::Options{.output = output});
    if (!WaitForListener(port_, std::chrono::seconds(10)))
        throw std::runtime_error("tinyproxy did not start: " + ReadFileBytes(output));
}

} // namespace zumaset::test
