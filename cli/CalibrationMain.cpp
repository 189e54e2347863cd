// volume-planner-calibration: `rig` with calibration files, which
// `volume-planner-cli rig --as-built` and `--export-calibration` run. It
// alone links the calibration readers and their TOML, YAML and XML parsers.
#include "cli/AsBuiltOptions.h"
#include "cli/CalibrationPlan.h"
#include "cli/Commands.h"
#include "scene/PrintableText.h"
#include "scene/ReaderGuard.h"

#include <CLI/CLI.hpp>

#include <string>

namespace
{

// The parsers are libraries of others, run on files anyone may hand in: the
// readers bound what reaches them, and this process guards what is left. It
// reads one rig and writes nothing until it is whole.

std::string CalibrationNamed(int argc, char** argv)
{
    const std::string option = "--as-built";
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == option && i + 1 < argc)
            return "the calibration " + PrintableText(argv[i + 1]);
        if (word.rfind(option + "=", 0) == 0)
            return "the calibration " + PrintableText(word.substr(option.size() + 1));
    }
    return "the calibration";
}

} // namespace

int main(int argc, char** argv)
{
    return RunGuarded([&] {
        GuardTheReader(CalibrationNamed(argc, argv), kCalibrationReadSeconds);
        CLI::App app{"Volume Planner: a rig read from or written as calibration files, without the window"};
        app.set_version_flag("--version", std::string("Volume Planner ") + VP_VERSION);
        app.require_subcommand(1);
        AddRigCommand(app, MakeRigAsBuilt());
        AddCompareCommand(app);
        return RunCommandLine(app, argc, argv);
    });
}
