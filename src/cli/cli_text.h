#pragma once
#include <iostream>
#include <string>

namespace sonatap::cli {

// The core's texts use CR LF line ends; a terminal wants LF.
inline std::string ToUnixLines(std::string text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

// Prints a message for the user on stderr and gives the exit status.
inline int Fail(const std::string& message, int status) {
  std::cerr << ToUnixLines(message) << "\n";
  return status;
}

}  // namespace sonatap::cli
