#pragma once

#include <cstdio>
#include <string>

// Writes a file so that a failed save never destroys the previous one: the
// data goes to a temporary file in the target's folder, which replaces the
// target only after every write, the flush and the close succeeded.
// Destroying an uncommitted AtomicFile removes the temporary. Through a
// symbolic link, the file it points to is replaced and the link kept; the
// replacement keeps an existing file's permissions.
class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary; false when the folder cannot take it.
    bool Open();
    // The stream to write to; null unless Open succeeded.
    std::FILE* Stream() const { return m_file; }
    bool Write(const std::string& text);
    // Flushes, syncs, closes and renames over the target. False (and the
    // target untouched) when any step, or any earlier write, failed.
    bool Commit();

    // From now on an interrupt or a termination request (SIGINT, SIGTERM)
    // first removes the temporaries of files not yet committed, then ends
    // the process as the signal would have.
    static void RemoveTemporariesOnSignal();

private:
    void Abort();
    void Forget();

    std::string m_target;
    std::string m_tempPath;
    std::FILE* m_file = nullptr;
    bool m_failed = false;
    int m_nSignalSlot = -1;
};
