#pragma once
// Splitting of a request URL into its parts. Nothing is validated: a fragment
// stays in the request URI, a non-numeric port is kept as text.
#include <string>

namespace tav {

struct TUrlParts {
  std::u16string Scheme = u"http";
  std::u16string User;
  std::u16string Password;
  std::u16string Host;       // without the brackets of an IPv6 literal
  std::u16string Port = u"80";
  std::u16string Path;       // "/" + the tail up to "?"
  std::u16string Params;     // the text after the first "?" of the tail
  std::u16string Uri;        // "/" + the whole tail
};

// Scheme defaults to "http" (port 80); "https" gives port 443 and "ftp" 21
// unless the URL names a port. An empty host becomes "localhost".
TUrlParts SplitUrl(const std::u16string& url);

}  // namespace tav
