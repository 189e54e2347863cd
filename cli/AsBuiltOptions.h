#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace CLI
{
class App;
class Option;
} // namespace CLI
class CCameraSet;
struct Plan;
struct RigOptions;

// `rig`'s options for a rig as built: read from calibration files, and
// written as one.
struct AsBuiltOptions {
    std::string path;   // --as-built FILE|FOLDER
    std::string format; // --as-built-format; empty: found from the content
    std::string units = "m";
    std::string up;         // --as-built-up +x|-x|+y|-y|+z|-z; empty: the cameras' mean image up
    std::string exportPath; // --export-calibration FILE

    bool Given() const { return !path.empty() || !exportPath.empty(); }
};

// Adds --as-built, --as-built-format, --as-built-units, --as-built-up and
// --export-calibration. --as-built excludes --cameras, --default-rig and --project.
void AddAsBuiltOptions(CLI::App& command, AsBuiltOptions& options);
// --as-built-format, --as-built-units and --as-built-up, each needing `asBuilt`.
void AddAsBuiltReaderOptions(CLI::App& command, AsBuiltOptions& options, CLI::Option* asBuilt);

// What `rig` does with them. Only volume-planner-calibration has one: it
// alone links the readers and their parsers of hostile text (a fault or a
// hang there ends that process, not the tool), and volume-planner-cli hands
// a `rig` that uses them over to it.
class CRigAsBuilt
{
  public:
    virtual ~CRigAsBuilt() = default;
    // Before the plan is built: the calibration read and planned, and `rig`
    // changed to build a room of the calibration's size (in metres, unless --room
    // was given) with as many cameras. The refusal's message, or nullopt.
    virtual std::optional<std::string> Prepare(const AsBuiltOptions& options, RigOptions& rig) = 0;
    // Once the plan is built: the planned cameras into it.
    virtual void Place(Plan& plan) = 0;
    // With --export-calibration: the first `count` cameras written, with the
    // plan's room (metres); the reason when that failed.
    virtual std::optional<std::string> Export(const AsBuiltOptions& options, const CCameraSet& cameras, uint32_t count,
                                              const std::array<double, 3>& room) = 0;
    // Below the rig: what reading the calibration passed over or assumed.
    virtual void PrintNotes() const = 0;
};
std::shared_ptr<CRigAsBuilt> MakeRigAsBuilt();
