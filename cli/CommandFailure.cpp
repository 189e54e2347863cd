#include "cli/CommandFailure.h"

#include <CLI/CLI.hpp>

#include <iostream>

void Fail(const std::string& message)
{
    std::cerr << message << '\n';
    throw CLI::RuntimeError(1);
}
