#pragma once
// Small helpers shared by the HTTP engine tests.
#include <string>

namespace tav::test {

// ASCII / Windows-1252 text in and out of the engine's UTF-16 text.
std::u16string T(const std::string& s);
std::string A(const std::u16string& s);

// A gzip member around `data`; `name` (when not empty) is stored with FNAME.
std::string GzipMember(const std::string& data, const std::string& name = "");
// Raw deflate of `data`.
std::string RawDeflate(const std::string& data);

}  // namespace tav::test
