#include "tls_fixtures.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace tav::test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// --- certificates -----------------------------------------------------------------

namespace {

void Openssl(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"openssl"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::string output;
  const int rc = RunProgram(argv, &output);
  if (rc != 0) throw std::runtime_error("openssl " + args.front() + " failed: " + output);
}

struct CertificateStore {
  TempFolder Folder{"tav-tls"};
  CertificateSet Set;
};

std::unique_ptr<CertificateStore> MakeStore() {
  auto store = std::make_unique<CertificateStore>();
  const TempFolder& d = store->Folder;
  CertificateSet& s = store->Set;
  const std::vector<std::string> ec{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};

  s.SelfCert = d.File("self.crt");
  s.SelfKey = d.File("self.key");
  std::vector<std::string> req{"req", "-x509"};
  req.insert(req.end(), ec.begin(), ec.end());
  req.insert(req.end(), {"-keyout", s.SelfKey, "-out", s.SelfCert, "-days", "30", "-subj", "/CN=localhost",
                         "-set_serial", "4660"});
  Openssl(req);

  // An expired certificate: `openssl ca` accepts explicit validity dates.
  s.ExpiredCert = d.File("expired.crt");
  s.ExpiredKey = d.File("expired.key");
  WriteFile(d.File("index.txt"), "");
  WriteFile(d.File("serial"), "01\n");
  WriteFile(d.File("ca.cnf"), "[ ca ]\ndefault_ca = CA_default\n[ CA_default ]\ndir = " + d.Path() +
                                  "\ndatabase = $dir/index.txt\nnew_certs_dir = $dir\nserial = $dir/serial\n"
                                  "default_md = sha256\npolicy = policy_any\n"
                                  "[ policy_any ]\ncommonName = supplied\n");
  std::vector<std::string> csr{"req", "-new"};
  csr.insert(csr.end(), ec.begin(), ec.end());
  csr.insert(csr.end(), {"-keyout", s.ExpiredKey, "-out", d.File("expired.csr"), "-subj", "/CN=expired.test"});
  Openssl(csr);
  Openssl({"ca", "-batch", "-config", d.File("ca.cnf"), "-selfsign", "-keyfile", s.ExpiredKey, "-in",
           d.File("expired.csr"), "-out", s.ExpiredCert, "-notext", "-startdate", "20200101000000Z", "-enddate",
           "20200201000000Z"});

  s.RsaCert = d.File("rsa.crt");
  s.RsaKey = d.File("rsa.key");
  Openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", s.RsaKey, "-out", s.RsaCert, "-days", "30",
           "-subj", "/CN=rsa.test"});
  s.RsaKeyEncrypted = d.File("rsa-enc.key");
  Openssl({"rsa", "-in", s.RsaKey, "-aes256", "-passout", std::string("pass:") + kKeyPassword, "-out",
           s.RsaKeyEncrypted});
  s.RsaPfx = d.File("rsa.pfx");
  Openssl({"pkcs12", "-export", "-in", s.RsaCert, "-inkey", s.RsaKey, "-passout",
           std::string("pass:") + kKeyPassword, "-out", s.RsaPfx});
  s.RsaCertDer = d.File("rsa-crt.der");
  Openssl({"x509", "-in", s.RsaCert, "-outform", "DER", "-out", s.RsaCertDer});
  s.RsaKeyDer = d.File("rsa-key.der");
  Openssl({"rsa", "-in", s.RsaKey, "-traditional", "-outform", "DER", "-out", s.RsaKeyDer});
  for (const std::string* file : {&s.SelfCert, &s.ExpiredCert, &s.RsaCert, &s.RsaKeyEncrypted, &s.RsaPfx,
                                  &s.RsaCertDer, &s.RsaKeyDer}) {
    if (!fs::exists(*file) || fs::file_size(*file) == 0) throw std::runtime_error("openssl did not make " + *file);
  }
  return store;
}

std::unique_ptr<CertificateStore>& Store() {
  static std::unique_ptr<CertificateStore> store;
  return store;
}

}  // namespace

const CertificateSet& Certificates() {
  static std::once_flag once;
  std::call_once(once, [] { Store() = MakeStore(); });
  return Store()->Set;
}

// --- openssl s_server ---------------------------------------------------------------

OpenSslServer::OpenSslServer(const std::string& cert, const std::string& key, const std::vector<std::string>& extra) {
  for (int attempt = 0; attempt < 3 && !FReady; ++attempt) {
    FPort = FreeLoopbackPort();
    std::vector<std::string> argv{"openssl", "s_server", "-accept", "127.0.0.1:" + std::to_string(FPort), "-cert",
                                  cert,      "-key",     key};
    if (extra.empty()) argv.push_back("-www");
    argv.insert(argv.end(), extra.begin(), extra.end());
    FProcess = std::make_unique<ChildProcess>(argv, FFolder.File("log-" + std::to_string(attempt)));
    // s_server prints ACCEPT once it listens.
    FReady = FProcess->Started() && FProcess->WaitForOutput("ACCEPT", 5000) && FProcess->Running();
    if (!FReady) FProcess->Stop();
  }
}

OpenSslServer::~OpenSslServer() {
  if (FProcess) FProcess->Stop();
}

