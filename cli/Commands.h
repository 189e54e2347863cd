#pragma once

namespace CLI {
class App;
}

// One registration function per subcommand; main() calls each once.
void AddRigCommand(CLI::App& app);
void AddCoverageCommand(CLI::App& app);
void AddRenderCommand(CLI::App& app);
// `render` in the core tool: runs the render command's own binary.
void AddRenderForwarder(CLI::App& app);
