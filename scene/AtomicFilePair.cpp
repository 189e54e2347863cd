#include "scene/AtomicFilePair.h"

#include "scene/PrintableText.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>

AtomicFilePair::AtomicFilePair(const std::string& first, const std::string& second)
    : m_firstPath(first), m_secondPath(second), m_first(first), m_second(second)
{
}

bool AtomicFilePair::Fail(const std::string& path, const std::string& reason)
{
    if (m_strFailure.empty())
        m_strFailure = PrintableText(path) + ": " + reason;
    return false;
}

bool AtomicFilePair::Open()
{
    if (!m_first.Open())
        return Fail(m_firstPath, m_first.Failure());
    if (!m_second.Open())
        return Fail(m_secondPath, m_second.Failure());
    // Open let only a regular file (or a new name) through.
    struct stat existing {
    };
    if (stat(m_firstPath.c_str(), &existing) == 0) {
        std::ifstream in(m_firstPath, std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (!in.good() && !in.eof())
            return Fail(m_firstPath, "cannot be read to be kept until its partner is saved");
        m_firstBefore = std::move(bytes);
    }
    return true;
}

bool AtomicFilePair::Write(std::string_view firstBytes, std::string_view secondBytes)
{
    if (!m_first.Write(firstBytes))
        return Fail(m_firstPath, m_first.Failure());
    if (!m_second.Write(secondBytes))
        return Fail(m_secondPath, m_second.Failure());
    return true;
}

bool AtomicFilePair::Commit()
{
    if (!m_strFailure.empty())
        return false;
    if (!m_first.Commit())
        return Fail(m_firstPath, m_first.Failure());
    if (m_second.Commit())
        return true;
    Fail(m_secondPath, m_second.Failure());
    if (!m_firstBefore) {
        // Through a link, the file the save made is the one the link leads to.
        std::error_code ec;
        const std::filesystem::path made = std::filesystem::canonical(m_firstPath, ec);
        if (ec || !std::filesystem::remove(made, ec))
            m_strFailure += "; " + PrintableText(m_firstPath) + " is new and could not be removed";
        else
            m_strFailure += "; " + PrintableText(m_firstPath) + ", new, is removed";
        return false;
    }
    AtomicFile restore(m_firstPath);
    if (!restore.Open() || !restore.Write(*m_firstBefore) || !restore.Commit())
        m_strFailure += "; " + PrintableText(m_firstPath) + " could not be put back: " + restore.Failure();
    else
        m_strFailure += "; " + PrintableText(m_firstPath) + " is as it was";
    return false;
}
