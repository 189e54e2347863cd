#include "scene/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <random>
#include <system_error>

namespace
{

namespace fs = std::filesystem;

// Links followed before the name is taken as a loop, as the kernel does.
constexpr int kMaxLinkDepth = 40;
constexpr int kTempNameAttempts = 100;
constexpr std::string_view kTempMark = ".tmp-";

// The system's text for an error number, as the rest of a message reads it.
std::string ReasonOf(int error)
{
    std::string reason = std::generic_category().message(error);
    if (!reason.empty())
        reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    return reason;
}

// The folder a path's file is in, "." for a bare name.
fs::path FolderOf(const fs::path& path)
{
    const fs::path folder = path.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

struct ResolvedTarget {
    std::string path;
    std::string failure;
};

// In a folder everyone may write to (sticky, as /tmp), a link another user
// made: the kernel does not follow such links for an open (protected
// symlinks), and the links a save resolves itself are held to the same rule.
bool ForeignLinkInSharedFolder(const fs::path& link)
{
    struct stat linkStat {
    };
    struct stat folderStat {
    };
    if (lstat(link.c_str(), &linkStat) != 0 || stat(FolderOf(link).c_str(), &folderStat) != 0)
        return false;
    const bool shared = (folderStat.st_mode & S_ISVTX) && (folderStat.st_mode & S_IWOTH);
    return shared && linkStat.st_uid != geteuid() && linkStat.st_uid != folderStat.st_uid;
}

// Saving through a symbolic link replaces the file it points to, not the
// link; a link to a file that does not exist yet gets that file created. Only
// links that stay within the link's own folder (or below it) are followed:
// in a shared folder, a link to anywhere else would let whoever made it
// choose which file a save replaces.
ResolvedTarget ResolveTarget(const std::string& path)
{
    std::error_code ec;
    fs::path target = path;
    if (!fs::is_symlink(fs::symlink_status(target, ec)))
        return {path, {}};
    for (int depth = 0; depth < kMaxLinkDepth && fs::is_symlink(fs::symlink_status(target, ec)); ++depth) {
        if (ForeignLinkInSharedFolder(target))
            return {path, "it is a symbolic link another user made in a shared folder, which a save does not follow"};
        const fs::path link = fs::read_symlink(target, ec);
        if (ec)
            return {path, ReasonOf(ec.value())};
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    if (fs::is_symlink(fs::symlink_status(target, ec)))
        return {path, ReasonOf(ELOOP)};
    const fs::path folder = fs::canonical(FolderOf(path), ec);
    if (ec)
        return {path, ReasonOf(ec.value())};
    const fs::path targetFolder = fs::canonical(FolderOf(target), ec);
    if (ec)
        return {path, ReasonOf(ec.value())};
    const fs::path resolved = targetFolder / target.filename();
    if (std::mismatch(folder.begin(), folder.end(), targetFolder.begin(), targetFolder.end()).first != folder.end())
        return {path, "it is a symbolic link to " + resolved.string() +
                          ", outside its folder, and a save follows links only within their folder"};
    return {resolved.string(), {}};
}

// A new, exclusive file beside the target. open() applies the umask to 0666
// as for any file the program creates, which mkstemp's fixed 0600 would not.
// Named <target>.tmp-<pid>-<random>, which RemoveStaleTemporaries relies on.
int CreateTemporary(const std::string& target, std::string& tempPath)
{
    std::random_device random;
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        tempPath = target + std::string(kTempMark) + std::to_string(getpid()) + "-" + std::to_string(random());
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The process that wrote a temporary, from its name; nullopt for any other name.
std::optional<pid_t> WriterOf(std::string_view name)
{
    const size_t dash = name.rfind('-');
    const size_t mark = name.rfind(kTempMark, dash);
    if (dash == std::string_view::npos || mark == std::string_view::npos || mark == 0 || dash < mark + kTempMark.size())
        return std::nullopt;
    const std::string_view pid = name.substr(mark + kTempMark.size(), dash - mark - kTempMark.size());
    if (!AllDigits(pid) || !AllDigits(name.substr(dash + 1)) || pid.size() > 9)
        return std::nullopt;
    return static_cast<pid_t>(std::stol(std::string(pid)));
}

// File times come from the kernel's coarse clock: read the same clock, so
// that a file this run writes is never dated before the run started.
timespec CoarseNow()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}
const timespec g_runStart = CoarseNow();

bool Before(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// A killed save (SIGKILL, a crash, a power cut) leaves its temporary, which
// may be hundreds of megabytes. One is taken as stale when it is a regular
// file of this user, last written before this run started, and its writer
// is gone (or had this process's number, in an earlier life). Another
// instance still saving keeps its file; a temporary of a writer whose number
// was taken again stays until that number is free.
void RemoveStaleTemporaries(const fs::path& folder)
{
    std::error_code ec;
    for (fs::directory_iterator entry(folder, ec), end; !ec && entry != end; entry.increment(ec)) {
        const std::string name = entry->path().filename().string();
        const std::optional<pid_t> writer = WriterOf(name);
        struct stat file {
        };
        if (!writer || lstat(entry->path().c_str(), &file) != 0 || !S_ISREG(file.st_mode) || file.st_uid != geteuid() ||
            !Before(file.st_mtim, g_runStart))
            continue;
        if (*writer == getpid() || (kill(*writer, 0) != 0 && errno == ESRCH))
            unlink(entry->path().c_str());
    }
}

// Temporaries a signal handler may remove: fixed storage, as a handler may
// not allocate. A slot is marked used only once its path is complete.
constexpr int kSignalSlots = 8;
char g_aTempPaths[kSignalSlots][PATH_MAX];
std::atomic<bool> g_aSlotUsed[kSignalSlots];
// Set once a save of this process has replaced its target.
std::atomic<bool> g_bReplacedTarget{false};
// A signal that came after a save was committed, to end the run when the next save begins.
std::atomic<int> g_nDeferredSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handler needs lock-free flags");

int RememberTemporary(const std::string& path)
{
    if (path.size() >= PATH_MAX)
        return -1;
    for (int slot = 0; slot < kSignalSlots; ++slot) {
        if (g_aSlotUsed[slot])
            continue;
        std::memcpy(g_aTempPaths[slot], path.c_str(), path.size() + 1);
        g_aSlotUsed[slot] = true;
        return slot;
    }
    return -1;
}

void EndAsSignalled(int signal)
{
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

extern "C" void RemoveTemporariesAndEnd(int signal)
{
    const int savedErrno = errno;
    bool pending = false;
    bool renamed = false;
    for (int slot = 0; slot < kSignalSlots; ++slot) {
        if (!g_aSlotUsed[slot])
            continue;
        // Gone already: its commit renamed it over the target a moment ago.
        if (unlink(g_aTempPaths[slot]) == 0 || errno != ENOENT)
            pending = true;
        else
            renamed = true;
    }
    if (!pending && (renamed || g_bReplacedTarget)) {
        g_nDeferredSignal = signal;
        errno = savedErrno;
        return;
    }
    EndAsSignalled(signal);
}

} // namespace

void AtomicFile::RemoveTemporariesOnSignal()
{
    for (const int signal : {SIGINT, SIGTERM})
        std::signal(signal, RemoveTemporariesAndEnd);
}

void AtomicFile::Forget()
{
    if (m_nSignalSlot >= 0)
        g_aSlotUsed[m_nSignalSlot] = false;
    m_nSignalSlot = -1;
}

AtomicFile::AtomicFile(const std::string& path)
{
    ResolvedTarget resolved = ResolveTarget(path);
    m_target = std::move(resolved.path);
    m_strFailure = std::move(resolved.failure);
}

AtomicFile::~AtomicFile()
{
    Abort();
}

bool AtomicFile::Fail(std::string reason)
{
    if (m_strFailure.empty())
        m_strFailure = std::move(reason);
    m_failed = true;
    return false;
}

bool AtomicFile::Open()
{
    if (const int signal = g_nDeferredSignal)
        EndAsSignalled(signal);
    if (!m_strFailure.empty()) {
        m_failed = true;
        return false;
    }
    // Renaming over a device, a pipe, a socket or a link left over from a
    // loop would replace that node by a plain file; only regular files (or
    // new names) are written.
    struct stat existing {
    };
    const bool exists = lstat(m_target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return Fail(ReasonOf(EISDIR));
    if (exists && !S_ISREG(existing.st_mode))
        return Fail("it is not a regular file");
    RemoveStaleTemporaries(FolderOf(m_target));
    std::string tempPath;
    const int fd = CreateTemporary(m_target, tempPath);
    if (fd < 0)
        return Fail(ReasonOf(errno));
    m_nFd = fd;
    m_tempPath = tempPath;
    m_nSignalSlot = RememberTemporary(tempPath);
    if (exists) {
        // The replacement keeps the old file's owner where the system allows
        // it (otherwise the saver owns it), then its mode: a change of owner
        // may clear set-id bits.
        [[maybe_unused]] const int ownerKept = fchown(fd, existing.st_uid, existing.st_gid);
        fchmod(fd, existing.st_mode & 07777);
    }
    return true;
}

bool AtomicFile::Write(std::string_view bytes)
{
    if (m_nFd < 0 || m_failed)
        return false;
    while (!bytes.empty()) {
        const ssize_t written = write(m_nFd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return Fail(ReasonOf(written < 0 ? errno : EIO));
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

bool AtomicFile::Commit()
{
    if (m_nFd < 0)
        return false;
    bool ok = !m_failed;
    if (ok && fsync(m_nFd) != 0)
        ok = Fail(ReasonOf(errno));
    // Some file systems report a failed write only when the file is closed.
    if (close(m_nFd) != 0 && errno != EINTR && ok)
        ok = Fail(ReasonOf(errno));
    m_nFd = -1;
    if (ok && std::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        ok = Fail(ReasonOf(errno));
    if (!ok) {
        Abort();
        return false;
    }
    // Before the slot is freed: a signal in between finds the temporary renamed.
    g_bReplacedTarget = true;
    Forget();
    m_tempPath.clear();
    m_bCommitted = true;
    return true;
}

void AtomicFile::Abort()
{
    if (m_nFd >= 0) {
        close(m_nFd);
        m_nFd = -1;
    }
    if (!m_tempPath.empty()) {
        Forget();
        unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}
