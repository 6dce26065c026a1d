// The manual page of sonatap-cli keeps in step with its --help: every
// command and every option that --help names is in the page.
#include <gtest/gtest.h>

#include <cctype>
#include <regex>
#include <set>

#include "cli/cli_test_util.h"

namespace sonatap {
namespace {

// The page's text with groff's escaped hyphens ("\-") as plain ones.
std::string ManPageText() {
  const auto page = std::filesystem::path(__FILE__).parent_path() / "../../man/sonatap-cli.1";
  std::string text = Slurp(page);
  EXPECT_FALSE(text.empty()) << page;
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '-') continue;
    plain.push_back(text[i]);
  }
  return plain;
}

// Whether `word` stands in `text` as a whole word ("--out" not only inside "--output").
bool HasWord(const std::string& text, const std::string& word) {
  auto partOfWord = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-'; };
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const bool before = at > 0 && partOfWord(text[at - 1]) && word[0] != '-';
    const bool after = at + word.size() < text.size() && partOfWord(text[at + word.size()]);
    if (!before && !after) return true;
  }
  return false;
}

TEST(CliManPageTest, NamesEveryCommandAndOptionOfHelp) {
  const CliResult help = RunCli("--help");
  ASSERT_EQ(help.status, 0);
  std::set<std::string> words;
  const std::regex option("--[a-z][a-z0-9-]*");
  for (auto it = std::sregex_iterator(help.out.begin(), help.out.end(), option); it != std::sregex_iterator(); ++it)
    words.insert(it->str());
  // Command lines of the summary: two spaces, then the command's name.
  const std::regex command("\n  ([a-z][a-z0-9-]*) ");
  for (auto it = std::sregex_iterator(help.out.begin(), help.out.end(), command); it != std::sregex_iterator(); ++it)
    words.insert((*it)[1].str());
  ASSERT_GT(words.size(), 10u);  // the summary was read
  const std::string page = ManPageText();
  for (const std::string& word : words) EXPECT_TRUE(HasWord(page, word)) << word << " is missing from man/sonatap-cli.1";
}

}  // namespace
}  // namespace sonatap
