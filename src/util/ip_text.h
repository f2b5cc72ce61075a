#pragma once
// Text forms of IPv4 and IPv6 addresses and their network-order bytes.
#include <string>

namespace tav {

bool IsByteText(const std::u16string& value);
bool IsIPv4Text(const std::u16string& value);
bool IsIPv6Text(const std::u16string& value);
std::string IPv4TextToBytes(const std::u16string& value);   // 4 bytes
std::string ExpandIPv6Text(const std::string& value);       // "::" spelled out
std::string IPv6TextToBytes(const std::u16string& value);   // 16 bytes
std::u16string IPv6BytesToText(const std::string& bytes16);

}  // namespace tav