std::string OpenSslServer::Log() const { return FProcess ? FProcess->Output() : std::string(); }

// --- raw peer -----------------------------------------------------------------------

namespace {

// Waits until fd is readable or wake is signalled; false on wake or time-out.
bool WaitReadable(int fd, int wake, int timeoutMs) {
  pollfd items[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
  const int r = poll(items, 2, timeoutMs);
  return r > 0 && (items[1].revents & POLLIN) == 0 && (items[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

bool ReadExactly(int fd, int wake, std::string& into, std::size_t count) {
  while (into.size() < count) {
    if (!WaitReadable(fd, wake, 5000)) return false;
    char buffer[4096];
    const ssize_t n = recv(fd, buffer, std::min(sizeof buffer, count - into.size()), 0);
    if (n <= 0) return false;
    into.append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

RawPeer::RawPeer(RawPeerMode mode) : FMode(mode) {
  FListen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (FListen < 0 || bind(FListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(FListen, 4) != 0)
    throw std::runtime_error("raw peer cannot listen");
  socklen_t len = sizeof addr;
  getsockname(FListen, reinterpret_cast<sockaddr*>(&addr), &len);
  FPort = ntohs(addr.sin_port);
  if (pipe2(FWake, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  FThread = std::thread([this] { Serve(); });
}

RawPeer::~RawPeer() {
  const char byte = 1;
  (void)!write(FWake[1], &byte, 1);
  if (FThread.joinable()) FThread.join();
  close(FListen);
  close(FWake[0]);
  close(FWake[1]);
}

void RawPeer::Serve() {
  if (!WaitReadable(FListen, FWake[0], 10000)) {
    FDone = true;
    return;
  }
  const int fd = accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) {
    FDone = true;
    return;
  }
  std::string record;
  if (ReadExactly(fd, FWake[0], record, 5)) {
    const std::size_t length = (static_cast<unsigned char>(record[3]) << 8) | static_cast<unsigned char>(record[4]);
    ReadExactly(fd, FWake[0], record, 5 + length);
  }
  FHello = record;
  FDone = true;
  switch (FMode) {
    case RawPeerMode::CloseAfterHello:
      break;
    case RawPeerMode::Garbage: {
      const std::string garbage = "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\nthis is not TLS at all";
      (void)!send(fd, garbage.data(), garbage.size(), MSG_NOSIGNAL);
      break;
    }
    case RawPeerMode::PartialRecord: {
      // A handshake record header announcing 80 bytes, then only the start of
      // a ServerHello.
      const std::string part("\x16\x03\x03\x00\x50\x02\x00\x00\x4c\x03\x03\x11\x22\x33", 14);
      (void)!send(fd, part.data(), part.size(), MSG_NOSIGNAL);
      break;
    }
    case RawPeerMode::Stall:
      while (WaitReadable(fd, FWake[0], 10000)) {
        char buffer[512];
        if (recv(fd, buffer, sizeof buffer, 0) <= 0) break;
      }
      break;
  }
  close(fd);
}

std::string RawPeer::ClientHello(int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!FDone && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return FDone ? FHello : std::string();
}

std::optional<std::string> ServerNameOf(const std::string& record, bool* parsed) {
  *parsed = false;
  const auto byte = [&](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(record[i])); };
  const auto word = [&](std::size_t i) { return (byte(i) << 8) | byte(i + 1); };
  if (record.size() < 9 || byte(0) != 0x16 || byte(5) != 0x01) return std::nullopt;
  std::size_t p = 9 + 2 + 32;  // handshake header, version, random
  if (p >= record.size()) return std::nullopt;
  p += 1 + byte(p);  // session id
  if (p + 2 > record.size()) return std::nullopt;
  p += 2 + word(p);  // cipher suites
  if (p + 1 > record.size()) return std::nullopt;
  p += 1 + byte(p);  // compression methods
  if (p + 2 > record.size()) return std::nullopt;
  const std::size_t end = p + 2 + word(p);
  p += 2;
  if (end > record.size()) return std::nullopt;
  std::optional<std::string> name;
  while (p + 4 <= end) {
    const std::size_t type = word(p);
    const std::size_t length = word(p + 2);
    p += 4;
    if (p + length > end) return std::nullopt;
    if (type == 0 && length >= 5) {
      // server_name_list: list length, name type 0, name length, name
      const std::size_t nameLength = word(p + 3);
      if (5 + nameLength <= length) name = record.substr(p + 5, nameLength);
    }
    p += length;
  }
  *parsed = p == end;
  return name;
}

// --- library names ------------------------------------------------------------------

TlsNamesGuard::TlsNamesGuard(const std::vector<TTlsLibraryNames>& names) : FSaved(TlsLibraryNames()) {
  UnloadTlsLibraries();
  SetTlsLibraryNames(names);
}

TlsNamesGuard::~TlsNamesGuard() {
  UnloadTlsLibraries();
  SetTlsLibraryNames(FSaved);
}

std::vector<TTlsLibraryNames> MissingTlsLibraryNames() {
  return {{"libtav-no-such-crypto.so.9", "libtav-no-such-ssl.so.9", "libtav-no-such-ssl-alt.so.9"}};
}

}  // namespace tav::test
