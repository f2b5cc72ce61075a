#include "tinyproxy_server.h"

#include <unistd.h>

#include <sstream>

namespace tav::test {

namespace {

constexpr int kStartLimitMs = 5000;
constexpr int kStopLimitMs = 3000;

}  // namespace

bool TinyproxyServer::Available() { return access(kBinary, X_OK) == 0; }

TinyproxyServer::TinyproxyServer(TinyproxyOptions options) : FOptions(std::move(options)) {}

TinyproxyServer::~TinyproxyServer() { Stop(); }

std::u16string TinyproxyServer::PortText() const {
  const std::string digits = std::to_string(FPort);
  return std::u16string(digits.begin(), digits.end());
}

std::string TinyproxyServer::Config() const {
  std::ostringstream c;
  c << "Port " << FPort << "\n"
    << "Listen 127.0.0.1\n"
    << "Allow 127.0.0.1\n"
    << "Timeout 30\n"
    << "MaxClients 16\n"
    << "LogFile \"" << FFolder.File("tinyproxy.log") << "\"\n"
    << "PidFile \"" << FFolder.File("tinyproxy.pid") << "\"\n"
    << "LogLevel Info\n";
  for (int port : FOptions.ConnectPorts) c << "ConnectPort " << port << "\n";
  // Running as root needs no User/Group here: tinyproxy 1.11 only warns and
  // stays with the current user, which keeps the log in our folder writable.
  if (!FOptions.User.empty()) c << "BasicAuth " << FOptions.User << " " << FOptions.Password << "\n";
  return c.str();
}

bool TinyproxyServer::Start(std::string* error) {
  if (!Available()) {
    if (error) *error = "tinyproxy not installed";
    return false;
  }
  const std::string conf = FFolder.File("tinyproxy.conf");
  ChildOptions options;
  options.OutputFile = FFolder.File("tinyproxy.out");
  options.AppendOutput = true;
  options.StopLimitMs = kStopLimitMs;
  FChild = StartServerOnFreePort(
      [&](int port) {
        FPort = port;
        WriteFile(conf, Config());
        return std::vector<std::string>{kBinary, "-d", "-c", conf};
      },
      options, 3, kStartLimitMs);
  if (FChild) return true;
  if (error) *error = "tinyproxy did not start:\n" + ReadFile(options.OutputFile) + Log();
  return false;
}

void TinyproxyServer::Stop() { FChild.reset(); }

std::string TinyproxyServer::Log() const { return ReadFile(FFolder.File("tinyproxy.log")); }

std::vector<std::string> TinyproxyServer::Requests() const {
  // Lines such as: CONNECT   Dec 10 02:32:29.207 [5282]: Request (file descriptor 5): GET http://h:1/ HTTP/1.0
  static const std::string kMarker = "]: Request (file descriptor ";
  std::vector<std::string> requests;
  std::istringstream in(Log());
  for (std::string line; std::getline(in, line);) {
    const std::size_t at = line.find(kMarker);
    if (at == std::string::npos) continue;
    const std::size_t colon = line.find("): ", at + kMarker.size());
    if (colon == std::string::npos) continue;
    requests.push_back(line.substr(colon + 3));
  }
  return requests;
}

}  // namespace tav::test
