// Saves of the command-line tool as a user meets them when things go wrong:
// a killed run, a full disk, a read-only folder, a link to elsewhere.
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <thread>

namespace
{

namespace fs = std::filesystem;

class CliSaveTest : public ::testing::Test
{
  protected:
    void SetUp() override { fs::create_directories(m_dir.Path() / "scratch"); }

    CliRun Cli(const std::string& arguments) { return RunCli(VP_CLI_PATH, arguments, m_dir.Path() / "scratch"); }

    std::string Quoted(const fs::path& path) const { return "'" + path.string() + "'"; }

    std::vector<std::string> Temporaries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir.Path()))
            if (entry.path().filename().string().find(".tmp-") != std::string::npos)
                names.push_back(entry.path().filename().string());
        return names;
    }

    // How this machine lets a test mount a small file system of its own: a
    // private mount namespace, as root or in a user namespace. The mounts go
    // with the namespace when its command ends.
    std::optional<std::string> MountNamespace() const
    {
        fs::create_directories(m_dir.Path() / "probe");
        for (const char* prefix : {"unshare -m", "unshare -Urm"}) {
            const std::string probe = std::string(prefix) + " sh -c \"mount -t tmpfs -o size=16k tmpfs " +
                                      Quoted(m_dir.Path() / "probe") + "\" 2>/dev/null";
            if (std::system(probe.c_str()) == 0)
                return std::string(prefix);
        }
        return std::nullopt;
    }

    TempDir m_dir;
};

TEST_F(CliSaveTest, AKilledSaveLeavesItsTemporaryAndTheNextSaveRemovesIt)
{
    // Some 300 MB of CSV: the write takes seconds.
    const std::string command = std::string("exec '") + VP_CLI_PATH + "' coverage --room 10,10,4 --voxel 5 --voxels " +
                                Quoted(m_dir.Path() / "v.csv") + " >/dev/null 2>&1";
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto start = std::chrono::steady_clock::now();
    bool writing = false;
    while (!writing && std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
        for (const std::string& name : Temporaries())
            writing = writing || fs::file_size(m_dir.Path() / name) > 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(writing);
    kill(pid, SIGKILL);
    int raw = 0;
    waitpid(pid, &raw, 0);
    ASSERT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == SIGKILL);
    ASSERT_EQ(Temporaries().size(), 1u);
    EXPECT_FALSE(fs::exists(m_dir.Path() / "v.csv"));

    // A temporary is stale once it is older than the run; file times tick coarsely.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const CliRun next = Cli("rig --save " + Quoted(m_dir.Path() / "rig.txt"));
    ASSERT_EQ(next.status, 0) << next.err;
    EXPECT_TRUE(Temporaries().empty());
    EXPECT_TRUE(fs::exists(m_dir.Path() / "rig.txt"));
}

TEST_F(CliSaveTest, RefusedSavesSayWhyAndKeepThePreviousFile)
{
    fs::create_directories(m_dir.Path() / "elsewhere");
    fs::create_directories(m_dir.Path() / "shared");
    std::ofstream(m_dir.Path() / "elsewhere" / "passwd") << "keep";
    fs::create_symlink(m_dir.Path() / "elsewhere" / "passwd", m_dir.Path() / "shared" / "link.vplan");
    const CliRun link = Cli("rig --save-project " + Quoted(m_dir.Path() / "shared" / "link.vplan"));
    EXPECT_EQ(link.status, 1);
    EXPECT_EQ(link.err, "Unable to Create File: " + (m_dir.Path() / "shared" / "link.vplan").string() +
                            ": it is a symbolic link to " +
                            (fs::canonical(m_dir.Path() / "elsewhere") / "passwd").string() +
                            ", outside its folder, and a save follows links only within their folder\n");
    EXPECT_EQ(ReadText(m_dir.Path() / "elsewhere" / "passwd"), "keep");

    const CliRun folder = Cli("coverage --voxel 50 --vtk " + Quoted(m_dir.Path() / "elsewhere"));
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "Unable to write file: " + (m_dir.Path() / "elsewhere").string() + ": is a directory\n");

    // Root writes anywhere: the folder is refused to the user nobody, where nobody may run the tool.
    fs::create_directories(m_dir.Path() / "locked");
    fs::permissions(m_dir.Path() / "locked", fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(m_dir.Path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    const std::string nobody = "--reuid 65534 --regid 65534 --clear-groups '" + std::string(VP_CLI_PATH) + "' ";
    if (geteuid() == 0 && RunCli("setpriv", nobody + "rig", m_dir.Path() / "scratch").status == 0) {
        const CliRun denied = RunCli("setpriv", nobody + "rig --save " + Quoted(m_dir.Path() / "locked" / "rig.txt"),
                                     m_dir.Path() / "scratch");
        EXPECT_EQ(denied.status, 1);
        EXPECT_EQ(denied.err, "Unable to Create File: " + (m_dir.Path() / "locked" / "rig.txt").string() + "\n" +
                                  (m_dir.Path() / "locked" / "rig.txt").string() +
                                  " cannot be written: permission denied\n");
    }

    const std::optional<std::string> mountNamespace = MountNamespace();
    if (!mountNamespace)
        GTEST_SKIP() << "no small file system to fill: neither 'unshare -m' nor 'unshare -Urm' may mount a tmpfs here";
    // A file system of 64 KB that holds the previous file, and one mounted read-only.
    fs::create_directories(m_dir.Path() / "full");
    fs::create_directories(m_dir.Path() / "ro");
    const std::string cli = std::string("'") + VP_CLI_PATH + "'";
    const fs::path out = m_dir.Path() / "scratch";
    const std::string script =
        "mount -t tmpfs -o size=64k tmpfs " + Quoted(m_dir.Path() / "full") + " && mount -t tmpfs -o ro tmpfs " +
        Quoted(m_dir.Path() / "ro") + " || exit 1; printf previous > " + Quoted(m_dir.Path() / "full" / "v.csv") +
        "; " + cli + " coverage --voxel 10 --voxels " + Quoted(m_dir.Path() / "full" / "v.csv") + " >/dev/null 2>" +
        Quoted(out / "full.err") + "; echo $? >" + Quoted(out / "full.status") + "; ls -A " +
        Quoted(m_dir.Path() / "full") + " >" + Quoted(out / "full.ls") + "; cat " +
        Quoted(m_dir.Path() / "full" / "v.csv") + " >" + Quoted(out / "full.kept") + "; " + cli +
        " rig --save-project " + Quoted(m_dir.Path() / "ro" / "plan.vplan") + " >/dev/null 2>" +
        Quoted(out / "ro.err") + "; echo $? >" + Quoted(out / "ro.status");
    std::ofstream(out / "script.sh") << script;
    ASSERT_EQ(std::system((*mountNamespace + " sh " + Quoted(out / "script.sh")).c_str()), 0);

    EXPECT_EQ(ReadText(out / "full.status"), "1\n");
    EXPECT_EQ(ReadText(out / "full.err"),
              "Unable to write file: " + (m_dir.Path() / "full" / "v.csv").string() + ": no space left on device\n");
    EXPECT_EQ(ReadText(out / "full.ls"), "v.csv\n");
    EXPECT_EQ(ReadText(out / "full.kept"), "previous");
    EXPECT_EQ(ReadText(out / "ro.status"), "1\n");
    EXPECT_EQ(ReadText(out / "ro.err"),
              "Unable to Create File: " + (m_dir.Path() / "ro" / "plan.vplan").string() + ": read-only file system\n");
}

} // namespace
