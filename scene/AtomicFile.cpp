#include "scene/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Saving through a symbolic link replaces the file it points to, not the link.
std::string ResolveTarget(const std::string& path)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved))
            return resolved;
    }
    return path;
}

mode_t CreationMode(const std::string& target)
{
    struct stat st {};
    if (stat(target.c_str(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

AtomicFile::AtomicFile(std::string path) : m_target(ResolveTarget(path)) {}

AtomicFile::~AtomicFile() { Abort(); }

bool AtomicFile::Open()
{
    // Renaming over a device, a pipe or a socket would replace that node by a
    // plain file; only regular files (or new names) are written.
    struct stat st {};
    if (stat(m_target.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return false;
    std::string pattern = m_target + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
        return false;
    m_tempPath = name.data();
    // mkstemp creates 0600; a saved file should get the usual permissions.
    fchmod(fd, CreationMode(m_target));
    m_file = fdopen(fd, "wb");
    if (!m_file) {
        close(fd);
        unlink(m_tempPath.c_str());
        m_tempPath.clear();
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
    if (ok)
        m_tempPath.clear();
    else
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
        unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}
