#include "cli/OptionValues.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdlib>
#include <vector>

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

// Digits after an optional sign, as the reader takes a whole number.
bool IsWholeText(const std::string& text)
{
    const size_t digits = text.find_first_not_of("+-") == 1 ? 1 : 0;
    return text.size() > digits && text.find_first_not_of("0123456789", digits) == std::string::npos;
}

// The number without its plus sign and leading zeros, "-0" as "0".
std::string Canonical(std::string text)
{
    const bool negative = text[0] == '-';
    text.erase(0, text.find_first_of("0123456789"));
    text.erase(0, std::min(text.find_first_not_of('0'), text.size() - 1));
    return negative && text != "0" ? "-" + text : text;
}

// What the option holds after reading, as the reader writes it: "7", or
// "[1,7]" for a list; empty for a type it cannot write.
std::vector<std::string> HeldValues(CLI::Option& option)
{
    option.capture_default_str();
    std::string held = option.get_default_str();
    if (held.size() >= 2 && held.front() == '[' && held.back() == ']')
        held = held.substr(1, held.size() - 2);
    std::vector<std::string> values;
    size_t at = 0;
    for (size_t comma; (comma = held.find(',', at)) != std::string::npos; at = comma + 1)
        values.push_back(held.substr(at, comma - at));
    values.push_back(held.substr(at));
    return values;
}

// Each whole number given that the option holds as another: wrapped or cut.
void RefuseChangedWholeNumbers(CLI::App& app)
{
    for (CLI::Option* option : app.get_options()) {
        if (option->count() == 0 || option->get_expected_min() == 0)
            continue;
        const std::vector<std::string>& given = option->results();
        const std::vector<std::string> held = HeldValues(*option);
        if (held.size() != given.size())
            continue;
        for (size_t k = 0; k < given.size(); ++k) {
            if (!IsWholeText(given[k]) || !IsWholeText(held[k]) || Canonical(given[k]) == Canonical(held[k]))
                continue;
            const bool negative = given[k][0] == '-';
            throw COptionRefusal(option->get_name() + " " + given[k] + ": out of range: " +
                                 (negative && held[k][0] != '-'
                                      ? std::string("the option takes no negative number")
                                      : std::string("beyond ") + (negative ? "the smallest" : "the largest") +
                                            " whole number it can read, " + held[k]));
        }
    }
    for (CLI::App* command : app.get_subcommands())
        RefuseChangedWholeNumbers(*command);
}

void RecordValues(CLI::App& app, const std::shared_ptr<std::pair<std::string, std::string>>& last)
{
    for (CLI::Option* option : app.get_options()) {
        if (option->get_expected_min() == 0)
            continue;
        const std::string name = option->get_name();
        option->check(CLI::Validator(
            [name, last](std::string& value) -> std::string {
                *last = {name, value};
                return {};
            },
            ""));
    }
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
        RecordValues(*command, last);
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

CWholeNumberCheck::CWholeNumberCheck(CLI::App& app) : m_last(std::make_shared<std::pair<std::string, std::string>>())
{
    // Validators run on each value just before the reader converts it.
    RecordValues(app, m_last);
    // After every option is read and before the command's own callback runs.
    app.parse_complete_callback([&app] { RefuseChangedWholeNumbers(app); });
}

std::optional<std::string> CWholeNumberCheck::Refusal(const CLI::ConversionError& error) const
{
    const auto& [option, value] = *m_last;
    if (option.empty() || std::string(error.what()).find(option) == std::string::npos)
        return std::nullopt;
    // A whole number in digits converts unless the option's type cannot hold it.
    if (IsWholeText(value))
        return option + " " + value + ": out of range: beyond the whole numbers it can read";
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(number) || number != std::floor(number))
        return std::nullopt;
    // Past 2^63 no option's whole number reaches; below, the digits say what is meant.
    if (std::fabs(number) >= 9223372036854775808.0)
        return option + " " + value + ": out of range: beyond the whole numbers it can read";
    return option + " " + value + ": write the whole number in digits";
}
