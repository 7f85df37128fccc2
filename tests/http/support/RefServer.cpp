#include "tests/http/support/RefServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qortest {

namespace {

std::vector<std::string> serverArguments(const TempDir& dir, const std::vector<std::string>& certNames) {
  std::vector<std::string> argv = {kPython, sourcePath("tools/refserver/refserver.py"), "--dir", dir.path().string()};
  for (const auto& name : certNames) {
    argv.push_back("--cert-name");
    argv.push_back(name);
  }
  return argv;
}

}  // namespace

// The end of its input stops the server (ChildProcess closes it first).
RefServer::RefServer(std::vector<std::string> certNames) : process_(serverArguments(dir_, certNames)) {
  std::string line;
  if (!process_.readLine(line, 30000)) return;
  auto info = nlohmann::json::parse(line, nullptr, false);
  if (!info.is_object()) return;
  port_ = info.value("port", 0);
  host_ = info.value("host", "");
  caPath_ = info.value("ca", "");
  pubVtnBase64_ = info.value("pubVtnBase64", "");
  webSocketURL_ = info.value("ws", "");
}

nlohmann::json RefServer::command(const nlohmann::json& command) {
  std::string text = command.dump() + "\n";
  if (write(process_.input(), text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    return {{"ok", false}, {"error", "cannot write to the server"}};
  }
  std::string line;
  if (!process_.readLine(line, 30000)) return {{"ok", false}, {"error", "no answer from the server"}};
  auto answer = nlohmann::json::parse(line, nullptr, false);
  if (!answer.is_object()) return {{"ok", false}, {"error", "unreadable answer"}};
  return answer;
}

void RefServer::script(const nlohmann::json& answers) { command({{"cmd", "script"}, {"answers", answers}}); }

nlohmann::json RefServer::requests() { return command({{"cmd", "requests"}}).value("requests", nlohmann::json::array()); }

void RefServer::reset() { command({{"cmd", "reset"}}); }

int unusedLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

}  // namespace qortest
