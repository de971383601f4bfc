// The manual pages and the shell completion against the programs themselves:
// every command and option a program's --help lists, and every setting, must
// be documented, so a new one cannot ship undocumented.
#include "core/settings.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace zumaset {
namespace {

const std::string kPackaging = ZUMASET_PACKAGING_DIR;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// What a program prints for `arguments --help`, standard output and error.
std::string HelpOf(const std::string& program, const std::vector<std::string>& arguments) {
    std::string command = "'" + program + "'";
    for (const auto& argument : arguments) command += " " + argument;
    command += " --help 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    EXPECT_TRUE(pipe) << command;
    std::string output;
    std::array<char, 4096> buffer{};
    while (pipe && std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe.get())) output += buffer.data();
    return output;
}

// The commands (each as its words, "config set") and the options a program's
// help lists, following every command down to its own help. An option stands
// first on an indented line ("  -q,--quiet  ...", "  /i  ..."); a command stands
// alone at the start of a line below "Subcommands:".
struct Interface {
    std::set<std::string> commands;
    std::set<std::string> options;
};

void Collect(const std::string& program, const std::vector<std::string>& path, Interface& found) {
    std::istringstream lines(HelpOf(program, path));
    bool inCommands = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) continue;
        if (line.front() != ' ') {
            if (line.back() == ':') {
                inCommands = line == "Subcommands:";
            } else if (inCommands && line.find(' ') == std::string::npos) {
                std::vector<std::string> command = path;
                command.push_back(line);
                std::string words;
                for (const auto& word : command) words += (words.empty() ? "" : " ") + word;
                found.commands.insert(words);
                Collect(program, command, found);
            }
            continue;
        }
        std::istringstream tokens(line);
        std::string first;
        tokens >> first;
        if (first.front() != '-' && first.front() != '/') continue;
        std::istringstream names(first);
        for (std::string name; std::getline(names, name, ',');) found.options.insert(name);
    }
}

// How a document shows a name: in bold in a manual page ("*--login*", or a
// command group at the start of its commands, "*config set*"), as a word of its
// own in the completion script.
enum class Markup { Bold, Word };

bool Shows(const std::string& document, Markup markup, const std::string& name) {
    if (markup == Markup::Bold) {
        for (auto at = document.find("*" + name); at != std::string::npos; at = document.find("*" + name, at + 1)) {
            const std::size_t end = at + 1 + name.size();
            if (end < document.size() && (document[end] == '*' || document[end] == ' ')) return true;
        }
        return false;
    }
    const auto isWordCharacter = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-'; };
    for (auto at = document.find(name); at != std::string::npos; at = document.find(name, at + 1)) {
        const bool startsWord = at == 0 || !isWordCharacter(document[at - 1]);
        const std::size_t end = at + name.size();
        if (startsWord && (end == document.size() || !isWordCharacter(document[end]))) return true;
    }
    return false;
}

struct DocumentCase {
    std::string name;
    std::string program;
    std::string document; // below packaging/
    Markup markup;
};

void PrintTo(const DocumentCase& c, std::ostream* os) {
    *os << c.name;
}

class Documentation : public ::testing::TestWithParam<DocumentCase> {};

TEST_P(Documentation, NamesEveryCommandAndOptionTheProgramHas) {
    const DocumentCase& c = GetParam();
    Interface found;
    Collect(c.program, {}, found);
    ASSERT_TRUE(found.options.count("--version")) << "the help of " << c.program << " was not read";
    const std::string document = ReadFile(kPackaging + "/" + c.document);
    for (const auto& command : found.commands) {
        if (c.markup == Markup::Bold) {
            EXPECT_TRUE(Shows(document, c.markup, command)) << c.document << " lacks the command " << command;
        } else {
            std::istringstream words(command);
            for (std::string word; words >> word;) {
                EXPECT_TRUE(Shows(document, c.markup, word)) << c.document << " lacks the command " << command;
            }
        }
    }
    for (const auto& option : found.options) {
        EXPECT_TRUE(Shows(document, c.markup, option)) << c.document << " lacks the option " << option;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Packaging, Documentation,
    ::testing::Values(DocumentCase{"ClientManPage", ZUMASET_CLIENT, "man/zumaset.1.scd", Markup::Bold},
                      DocumentCase{"CtlManPage", ZUMASET_CTL, "man/zumasetctl.1.scd", Markup::Bold},
                      DocumentCase{"SimulatorManPage", ZUMASET_VANSIM, "man/zumaset-vansim.1.scd", Markup::Bold},
                      DocumentCase{"CtlCompletion", ZUMASET_CTL, "zumasetctl.bash-completion", Markup::Word}),
    [](const auto& info) { return info.param.name; });

TEST(Documentation, CtlManPageDescribesEverySetting) {
    const std::string page = ReadFile(kPackaging + "/man/zumasetctl.1.scd");
    for (const FieldInfo& field : SettingsFields()) {
        EXPECT_TRUE(Shows(page, Markup::Bold, std::string(field.name))) << "zumasetctl(1) lacks " << field.name;
    }
}

} // namespace
} // namespace zumaset
