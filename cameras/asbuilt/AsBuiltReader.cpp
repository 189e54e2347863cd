#include "cameras/asbuilt/AsBuiltReader.h"

#include "cameras/asbuilt/AniposeReader.h"
#include "cameras/asbuilt/CaliscopeReader.h"
#include "cameras/asbuilt/ColmapReader.h"
#include "cameras/asbuilt/OpenCvReader.h"

#include <filesystem>
#include <new>
#include <system_error>

namespace fs = std::filesystem;

namespace
{

// Whether the name is taken in the folder: a link, a pipe or a device under
// a calibration's name is read, and refused naming what it is.
bool IsFile(const fs::path& p)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec)) && !fs::is_directory(p, ec);
}

// The first of the names that is a file in the folder.
std::optional<fs::path> FirstFile(const fs::path& folder, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (IsFile(folder / name))
            return folder / name;
    return std::nullopt;
}

std::optional<fs::path> OpenCvIntri(const fs::path& folder)
{
    return FirstFile(folder, {"intri.yml", "intri.yaml", "intri.xml"});
}

std::optional<fs::path> OpenCvExtri(const fs::path& folder)
{
    return FirstFile(folder, {"extri.yml", "extri.yaml", "extri.xml"});
}

bool HasTextLineStarting(const std::string& text, const std::string& start)
{
    size_t at = 0;
    while (at < text.size()) {
        const size_t first = text.find_first_not_of(" \t", at);
        if (first != std::string::npos && text.compare(first, start.size(), start) == 0)
            return true;
        const size_t end = text.find('\n', at);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return false;
}

AsBuiltReadResult ReadOpenCvFile(const std::string& path, double metresPerUnit)
{
    const auto partner = OpenCvPartnerFile(path);
    if (!partner)
        return {std::nullopt,
                CalibrationFileName(path) +
                    ": an OpenCV pair is read from intri.yml and extri.yml: name one of them, or the folder"};
    return IsOpenCvIntrinsicsFile(path) ? ReadOpenCvCalibration(path, *partner, metresPerUnit)
                                        : ReadOpenCvCalibration(*partner, path, metresPerUnit);
}

AsBuiltReadResult ReadFolder(const fs::path& folder, std::optional<AsBuiltFormat> format, double metresPerUnit)
{
    const std::string name = CalibrationFileName(folder.string());
    const auto intri = OpenCvIntri(folder), extri = OpenCvExtri(folder);
    const bool colmap = IsFile(folder / "cameras.txt") && IsFile(folder / "images.txt");
    const auto toml = FirstFile(folder, {"camera_array.toml", "calibration.toml"});
    if (!format)
        format = intri && extri                                    ? AsBuiltFormat::OpenCv
                 : colmap                                          ? AsBuiltFormat::Colmap
                 : toml && toml->filename() == "camera_array.toml" ? AsBuiltFormat::Caliscope
                 : toml                                            ? AsBuiltFormat::Anipose
                                                                   : std::optional<AsBuiltFormat>{};
    // One file of a pair is named with the one it lacks.
    const auto halfPair = [&]() -> std::optional<std::string> {
        if (intri && !extri)
            return name + ": the folder has " + intri->filename().string() +
                   " but not its partner extri.yml (nor extri.yaml, extri.xml)";
        if (extri && !intri)
            return name + ": the folder has " + extri->filename().string() +
                   " but not its partner intri.yml (nor intri.yaml, intri.xml)";
        const bool cameras = IsFile(folder / "cameras.txt"), images = IsFile(folder / "images.txt");
        if (cameras != images)
            return name + ": the folder has " +
                   (cameras ? "cameras.txt but not images.txt" : "images.txt but not cameras.txt");
        return std::nullopt;
    };
    switch (format.value_or(AsBuiltFormat::Anipose)) {
    case AsBuiltFormat::OpenCv:
        if (intri && extri)
            return ReadOpenCvCalibration(intri->string(), extri->string(), metresPerUnit);
        return {std::nullopt, intri || extri ? *halfPair() : name + ": the folder has no intri.yml and extri.yml"};
    case AsBuiltFormat::Colmap:
        if (colmap)
            return ReadColmapCalibration((folder / "cameras.txt").string(), (folder / "images.txt").string(),
                                         metresPerUnit);
        if (const auto half = halfPair(); half && !intri && !extri)
            return {std::nullopt, *half};
        return {std::nullopt, name + ": the folder has no cameras.txt and images.txt"};
    case AsBuiltFormat::Caliscope:
    case AsBuiltFormat::Anipose:
        if (!toml) {
            if (const auto half = halfPair())
                return {std::nullopt, *half};
            break;
        }
        return *format == AsBuiltFormat::Caliscope ? ReadCaliscopeCalibration(toml->string(), metresPerUnit)
                                                   : ReadAniposeCalibration(toml->string(), metresPerUnit);
    }
    return {std::nullopt, name + ": the folder holds no calibration: intri.yml + extri.yml, cameras.txt + images.txt, "
                                 "camera_array.toml or calibration.toml"};
}

// ReadAsBuilt without its guard against a machine short of memory.
AsBuiltReadResult ReadAnyFormat(const std::string& path, std::optional<AsBuiltFormat> format, double metresPerUnit)
{
    std::error_code ec;
    const fs::path p(path);
    if (fs::is_directory(p, ec))
        return ReadFolder(p, format, metresPerUnit);
    const std::string filename = p.filename().string();
    if (!format && (filename == "cameras.txt" || filename == "images.txt"))
        format = AsBuiltFormat::Colmap;
    if (!format) {
        const CalibrationFileText text = ReadCalibrationFile(path);
        if (!text.text)
            return {std::nullopt, text.error};
        const size_t first = text.text->find_first_not_of(" \t\r\n");
        const bool markup = first != std::string::npos && ((*text.text)[first] == '<' || (*text.text)[first] == '%');
        if (markup)
            format = AsBuiltFormat::OpenCv;
        else if (HasTextLineStarting(*text.text, "[cameras.") || HasTextLineStarting(*text.text, "[cameras]"))
            format = AsBuiltFormat::Caliscope;
        else if (HasTextLineStarting(*text.text, "["))
            format = AsBuiltFormat::Anipose;
        else
            return {std::nullopt, CalibrationFileName(path) +
                                      ": cannot tell the calibration format; give --as-built-format "
                                      "anipose|caliscope|opencv|colmap"};
    }
    switch (*format) {
    case AsBuiltFormat::Anipose:
        return ReadAniposeCalibration(path, metresPerUnit);
    case AsBuiltFormat::Caliscope:
        return ReadCaliscopeCalibration(path, metresPerUnit);
    case AsBuiltFormat::OpenCv:
        return ReadOpenCvFile(path, metresPerUnit);
    case AsBuiltFormat::Colmap: {
        const fs::path folder = p.parent_path();
        return ReadColmapCalibration((folder / "cameras.txt").string(), (folder / "images.txt").string(),
                                     metresPerUnit);
    }
    }
    return {std::nullopt, CalibrationFileName(path) + ": unknown calibration format"};
}

} // namespace

std::optional<AsBuiltFormat> AsBuiltFormatNamed(const std::string& word)
{
    if (word == "anipose")
        return AsBuiltFormat::Anipose;
    if (word == "caliscope")
        return AsBuiltFormat::Caliscope;
    if (word == "opencv")
        return AsBuiltFormat::OpenCv;
    if (word == "colmap")
        return AsBuiltFormat::Colmap;
    return std::nullopt;
}

AsBuiltReadResult ReadAsBuilt(const std::string& path, std::optional<AsBuiltFormat> format, double metresPerUnit)
{
    // The scans bound what the parsers build; a machine short of memory may still refuse it.
    try {
        return ReadAnyFormat(path, format, metresPerUnit);
    } catch (const std::bad_alloc&) {
        return {std::nullopt, CalibrationFileName(path) + ": too large to read in the memory free"};
    }
}
