#pragma once
// The plain base of network clients: the connection target, the local
// interface, the receive time-out and default credentials.
#include <string>

namespace tav {

class TNetClient {
 public:
  TNetClient() = default;
  virtual ~TNetClient() = default;
  TNetClient(const TNetClient&) = delete;
  TNetClient& operator=(const TNetClient&) = delete;

  const std::u16string& TargetHost() const { return FTargetHost; }
  void SetTargetHost(const std::u16string& Value) { FTargetHost = Value; }
  const std::u16string& TargetPort() const { return FTargetPort; }
  void SetTargetPort(const std::u16string& Value) { FTargetPort = Value; }
  const std::u16string& IPInterface() const { return FIPInterface; }
  void SetIPInterface(const std::u16string& Value) { FIPInterface = Value; }
  // Milliseconds allowed for every receive.
  int Timeout() const { return FTimeout; }
  void SetTimeout(int Value) { FTimeout = Value; }
  const std::u16string& UserName() const { return FUserName; }
  void SetUserName(const std::u16string& Value) { FUserName = Value; }
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(const std::u16string& Value) { FPassword = Value; }

 protected:
  std::u16string FTargetHost = u"127.0.0.1";
  std::u16string FTargetPort = u"0";
  std::u16string FIPInterface = u"0.0.0.0";
  int FTimeout = 5000;
  std::u16string FUserName;
  std::u16string FPassword;
};

}  // namespace tav
