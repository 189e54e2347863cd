#pragma once

#include <stdexcept>
#include <string>

namespace CLI
{
class App;
class Option;
} // namespace CLI

// A value given on the command line that the program cannot use, found while
// the options are read (an empty value, a number written in hexadecimal):
// exit status 1 with this message, where a value of the wrong form for the
// option's type stays a usage error.
class COptionRefusal : public std::runtime_error
{
  public:
    using std::runtime_error::runtime_error;
};

// Refuses an empty value, or an empty item of a comma-separated list, for
// every option of `app` and its commands that takes a value: `--project ""`
// would otherwise read as not given, `--voxel ""` as 0.
void RefuseEmptyValues(CLI::App& app);

// The option's numbers in decimal only: the reader would take 0x10 as 16.
CLI::Option* DecimalNumbers(CLI::Option* option);
// The same for whole numbers, which the reader would also take as octal
// after a leading zero (010 as 8).
CLI::Option* DecimalWholeNumbers(CLI::Option* option);
