#include "cli/cli_args.h"

#include <charconv>

namespace sonatap::cli {

Args::Args(const std::vector<std::string>& words, const std::set<std::string>& valued,
           const std::set<std::string>& flags) {
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word.size() < 3 || word.compare(0, 2, "--") != 0) {
      positional_.push_back(word);
      continue;
    }
    std::string name = word.substr(2);
    std::optional<std::string> inlineValue;
    if (const auto eq = name.find('='); eq != std::string::npos) {
      inlineValue = name.substr(eq + 1);
      name.resize(eq);
    }
    if (flags.count(name)) {
      if (inlineValue) throw UsageError("option --" + name + " takes no value");
      values_[name] = "";
    } else if (valued.count(name)) {
      if (inlineValue) values_[name] = *inlineValue;
      else if (i + 1 < words.size()) values_[name] = words[++i];
      else throw UsageError("option --" + name + " needs a value");
    } else {
      throw UsageError("unknown option --" + name);
    }
  }
}

std::optional<std::string> Args::Value(const std::string& name) const {
  const auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

int ParseInteger(const std::string& text, const std::string& what, int low, int high) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
    throw UsageError(what + " must be a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                     ", not '" + text + "'");
  return value;
}

int Args::Integer(const std::string& name, int low, int high, int fallback) const {
  const auto value = Value(name);
  return value ? ParseInteger(*value, "--" + name, low, high) : fallback;
}

int Args::Method(const std::string& name, const std::vector<std::string>& names, int fallback) const {
  const auto value = Value(name);
  if (!value) return fallback;
  for (size_t i = 0; i < names.size(); ++i)
    if (*value == names[i]) return static_cast<int>(i) + 1;
  std::string choices;
  for (const auto& n : names) choices += (choices.empty() ? "" : ", ") + n;
  if (value->empty() || (*value)[0] < '0' || (*value)[0] > '9')
    throw UsageError("--" + name + " must be 1 to " + std::to_string(names.size()) + " or one of " + choices);
  return ParseInteger(*value, "--" + name, 1, static_cast<int>(names.size()));
}

}  // namespace sonatap::cli
