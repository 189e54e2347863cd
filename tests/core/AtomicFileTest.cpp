// The safe writer as a killed run, a hostile link or a failing disk meets it.
#include "TestSupport.h"

#include "scene/AtomicFile.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <set>

namespace
{

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test
{
  protected:
    SaveResult Save(const std::string& path, const std::string& text = "new")
    {
        AtomicFile file(path);
        if (file.Open() && file.Write(text))
            file.Commit();
        return file.Result();
    }

    static std::set<std::string> Names(const fs::path& folder)
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    TempDir m_dir;
};

TEST_F(AtomicFileTest, LinksLeadingOutOfTheirFolderAreRefusedAndTheFileKept)
{
    TempDir other;
    const std::string victim = other.File("victim");
    WriteBytes(victim, "keep");
    fs::create_symlink(victim, m_dir.File("absolute"));
    fs::create_symlink("../" + other.Path().filename().string() + "/victim", m_dir.File("relative"));
    fs::create_symlink("absolute", m_dir.File("chain"));
    // Inside the folder by its name, outside once the folder link is followed.
    fs::create_symlink(other.Path(), m_dir.File("elsewhere"));
    fs::create_symlink("elsewhere/victim", m_dir.File("through-folder"));
    // A link's own folder is the bound, not the folder above it.
    fs::create_directory(m_dir.File("sub"));
    WriteBytes(m_dir.File("beside"), "keep");
    fs::create_symlink("../beside", m_dir.File("sub/up"));

    const fs::path victimReal = fs::canonical(victim);
    for (const char* name : {"absolute", "relative", "chain", "through-folder", "sub/up"}) {
        SCOPED_TRACE(name);
        const SaveResult saved = Save(m_dir.File(name));
        EXPECT_FALSE(saved.ok);
        const std::string leadsTo =
            std::string(name) == "sub/up" ? fs::canonical(m_dir.File("beside")).string() : victimReal.string();
        EXPECT_EQ(saved.reason, "it is a symbolic link to " + leadsTo +
                                    ", outside its folder, and a save follows links only within their folder");
        EXPECT_TRUE(fs::is_symlink(m_dir.File(name)));
    }
    EXPECT_EQ(ReadBytes(victim), "keep");
    EXPECT_EQ(ReadBytes(m_dir.File("beside")), "keep");

    // In a folder everyone writes to, another user's link is not followed even within it.
    fs::permissions(m_dir.Path(), fs::perms::all | fs::perms::sticky_bit);
    fs::create_symlink("beside", m_dir.File("foreign"));
    if (geteuid() == 0 && lchown(m_dir.File("foreign").c_str(), 65534, 65534) == 0) {
        EXPECT_EQ(Save(m_dir.File("foreign")).reason,
                  "it is a symbolic link another user made in a shared folder, which a save does not follow");
        EXPECT_EQ(ReadBytes(m_dir.File("beside")), "keep");
    }
    fs::create_symlink("beside", m_dir.File("own"));
    EXPECT_TRUE(Save(m_dir.File("own")).ok);
    EXPECT_EQ(ReadBytes(m_dir.File("beside")), "new");
    EXPECT_EQ(Names(other.Path()), std::set<std::string>{"victim"});
    EXPECT_EQ(Names(m_dir.File("sub")), std::set<std::string>{"up"});
}

TEST_F(AtomicFileTest, EveryFailureSaysWhy)
{
    fs::create_directory(m_dir.File("folder"));
    ASSERT_EQ(mkfifo(m_dir.File("pipe").c_str(), 0600), 0);
    fs::create_symlink("loop-b", m_dir.File("loop-a"));
    fs::create_symlink("loop-a", m_dir.File("loop-b"));
    EXPECT_EQ(Save(m_dir.File("folder")).reason, "is a directory");
    EXPECT_EQ(Save(m_dir.File("pipe")).reason, "it is not a regular file");
    EXPECT_EQ(Save(m_dir.File("none/file.txt")).reason, "no such file or directory");
    EXPECT_EQ(Save(m_dir.File("loop-a")).reason, "too many levels of symbolic links");

    // A write that fails part way keeps its reason to the end.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveResult large = Save(m_dir.File("large.txt"), std::string(1000, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(large.ok);
    EXPECT_EQ(large.reason, "file too large");

    const SaveResult done = Save(m_dir.File("done.txt"));
    EXPECT_TRUE(done.ok);
    EXPECT_EQ(done.reason, "");
    EXPECT_EQ(Names(m_dir.Path()), (std::set<std::string>{"done.txt", "folder", "loop-a", "loop-b", "pipe"}));
}

// A process number no process has: a child that has ended and been reaped.
pid_t EndedProcess()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

TEST_F(AtomicFileTest, TemporariesOfKilledRunsAreRemovedBeforeTheNextSave)
{
    const std::string dead = std::to_string(EndedProcess());
    const std::string self = std::to_string(getpid());
    const auto make = [this](const std::string& name, bool old) {
        WriteBytes(m_dir.File(name), "partial");
        if (old) {
            const timespec hourAgo[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
            utimensat(AT_FDCWD, m_dir.File(name).c_str(), hourAgo, AT_SYMLINK_NOFOLLOW);
        }
    };
    make("killed.csv.tmp-" + dead + "-123", true);
    make("earlier-life.vtk.tmp-" + self + "-9", true); // the same number, before this run began
    make("alive.csv.tmp-1-5", true);                   // process 1 never ends
    make("fresh.csv.tmp-" + dead + "-7", false);       // written since this run began
    make("notes.tmp-" + dead + "x-1", true);
    make("plan.tmp-", true);
    make(".tmp-" + dead + "-1", true);
    fs::create_directory(m_dir.File("folder.tmp-" + dead + "-1"));
    std::set<std::string> kept = {"alive.csv.tmp-1-5",
                                  "fresh.csv.tmp-" + dead + "-7",
                                  "notes.tmp-" + dead + "x-1",
                                  "plan.tmp-",
                                  ".tmp-" + dead + "-1",
                                  "folder.tmp-" + dead + "-1",
                                  "new.txt"};
    if (geteuid() == 0) {
        make("other-user.csv.tmp-" + dead + "-2", true);
        ASSERT_EQ(chown(m_dir.File("other-user.csv.tmp-" + dead + "-2").c_str(), 65534, 65534), 0);
        kept.insert("other-user.csv.tmp-" + dead + "-2");
    }

    ASSERT_TRUE(Save(m_dir.File("new.txt")).ok);
    EXPECT_EQ(Names(m_dir.Path()), kept);
}

// A run interrupted during a save ends as the signal would and leaves the
// target as it was; one interrupted after its save replaced the target
// finishes as it would have.
class AtomicFileSignalTest : public AtomicFileTest
{
  protected:
    void SetUp() override
    {
        m_target = m_dir.File("plan.vplan");
        WriteBytes(m_target, "previous");
    }
    std::string m_target;
};

TEST_F(AtomicFileSignalTest, BeforeTheRenameTheTemporaryGoesAndTheRunEnds)
{
    for (const int signal : {SIGINT, SIGTERM}) {
        EXPECT_EXIT(
            {
                AtomicFile::RemoveTemporariesOnSignal();
                AtomicFile file(m_target);
                file.Open();
                file.Write("new");
                std::raise(signal);
                std::exit(0);
            },
            ::testing::KilledBySignal(signal), "");
        EXPECT_EQ(ReadBytes(m_target), "previous");
        EXPECT_EQ(Names(m_dir.Path()), std::set<std::string>{"plan.vplan"});
    }
}

TEST_F(AtomicFileSignalTest, AfterTheRenameTheRunFinishesUnlessAnotherSaveBegins)
{
    EXPECT_EXIT(
        {
            AtomicFile::RemoveTemporariesOnSignal();
            Save(m_target);
            std::raise(SIGTERM);
            std::exit(7);
        },
        ::testing::ExitedWithCode(7), "");
    EXPECT_EQ(ReadBytes(m_target), "new");

    EXPECT_EXIT(
        {
            AtomicFile::RemoveTemporariesOnSignal();
            Save(m_target, "first");
            std::raise(SIGINT);
            Save(m_dir.File("second.csv"));
            std::exit(7);
        },
        ::testing::KilledBySignal(SIGINT), "");
    EXPECT_EQ(ReadBytes(m_target), "first");
    EXPECT_EQ(Names(m_dir.Path()), std::set<std::string>{"plan.vplan"});
}

} // namespace
