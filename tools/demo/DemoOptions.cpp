#include "tools/demo/DemoOptions.h"

namespace demo {

std::string usage() {
  return "usage: qor_demo [options]\n"
         "  --transport https|websocket  the road of the client actions (default https); websocket stores\n"
         "                               the server's WebSocket URL, with HTTPS as the fallback\n"
         "  --server URL                 use this server instead of starting the reference server\n"
         "  --server-key BASE64          its RSA public key (SubjectPublicKeyInfo DER); needed with --server\n"
         "  --ca FILE                    a PEM CA to trust for it\n"
         "  --websocket-url URL          its WebSocket endpoint (for --transport websocket)\n"
         "  --session ID                 with --server: a session identifier that it pushed (repeatable);\n"
         "                               interactively the demo also asks for more\n"
         "  --linking-code CODE          with --server: the linking code of a tenant to link\n"
         "  --pin DIGITS                 the PIN the script types (default 2580)\n"
         "  --verbose                    show each exchange (action, transport, outcome) as it happens,\n"
         "                               and the JSON text handed to the cross-platform module\n"
         "  --interactive | --scripted   choose the mode (default: interactive with a terminal)\n"
         "  --skip-authorization         ask for the transactions but do not authorize them\n"
         "  --refserver FILE             the reference server's script\n";
}

std::optional<DemoOptions> parseOptions(const std::vector<std::string>& args, std::string& error, bool& help) {
  DemoOptions options;
  options.refserverScript = QOR_SOURCE_DIR "/tools/refserver/refserver.py";
  help = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return std::nullopt;
      }
      return args[++i];
    };
    if (arg == "--help" || arg == "-h") {
      help = true;
      return std::nullopt;
    } else if (arg == "--transport") {
      auto v = value();
      if (!v) return std::nullopt;
      if (*v == "https") {
        options.transport = DemoOptions::Transport::https;
      } else if (*v == "websocket") {
        options.transport = DemoOptions::Transport::websocket;
      } else {
        error = "--transport takes https or websocket";
        return std::nullopt;
      }
    } else if (arg == "--server" || arg == "--server-key" || arg == "--ca" || arg == "--websocket-url" ||
               arg == "--refserver") {
      auto v = value();
      if (!v) return std::nullopt;
      if (arg == "--server") options.server = v;
      if (arg == "--server-key") options.serverKey = v;
      if (arg == "--ca") options.caPath = v;
      if (arg == "--websocket-url") options.webSocketURL = v;
      if (arg == "--refserver") options.refserverScript = *v;
    } else if (arg == "--session") {
      auto v = value();
      if (!v) return std::nullopt;
      const bool digits = !v->empty() && v->size() <= 18 && v->find_first_not_of("0123456789") == std::string::npos;
      if (!digits) {
        error = "--session takes a session identifier (digits)";
        return std::nullopt;
      }
      options.sessions.push_back(std::stoll(*v));
    } else if (arg == "--linking-code" || arg == "--pin") {
      auto v = value();
      if (!v) return std::nullopt;
      if (v->empty()) {
        error = arg + " needs a value";
        return std::nullopt;
      }
      if (arg == "--linking-code") options.linkingCode = v;
      if (arg == "--pin") {
        if (v->find_first_not_of("0123456789") != std::string::npos) {
          error = "--pin takes digits";
          return std::nullopt;
        }
        options.pin = *v;
      }
    } else if (arg == "--verbose") {
      options.verbose = true;
    } else if (arg == "--interactive" || arg == "--scripted") {
      options.interactive = arg == "--interactive";
    } else if (arg == "--skip-authorization") {
      options.skipAuthorization = true;
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  if (!options.server && (!options.sessions.empty() || options.linkingCode)) {
    error = "--session and --linking-code need --server (the reference server makes its own)";
    return std::nullopt;
  }
  if (options.server && !options.serverKey) {
    error = "--server needs --server-key";
    return std::nullopt;
  }
  if (options.transport == DemoOptions::Transport::websocket && options.server && !options.webSocketURL) {
    error = "--transport websocket with --server needs --websocket-url";
    return std::nullopt;
  }
  return options;
}

}  // namespace demo
