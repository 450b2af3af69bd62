// Parsing of GNU-style command lines: long options as "--name value" or "--name=value",
// repeatable options, flags, and positional arguments; "--" ends the options.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace cli {

struct OptionSpec
{
    std::string name;
    bool takesValue = false;
};

class ParsedArguments
{
public:
    std::vector<std::string> positionals;
    std::map<std::string, std::vector<std::string>> options;

    bool has(const std::string& name) const { return options.count(name) != 0; }

    // Every value given to `name`, in command-line order.
    std::vector<std::string> values(const std::string& name) const;
    // The last value given to `name`, or empty.
    std::string value(const std::string& name) const;
};

// Parses `args` (without the program and command names) against `specs`; "--help" is always
// known. Returns 0, or 2 with `error` set to a one-line message for an unknown option or a
// missing value.
[[nodiscard]] int parseArguments(const std::vector<std::string>& args,
                                 const std::vector<OptionSpec>& specs,
                                 ParsedArguments& parsed,
                                 std::string& error);

} // namespace cli
