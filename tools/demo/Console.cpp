#include "tools/demo/Console.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <mutex>
#include <sstream>

namespace demo {

namespace {

std::mutex& outputMutex() {
  static std::mutex mutex;
  return mutex;
}

std::string accepted(const std::vector<Choice>& choices) {
  std::string text;
  for (size_t i = 0; i < choices.size(); ++i) {
    if (i > 0) text += i + 1 == choices.size() ? " or " : ", ";
    const Choice& c = choices[i];
    text += c.key.empty() ? "an empty line" : c.key;
    if (!c.word.empty()) text += " (" + c.word + ")";
  }
  return text;
}

}  // namespace

std::string normalized(const std::string& answer) {
  const auto first = answer.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  std::string text = answer.substr(first, answer.find_last_not_of(" \t\r\n") - first + 1);
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool isDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return c >= '0' && c <= '9'; });
}

void Console::line(const std::string& text) {
  std::lock_guard lock(outputMutex());
  std::cout << text << std::endl;
}

void Console::step(const std::string& title) { line("\n== " + title); }

void Console::block(const std::string& text) {
  std::ostringstream out;
  std::istringstream in(text);
  for (std::string each; std::getline(in, each);) out << "    | " << each << "\n";
  std::lock_guard lock(outputMutex());
  std::cout << out.str() << std::flush;
}

std::optional<std::string> Console::ask(const std::string& question) {
  if (inputEnded()) return std::nullopt;
  {
    std::lock_guard lock(outputMutex());
    std::cout << question << " " << std::flush;
  }
  std::string answer;
  if (!std::getline(std::cin, answer)) {
    // The question's line is still open.
    line("\n  input ended");
    return std::nullopt;
  }
  return answer;
}

std::optional<std::string> Console::choose(const std::string& question, const std::vector<Choice>& choices) {
  for (;;) {
    const auto answer = ask(question);
    if (!answer) return std::nullopt;
    const std::string text = normalized(*answer);
    for (const Choice& c : choices) {
      if (text == c.key || (!c.word.empty() && text == c.word)) return c.key;
    }
    line("  please answer " + accepted(choices));
  }
}

// The stream stays failed once it has ended, so every later question answers at once.
bool Console::inputEnded() { return !std::cin; }

bool Console::isInteractive() { return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO); }

}  // namespace demo
