#pragma once

namespace CLI {
class App;
}

// One registration function per subcommand; main() calls each once.
void AddRigCommand(CLI::App& app);
void AddCoverageCommand(CLI::App& app);
void AddRenderCommand(CLI::App& app);
