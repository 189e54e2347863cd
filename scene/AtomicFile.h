#pragma once

#include <string>
#include <string_view>

// The outcome of a save: the target replaced, or why not, as a user reads it
// ("no space left on device").
struct SaveResult {
    bool ok = false;
    std::string reason;
    explicit operator bool() const { return ok; }
};

// Writes a file so that a failed save never destroys the previous one: the
// data goes to a temporary file in the target's folder, which replaces the
// target only after every write, the sync and the close succeeded.
// Destroying an uncommitted AtomicFile removes the temporary. Through a
// symbolic link that stays within its own folder (or a folder below it), the
// file it points to is replaced and the link kept; a link leading anywhere
// else is refused. The replacement keeps an existing file's permissions.
// Before the temporary is made, temporaries that killed runs left in that
// folder are removed.
class AtomicFile
{
  public:
    explicit AtomicFile(const std::string& path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary; false when the target cannot be written there.
    bool Open();
    bool Write(std::string_view bytes);
    // Syncs, closes and renames over the target. False (and the target
    // untouched) when any step, or any earlier write, failed.
    bool Commit();

    // Why the save failed, empty while it has not.
    const std::string& Failure() const { return m_strFailure; }
    SaveResult Result() const { return {m_bCommitted, m_strFailure}; }

    // From now on an interrupt or a termination request (SIGINT, SIGTERM)
    // during a save removes the temporaries of files not yet committed, then
    // ends the process as the signal would have. Once a save has replaced
    // its target, a signal no longer makes the run a failure: it ends the
    // process only when the next save begins, so a run whose last save is
    // done finishes as it would have.
    static void RemoveTemporariesOnSignal();

  private:
    bool Fail(std::string reason);
    void Abort();
    void Forget();

    std::string m_target;
    std::string m_tempPath;
    std::string m_strFailure;
    int m_nFd = -1;
    bool m_failed = false;
    bool m_bCommitted = false;
    int m_nSignalSlot = -1;
};
