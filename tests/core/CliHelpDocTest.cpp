// docs/cli.md holds the help of the tool and of each of its commands word
// for word, each in the fenced block under a heading of its own. Options
// change on many branches at once: a failure names the command whose help
// differs, where, and how to rewrite the blocks.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace
{

const std::string kTool = "volume-planner-cli";
const std::string kRewrite = std::string("To rewrite the page's help blocks from the programs built here, run "
                                         "`scripts/update-cli-help.py ") +
                             VP_BUILD_DIR + "` in the source folder, then read the prose around them again.";

struct Help {
    int status = -1;
    std::string text;
};

// `command` empty: the tool's own help.
Help RunHelp(const std::string& command)
{
    const std::string line =
        std::string("'") + VP_CLI_PATH + "' " + command + (command.empty() ? "" : " ") + "--help 2>/dev/null";
    Help help;
    FILE* pipe = popen(line.c_str(), "r");
    if (!pipe)
        return help;
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        help.text.append(buffer, got);
    const int raw = pclose(pipe);
    help.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return help;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The commands the tool lists under "Subcommands:", two spaces in.
std::vector<std::string> CommandsOf(const std::string& help)
{
    std::vector<std::string> commands;
    bool listing = false;
    for (const std::string& line : Lines(help)) {
        if (line == "Subcommands:")
            listing = true;
        else if (listing && line.rfind("  ", 0) == 0 && line.find_first_not_of(' ') != std::string::npos)
            commands.push_back(line.substr(2, line.find(' ', 2) - 2));
        else
            listing = false;
    }
    return commands;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The page's help blocks by command ("" for the tool's own): under the
// heading ### `volume-planner-cli [COMMAND] --help`, the first ```text
// fence after blank lines, up to its closing fence.
std::map<std::string, std::string> HelpBlocks(const std::string& page)
{
    const std::string head = "### `" + kTool, tail = " --help`";
    std::map<std::string, std::string> blocks;
    const std::vector<std::string> lines = Lines(page);
    for (size_t k = 0; k < lines.size(); ++k) {
        const std::string& line = lines[k];
        if (line.rfind(head, 0) != 0 || line.size() < head.size() + tail.size() ||
            line.compare(line.size() - tail.size(), tail.size(), tail) != 0)
            continue;
        std::string command = line.substr(head.size(), line.size() - head.size() - tail.size());
        if (!command.empty() && command[0] != ' ')
            continue;
        command.erase(0, command.empty() ? 0 : 1);
        size_t n = k + 1;
        while (n < lines.size() && lines[n].empty())
            ++n;
        std::string text;
        if (n < lines.size() && lines[n] == "```text")
            for (++n; n < lines.size() && lines[n] != "```"; ++n)
                text += lines[n] + '\n';
        blocks[command] = text;
    }
    return blocks;
}

std::string FirstDifference(const std::string& page, const std::string& program)
{
    const std::vector<std::string> a = Lines(page), b = Lines(program);
    size_t k = 0;
    while (k < a.size() && k < b.size() && a[k] == b[k])
        ++k;
    const auto shown = [](const std::vector<std::string>& lines, size_t at) {
        return at < lines.size() ? "\"" + lines[at] + "\"" : std::string("nothing");
    };
    return "first at line " + std::to_string(k + 1) + " of the help: the page has " + shown(a, k) +
           ", the program prints " + shown(b, k);
}

std::string Named(const std::string& command)
{
    return command.empty() ? kTool : kTool + " " + command;
}

class CliHelpDocTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_top = RunHelp("");
        ASSERT_EQ(m_top.status, 0) << kTool << " --help";
        m_commands = CommandsOf(m_top.text);
        ASSERT_GE(m_commands.size(), 6U) << "the commands of " << kTool << " --help:\n" << m_top.text;
    }

    Help m_top;
    std::vector<std::string> m_commands;
};

TEST_F(CliHelpDocTest, ThePageHoldsEveryHelpWordForWord)
{
    const std::map<std::string, std::string> blocks = HelpBlocks(ReadFile(VP_CLI_DOC));
    std::vector<std::string> keys{""};
    keys.insert(keys.end(), m_commands.begin(), m_commands.end());
    for (const std::string& key : keys) {
        const Help help = key.empty() ? m_top : RunHelp(key);
        EXPECT_EQ(help.status, 0) << Named(key) << " --help";
        const auto block = blocks.find(key);
        if (block == blocks.end())
            ADD_FAILURE() << "docs/cli.md lacks the help of `" << Named(key)
                          << "`: it belongs in a ```text block under the heading ### `" << Named(key) << " --help`. "
                          << kRewrite;
        else if (block->second != help.text)
            ADD_FAILURE() << "docs/cli.md: the help of `" << Named(key) << "` differs from the program's, "
                          << FirstDifference(block->second, help.text) << ". " << kRewrite;
    }
    for (const auto& [key, text] : blocks)
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            ADD_FAILURE() << "docs/cli.md holds the help of `" << Named(key)
                          << "`, a command the program does not have: remove its section.";
}

TEST_F(CliHelpDocTest, TheManualPageNamesEveryCommand)
{
    const std::vector<std::string> page = Lines(ReadFile(VP_CLI_MANPAGE));
    const auto commandsAt = std::find(page.begin(), page.end(), ".SH COMMANDS");
    ASSERT_NE(commandsAt, page.end()) << "the manual page has no COMMANDS section";
    const auto end =
        std::find_if(commandsAt + 1, page.end(), [](const std::string& l) { return l.rfind(".SH", 0) == 0; });
    for (const std::string& command : m_commands)
        EXPECT_NE(std::find(commandsAt, end, ".B " + command), end)
            << "packaging/volume-planner-cli.1 does not describe `" << Named(command)
            << "` in its COMMANDS section (a line `.B " << command << "`)";
}

} // namespace
