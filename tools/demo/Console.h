// What the demo prints and asks. Lines may come from any thread (the server's exchanges arrive on a
// reader thread of their own), so each goes out whole under one lock.
#pragma once

#include <optional>
#include <string>

namespace demo {

class Console {
 public:
  static void line(const std::string& text);
  // A headline for a step of the demo.
  static void step(const std::string& title);
  // Text of several lines (a rendered screen), each indented.
  static void block(const std::string& text);
  // Prints the question and reads one line of standard input; nullopt at its end.
  static std::optional<std::string> ask(const std::string& question);
  // Standard input and output are terminals.
  static bool isInteractive();
};

}  // namespace demo
