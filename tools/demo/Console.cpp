#include "tools/demo/Console.h"

#include <unistd.h>

#include <iostream>
#include <mutex>
#include <sstream>

namespace demo {

namespace {

std::mutex& outputMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

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
  {
    std::lock_guard lock(outputMutex());
    std::cout << question << " " << std::flush;
  }
  std::string answer;
  if (!std::getline(std::cin, answer)) return std::nullopt;
  return answer;
}

bool Console::isInteractive() { return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO); }

}  // namespace demo
