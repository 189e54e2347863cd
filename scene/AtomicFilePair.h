#pragma once

#include "scene/AtomicFile.h"

#include <optional>
#include <string>
#include <string_view>

// Two files that belong together, saved as one: both are written whole to
// their temporaries before either replaces its file. When the second cannot
// replace its file after the first did, the first is put back as it was (or
// removed when it was new), so the pair on disk is never half of two saves.
class AtomicFilePair
{
  public:
    AtomicFilePair(const std::string& first, const std::string& second);

    // Creates both temporaries and keeps the first file's bytes to put back;
    // false when either cannot be written there.
    bool Open();
    bool Write(std::string_view firstBytes, std::string_view secondBytes);
    // Replaces the first file, then the second; false, with both files as
    // they were, when either fails.
    bool Commit();

    // Why the save failed, naming the file ("intri.yml: no space left on
    // device"); empty while it has not.
    const std::string& Failure() const { return m_strFailure; }

  private:
    bool Fail(const std::string& path, const std::string& reason);

    std::string m_firstPath;
    std::string m_secondPath;
    AtomicFile m_first;
    AtomicFile m_second;
    // The first file's bytes before the save; nullopt when there was none.
    std::optional<std::string> m_firstBefore;
    std::string m_strFailure;
};
