#pragma once
// A small argument reader for the subcommands: positional words and
// "--name value" / "--name=value" options, each known option declared up front.
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace sonatap::cli {

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Args {
 public:
  // `valued` options take a value, `flags` do not. Throws UsageError.
  Args(const std::vector<std::string>& words, const std::set<std::string>& valued, const std::set<std::string>& flags);

  const std::vector<std::string>& Positional() const { return positional_; }
  bool Has(const std::string& name) const { return values_.count(name) > 0; }
  std::optional<std::string> Value(const std::string& name) const;

  // The option's whole-number value within [low, high], or `fallback` when absent.
  int Integer(const std::string& name, int low, int high, int fallback) const;
  // A number or one of `names` (1-based), within 1..names.size().
  int Method(const std::string& name, const std::vector<std::string>& names, int fallback) const;

 private:
  std::vector<std::string> positional_;
  std::map<std::string, std::string> values_;
};

// The whole-number value of `text`, or UsageError naming `what`.
int ParseInteger(const std::string& text, const std::string& what, int low, int high);

}  // namespace sonatap::cli
