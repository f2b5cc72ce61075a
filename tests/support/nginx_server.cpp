#include "nginx_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace tav::test {

namespace fs = std::filesystem;

namespace {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool CanConnect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

}  // namespace

int FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
  }
  close(fd);
  return port;
}

bool NginxServer::Available() { return access(kBinary, X_OK) == 0; }

NginxServer::NginxServer(NginxOptions options) : FOptions(std::move(options)) {
  std::string pattern = (fs::temp_directory_path() / "tav-nginx-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  FFolder = pattern;
  FDocRoot = FFolder + "/www";
  fs::create_directories(FDocRoot);
  fs::create_directories(FFolder + "/tmp");
  fs::create_directories(FFolder + "/logs");
}

NginxServer::~NginxServer() {
  Stop();
  std::error_code ignored;
  fs::remove_all(FFolder, ignored);
}

void NginxServer::WriteFile(const std::string& relativePath, const std::string& bytes) const {
  const fs::path path = fs::path(FDocRoot) / relativePath;
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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
  const std::string& d = FFolder;
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
  for (int attempt = 0; attempt < 5; ++attempt) {
    FPort = FreeLoopbackPort();
    const std::string conf = FFolder + "/nginx.conf";
    {
      std::ofstream out(conf, std::ios::trunc);
      out << Config();
    }
    const pid_t pid = fork();
    if (pid < 0) break;
    if (pid == 0) {
      // Quiet child: nginx logs to its own files.
      const std::string prefix = FFolder + "/";
      execl(kBinary, kBinary, "-p", prefix.c_str(), "-c", conf.c_str(), "-g", "daemon off;",
            "-e", (FFolder + "/logs/error.log").c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    FPid = pid;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(FPid, &status, WNOHANG) == FPid) {
        FPid = -1;  // exited: most likely the port was taken meanwhile
        break;
      }
      if (CanConnect(FPort)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Stop();
  }
  if (error) *error = "nginx did not start: " + ErrorLog();
  return false;
}

void NginxServer::Stop() {
  if (FPid <= 0) return;
  kill(FPid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  int status = 0;
  while (waitpid(FPid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(FPid, SIGKILL);
      waitpid(FPid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  FPid = -1;
}

std::string NginxServer::AccessLog() const { return ReadWholeFile(FFolder + "/logs/access.log"); }
std::string NginxServer::ErrorLog() const { return ReadWholeFile(FFolder + "/logs/error.log"); }

}  // namespace tav::test
