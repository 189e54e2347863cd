#include "cli/OptionValues.h"

#include <CLI/CLI.hpp>

namespace
{

void RefuseEmpty(CLI::Option& option)
{
    const std::string name = option.get_name();
    const std::string form = option.get_type_name();
    option.check(CLI::Validator(
        [name, form](std::string& value) -> std::string {
            if (value.empty())
                throw COptionRefusal(name + ": the value is empty; it takes " + form);
            return {};
        },
        ""));
}

CLI::Option* CheckDecimal(CLI::Option* option, bool whole)
{
    const std::string name = option->get_name();
    return option->check(CLI::Validator(
        [name, whole](std::string& value) -> std::string {
            const size_t lead = value.find_first_not_of(" \t\n\v\f\r+-");
            if (lead == std::string::npos || value[lead] != '0' || lead + 1 >= value.size())
                return {};
            const char next = value[lead + 1];
            if (next == 'x' || next == 'X')
                throw COptionRefusal(name + " " + value + ": write the number in decimal, not in hexadecimal");
            if (whole && next >= '0' && next <= '9')
                throw COptionRefusal(name + " " + value + ": write the whole number without leading zeros");
            return {};
        },
        ""));
}

} // namespace

void RefuseEmptyValues(CLI::App& app)
{
    for (CLI::Option* option : app.get_options()) {
        // Flags take no value.
        if (option->get_expected_min() > 0)
            RefuseEmpty(*option);
    }
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
        RefuseEmptyValues(*command);
}

CLI::Option* DecimalNumbers(CLI::Option* option)
{
    return CheckDecimal(option, false);
}

CLI::Option* DecimalWholeNumbers(CLI::Option* option)
{
    return CheckDecimal(option, true);
}
