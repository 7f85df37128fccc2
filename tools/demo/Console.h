// What the demo prints and asks. Lines may come from any thread (the server's exchanges arrive on a
// reader thread of their own), so each goes out whole under one lock.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace demo {

// One answer a prompt accepts: its short form and, when there is one, its long form (both compared
// without regard to case). An empty `key` stands for an empty line.
struct Choice {
  std::string key;
  std::string word;
};

class Console {
 public:
  static void line(const std::string& text);
  // A headline for a step of the demo.
  static void step(const std::string& title);
  // Text of several lines (a rendered screen), each indented.
  static void block(const std::string& text);
  // Prints the question and reads one line of standard input; nullopt at its end, which is told
  // once ("input ended") and stays: every later question answers nullopt at once. Main queue.
  static std::optional<std::string> ask(const std::string& question);
  // Asks until the answer is one of `choices` and answers that choice's key; on anything else it
  // says what it accepts and asks again. nullopt at the end of input.
  static std::optional<std::string> choose(const std::string& question, const std::vector<Choice>& choices);
  // Standard input has ended.
  static bool inputEnded();
  // Standard input and output are terminals.
  static bool isInteractive();
};

// The answer without the white space around it, in lower case.
std::string normalized(const std::string& answer);
// Only the digits 0 to 9, at least one.
bool isDigits(const std::string& text);

}  // namespace demo
