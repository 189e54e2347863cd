#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace CLI
{
class App;
class ConversionError;
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

// Whole numbers an option's type cannot hold, refused as out of range for
// every option of `app` and its commands: the reader would wrap them
// (--seed -1 read as 18446744073709551615), cut them to the largest it holds
// (--count 99999999999999999999 as 9223372036854775807) or say only that it
// "could not convert" them (--count 1e23, --divisions 99999999999).
class CWholeNumberCheck
{
  public:
    // Checks the options `app` has now; a value wrapped or cut is refused
    // with COptionRefusal once the options are read, before any command runs.
    explicit CWholeNumberCheck(CLI::App& app);
    // The refusal for the value the reader could not convert, when it is a
    // whole number out of range (or one written with an exponent);
    // nullopt for a value of another form, which stays a usage error.
    std::optional<std::string> Refusal(const CLI::ConversionError& error) const;

  private:
    // The option read last and its value: the one the reader failed on.
    std::shared_ptr<std::pair<std::string, std::string>> m_last;
};
