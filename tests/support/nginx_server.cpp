#include "nginx_server.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tav::test {

namespace fs = std::filesystem;

bool NginxServer::Available() { return access(kBinary, X_OK) == 0; }

NginxServer::NginxServer(NginxOptions options)
    : FOptions(std::move(options)), FDocRoot(FFolder.File("www")) {
  fs::create_directories(FDocRoot);
  fs::create_directories(FFolder.File("tmp"));
  fs::create_directories(FFolder.File("logs"));
}

NginxServer::~NginxServer() { Stop(); }

void NginxServer::WriteFile(const std::string& relativePath, const std::string& bytes) const {
  const fs::path path = fs::path(FDocRoot) / relativePath;
  fs::create_directories(path.parent_path());
  test::WriteFile(path.string(), bytes);
}

void NginxServer::WritePatternFile(const std::string& relativePath, std::int64_t size) const {
  const fs::path path = fs::path(FDocRoot) / relativePath;
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::string block;
  for (int line = 0; block.size() < (1u << 20); ++line)
    block += "line " + std::to_string(line) + " of the pattern: the quick brown fox jumps\n";
  block.resize(1u << 20);
  for (std::int64_t left = size; left > 0;) {
    const auto n = static_cast<std::int64_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size())));
    out.write(block.data(), static_cast<std::streamsize>(n));
    left -= n;
  }
}

std::string NginxServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(FPort) + path;
}

std::string NginxServer::Config() const {
  const std::string& d = FFolder.Path();
  std::ostringstream c;
  c << "worker_processes 1;\n"
    << "master_process off;\n"
    << "pid " << d << "/logs/nginx.pid;\n"
    << "error_log " << d << "/logs/error.log warn;\n"
    << "events { worker_connections 64; }\n"
    << "http {\n"
    << "  types { text/html html htm; text/plain txt; application/octet-stream bin; }\n"
    << "  default_type application/octet-stream;\n"
    << "  log_format tav '$connection $request $status $bytes_sent';\n"
    << "  access_log " << d << "/logs/access.log tav;\n"
    << "  client_body_temp_path " << d << "/tmp/body;\n"
    << "  proxy_temp_path " << d << "/tmp/proxy;\n"
    << "  fastcgi_temp_path " << d << "/tmp/fastcgi;\n"
    << "  uwsgi_temp_path " << d << "/tmp/uwsgi;\n"
    << "  scgi_temp_path " << d << "/tmp/scgi;\n"
    << "  sendfile on;\n"
    << "  tcp_nopush on;\n"
    << "  keepalive_timeout " << FOptions.KeepaliveTimeoutSec << ";\n";
  if (FOptions.Gzip) {
    c << "  gzip on;\n"
      << "  gzip_types text/plain text/css application/javascript application/json;\n"
      << "  gzip_min_length 0;\n"
      << "  gzip_http_version 1.0;\n";
  }
  c << "  server {\n"
    << "    listen 127.0.0.1:" << FPort << FOptions.ListenParameters << ";\n"
    << "    server_name localhost;\n"
    << "    root " << FDocRoot << ";\n"
    << FOptions.ServerExtra << "\n"
    << "  }\n"
    << "}\n";
  return c.str();
}

bool NginxServer::Start(std::string* error) {
  if (!Available()) {
    if (error) *error = "nginx not installed";
    return false;
  }
  const std::string conf = FFolder.File("nginx.conf");
  ChildOptions options;
  // nginx logs to its own files; what it prints before it has read the
  // configuration goes here.
  options.OutputFile = FFolder.File("logs/nginx.out");
  options.AppendOutput = true;
  options.StopLimitMs = 5000;
  FChild = StartServerOnFreePort(
      [&](int port) {
        FPort = port;
        test::WriteFile(conf, Config());
        return std::vector<std::string>{kBinary, "-p", FFolder.Path() + "/", "-c", conf, "-g", "daemon off;", "-e",
                                        FFolder.File("logs/error.log")};
      },
      options, 5, 10000);
  if (FChild) return true;
  if (error) *error = "nginx did not start: " + ErrorLog() + ReadFile(options.OutputFile);
  return false;
}

void NginxServer::Stop() { FChild.reset(); }

std::string NginxServer::AccessLog() const { return ReadFile(FFolder.File("logs/access.log")); }
std::string NginxServer::ErrorLog() const { return ReadFile(FFolder.File("logs/error.log")); }

}  // namespace tav::test
