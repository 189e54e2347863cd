#include "app/CoverageExport.h"

#include "app/ReplaceQuestion.h"
#include "app/UserPrompts.h"
#include "exports/VoxelExport.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace
{

const FileDialogRequest kExportCoverage{"Export Coverage", "coverage", "vtk",
                                        "VTK Volume (*.vtk)|*.vtk|PLY Point Cloud (*.ply)|*.ply|"
                                        "Voxel Table (*.csv)|*.csv||"};

} // namespace

std::optional<std::string> RunCoverageExport(CUserPrompts& prompts, const CCoverageVolume& volume,
                                             const CoverageInput& input, const CPlanningMeasures* planning)
{
    const std::optional<std::string> path = ChooseFileToWrite(prompts, kExportCoverage);
    if (!path)
        return std::nullopt;
    std::string extension = std::filesystem::path(*path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    SaveResult written;
    if (extension == ".vtk")
        written = WriteVtk(*path, volume, input, planning);
    else if (extension == ".ply")
        written = WritePly(*path, volume, input, planning);
    else if (extension == ".csv")
        written = WriteVoxelTable(*path, volume, input, planning);
    else {
        prompts.ShowMessage("Choose a file ending in .vtk, .ply or .csv", "Invalid Action", PromptButtons::Ok);
        return std::nullopt;
    }
    if (!written) {
        prompts.ShowMessageWithReason("Unable to write file\n" + *path, written.reason, "Error");
        return std::nullopt;
    }
    return "Coverage exported to " + *path;
}
