// GNU-style command-line parsing.
#include "Arguments.h"

#include <algorithm>

namespace cli {

namespace {

constexpr int kUsageError = 2;

const OptionSpec* findSpec(const std::vector<OptionSpec>& specs, const std::string& name)
{
    const auto found = std::find_if(
        specs.begin(), specs.end(), [&](const OptionSpec& spec) { return spec.name == name; });
    return found == specs.end() ? nullptr : &*found;
}

} // namespace

std::vector<std::string> ParsedArguments::values(const std::string& name) const
{
    const auto found = options.find(name);
    return found == options.end() ? std::vector<std::string>{} : found->second;
}

std::string ParsedArguments::value(const std::string& name) const
{
    const auto found = options.find(name);
    return found == options.end() || found->second.empty() ? std::string() : found->second.back();
}

int parseArguments(const std::vector<std::string>& args,
                   const std::vector<OptionSpec>& specs,
                   ParsedArguments& parsed,
                   std::string& error)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            parsed.positionals.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(2, equals == std::string::npos ? arg.npos : equals - 2);
        if (name == "help") {
            parsed.options[name];
            continue;
        }
        const OptionSpec* spec = findSpec(specs, name);
        if (spec == nullptr) {
            error = "unknown option --" + name;
            return kUsageError;
        }
        if (!spec->takesValue) {
            if (equals != std::string::npos) {
                error = "option --" + name + " takes no value";
                return kUsageError;
            }
            parsed.options[name];
            continue;
        }
        if (equals != std::string::npos) {
            parsed.options[name].push_back(arg.substr(equals + 1));
        } else if (i + 1 < args.size()) {
            parsed.options[name].push_back(args[++i]);
        } else {
            error = "option --" + name + " needs a value";
            return kUsageError;
        }
    }
    return 0;
}

} // namespace cli
