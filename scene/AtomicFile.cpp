#include "scene/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace {

// Links followed before the name is taken as a loop, as the kernel does.
constexpr int kMaxLinkDepth = 40;
constexpr int kTempNameAttempts = 100;

// Saving through a symbolic link replaces the file it points to, not the
// link; a link to a file that does not exist yet gets that file created.
std::string ResolveTarget(const std::string& path)
{
    namespace fs = std::filesystem;
    fs::path target = path;
    std::error_code ec;
    for (int depth = 0; depth < kMaxLinkDepth && fs::is_symlink(fs::symlink_status(target, ec)); ++depth) {
        const fs::path link = fs::read_symlink(target, ec);
        if (ec)
            break;
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    return target.string();
}

// A new, exclusive file beside the target. open() applies the umask to 0666
// as for any file the program creates, which mkstemp's fixed 0600 would not.
int CreateTemporary(const std::string& target, std::string& tempPath)
{
    std::random_device random;
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        tempPath = target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(random());
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Temporaries a signal handler may remove: fixed storage, as a handler may
// not allocate. A slot is marked used only once its path is complete.
constexpr int kSignalSlots = 8;
char g_aTempPaths[kSignalSlots][PATH_MAX];
volatile std::sig_atomic_t g_aSlotUsed[kSignalSlots];

int RememberTemporary(const std::string& path)
{
    if (path.size() >= PATH_MAX)
        return -1;
    for (int slot = 0; slot < kSignalSlots; ++slot) {
        if (g_aSlotUsed[slot])
            continue;
        std::memcpy(g_aTempPaths[slot], path.c_str(), path.size() + 1);
        g_aSlotUsed[slot] = 1;
        return slot;
    }
    return -1;
}

extern "C" void RemoveTemporariesAndEnd(int signal)
{
    for (int slot = 0; slot < kSignalSlots; ++slot) {
        if (g_aSlotUsed[slot])
            unlink(g_aTempPaths[slot]);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
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
        g_aSlotUsed[m_nSignalSlot] = 0;
    m_nSignalSlot = -1;
}

AtomicFile::AtomicFile(std::string path) : m_target(ResolveTarget(path)) {}

AtomicFile::~AtomicFile() { Abort(); }

bool AtomicFile::Open()
{
    // Renaming over a device, a pipe, a socket or a link left over from a
    // loop would replace that node by a plain file; only regular files (or
    // new names) are written.
    struct stat existing {};
    const bool exists = lstat(m_target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return false;
    std::string tempPath;
    const int fd = CreateTemporary(m_target, tempPath);
    if (fd < 0)
        return false;
    m_tempPath = tempPath;
    m_nSignalSlot = RememberTemporary(tempPath);
    if (exists) {
        // The replacement keeps the old file's owner where the system allows
        // it (otherwise the saver owns it), then its mode: a change of owner
        // may clear set-id bits.
        [[maybe_unused]] const int ownerKept = fchown(fd, existing.st_uid, existing.st_gid);
        fchmod(fd, existing.st_mode & 07777);
    }
    m_file = fdopen(fd, "wb");
    if (!m_file) {
        close(fd);
        Abort();
        return false;
    }
    return true;
}

bool AtomicFile::Write(const std::string& text)
{
    if (!m_file || m_failed)
        return false;
    if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size())
        m_failed = true;
    return !m_failed;
}

bool AtomicFile::Commit()
{
    if (!m_file)
        return false;
    bool ok = !m_failed && std::fflush(m_file) == 0 && !std::ferror(m_file) && fsync(fileno(m_file)) == 0;
    ok = (std::fclose(m_file) == 0) && ok;
    m_file = nullptr;
    if (ok)
        ok = std::rename(m_tempPath.c_str(), m_target.c_str()) == 0;
    if (ok) {
        Forget();
        m_tempPath.clear();
    } else
        Abort();
    return ok;
}

void AtomicFile::Abort()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_tempPath.empty()) {
        Forget();
        unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}
