#include "project/MeshReader.h"

#include "project/MeshFileCheck.h"
#include "project/MeshTransfer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

extern char** environ;

namespace
{

using Clock = std::chrono::steady_clock;

// The importer reserves room for every vertex it might merge (272 bytes
// each) and touches little of it: its address space may be this many times
// the memory it may hold.
constexpr uint64_t kAddressSpacePerByte = 8;

std::string PartnerPath(const MeshReaderLimits& limits)
{
    if (!limits.partner.empty())
        return limits.partner;
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        std::string path(self, static_cast<size_t>(length));
        path = path.substr(0, path.rfind('/') + 1) + "volume-planner-mesh";
        if (::access(path.c_str(), X_OK) == 0)
            return path;
    }
    return VP_MESH_BINARY;
}

std::string SecondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g s", seconds);
    return text;
}

std::string BytesText(uint64_t bytes)
{
    if (bytes % (uint64_t{1} << 30) == 0)
        return std::to_string(bytes >> 30) + " GB";
    return std::to_string((bytes + (uint64_t{1} << 20) - 1) >> 20) + " MB";
}

// The child and the read end of its standard output, both ended whatever
// way the reading ends.
class CPartnerRun
{
  public:
    ~CPartnerRun()
    {
        if (m_nFd >= 0)
            ::close(m_nFd);
        if (m_nPid > 0) {
            ::kill(m_nPid, SIGKILL);
            Reap();
        }
    }

    // Empty once started, else the reason it could not be.
    std::string Start(const std::string& partner, const std::vector<std::string>& arguments)
    {
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0)
            return std::string("no pipe to the reader: ") + std::strerror(errno);
        m_nFd = pipeFds[0];
        std::vector<char*> argv;
        std::vector<std::string> words{partner};
        words.insert(words.end(), arguments.begin(), arguments.end());
        argv.reserve(words.size() + 1);
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        // The importer's own complaints are not the user's business: the
        // answer says what went wrong.
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclosefrom_np(&actions, 3);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        pid_t pid = 0;
        const int error = ::posix_spawn(&pid, partner.c_str(), &actions, &attributes, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(pipeFds[1]);
        if (error != 0)
            return "the mesh reader " + partner + " cannot be run (" + std::strerror(error) + ")";
        m_nPid = pid;
        return {};
    }

    enum class Outcome { Answered, Late, TooLarge };

    // Takes the answer in until the partner closes its output, the deadline
    // comes or the partner holds more than `memoryBytes`.
    Outcome Read(CMeshAnswer& answer, Clock::time_point deadline, uint64_t memoryBytes)
    {
        std::vector<char> buffer(size_t{1} << 16);
        Clock::time_point looked;
        for (;;) {
            const Clock::time_point now = Clock::now();
            if (now >= deadline)
                return Outcome::Late;
            if (now - looked >= kMemoryLook) {
                if (ResidentBytes() > memoryBytes)
                    return Outcome::TooLarge;
                looked = now;
            }
            const auto wait = std::min(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now),
                                       std::chrono::duration_cast<std::chrono::milliseconds>(kMemoryLook));
            pollfd p{m_nFd, POLLIN, 0};
            const int ready = ::poll(&p, 1, static_cast<int>(wait.count()) + 1);
            if (ready == 0 || (ready < 0 && errno == EINTR))
                continue;
            if (ready < 0)
                return Outcome::Answered;
            const ssize_t n = ::read(m_nFd, buffer.data(), buffer.size());
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0)
                return Outcome::Answered;
            answer.Feed(buffer.data(), static_cast<size_t>(n));
            if (answer.IsBroken())
                return Outcome::Answered;
        }
    }

    // The partner's wait status once it ended; nullopt when the deadline
    // came first.
    std::optional<int> Wait(Clock::time_point deadline)
    {
        for (;;) {
            int status = 0;
            const pid_t done = ::waitpid(m_nPid, &status, WNOHANG);
            if (done == m_nPid) {
                m_nPid = 0;
                return status;
            }
            // Reaped by another handler: the status is lost, not the answer.
            if (done < 0 && errno != EINTR) {
                m_nPid = 0;
                return 0;
            }
            if (Clock::now() >= deadline)
                return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

  private:
    // Often enough that a reader filling memory as fast as it can passes the
    // limit by little before it is stopped.
    static constexpr std::chrono::milliseconds kMemoryLook{20};

    // What the partner holds in memory now; 0 once it is gone.
    uint64_t ResidentBytes() const
    {
        std::ifstream statm("/proc/" + std::to_string(m_nPid) + "/statm");
        uint64_t size = 0, resident = 0;
        if (!(statm >> size >> resident))
            return 0;
        return resident * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    }

    void Reap()
    {
        int status = 0;
        while (::waitpid(m_nPid, &status, 0) < 0 && errno == EINTR) {
        }
        m_nPid = 0;
    }

    pid_t m_nPid = 0;
    int m_nFd = -1;
};

} // namespace

std::variant<MeshTriangles, std::string> ReadMeshFile(const std::string& path, const MeshReaderLimits& limits)
{
    const std::string partner = PartnerPath(limits);
    const std::string slow = "the reader took longer than " + SecondsText(limits.seconds);
    CPartnerRun run;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limits.seconds));
    // The memory the reader holds is watched from here; its address space,
    // which the importer reserves well beyond what it touches, is bounded
    // in the reader as a backstop, as is its processor time.
    const uint64_t addressSpace =
        limits.memoryBytes > UINT64_MAX / kAddressSpacePerByte ? UINT64_MAX : limits.memoryBytes * kAddressSpacePerByte;
    const std::string started =
        run.Start(partner, {"--address-space", std::to_string(addressSpace), "--cpu-seconds",
                            std::to_string(static_cast<long>(std::ceil(limits.seconds)) + 1), "--", path});
    if (!started.empty())
        return started;
    const std::string large = "the reader needed more than " + BytesText(limits.memoryBytes);
    CMeshAnswer answer(kMaxMeshTriangles);
    switch (run.Read(answer, deadline, limits.memoryBytes)) {
    case CPartnerRun::Outcome::Late:
        return slow;
    case CPartnerRun::Outcome::TooLarge:
        return large;
    case CPartnerRun::Outcome::Answered:
        break;
    }
    const std::optional<int> status = run.Wait(deadline);
    if (!status)
        return slow;
    if (WIFSIGNALED(*status))
        return WTERMSIG(*status) == SIGXCPU ? slow
                                            : "the reader stopped (signal " + std::to_string(WTERMSIG(*status)) + ")";
    const int exit = WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
    if (exit == kMeshExitMemory)
        return large;
    if (!answer.IsComplete())
        return "the reader ended without an answer (exit status " + std::to_string(exit) + ")";
    if (answer.IsRefusal())
        return answer.Refusal();
    const std::vector<float> coordinates = answer.TakeCoordinates();
    MeshTriangles mesh;
    mesh.triangles.resize(coordinates.size() / 9);
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        const float* c = &coordinates[t * 9];
        mesh.triangles[t] = {Vec3d{c[0], c[1], c[2]}, Vec3d{c[3], c[4], c[5]}, Vec3d{c[6], c[7], c[8]}};
    }
    return mesh;
}
