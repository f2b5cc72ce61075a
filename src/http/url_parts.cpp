#include "http/url_parts.h"

#include "util/text_helpers.h"

namespace tav {

TUrlParts SplitUrl(const std::u16string& url) {
  TUrlParts parts;
  std::u16string rest = url;
  if (Pos(u"://", url) > 0) {
    parts.Scheme = TextBefore(url, u"://");
    rest = TextAfter(url, u"://");
  }
  const std::u16string scheme = UpperCase(parts.Scheme);
  if (scheme == u"HTTPS") parts.Port = u"443";
  if (scheme == u"FTP") parts.Port = u"21";

  const int at = Pos(u"@", rest);
  const int slash = Pos(u"/", rest);
  if (at > 0 && (slash == 0 || slash > at)) {
    const std::u16string credentials = TextBefore(rest, u"@");
    rest = TextAfter(rest, u"@");
    if (Pos(u":", credentials) > 0) {
      parts.User = TextBefore(credentials, u":");
      parts.Password = TextAfter(credentials, u":");
    } else {
      parts.User = credentials;
    }
  }

  std::u16string authority = rest;
  std::u16string tail;
  if (Pos(u"/", rest) > 0) {
    authority = TextBefore(rest, u"/");
    tail = TextAfter(rest, u"/");
  }

  if (StartsWith(authority, u"[")) {
    parts.Host = TextBefore(authority.substr(1), u"]");
    if (Pos(u"]", authority) > 0) {
      const std::u16string afterBracket = TextAfter(authority, u"]");
      if (StartsWith(afterBracket, u":")) parts.Port = afterBracket.substr(1);
    }
  } else if (Pos(u":", authority) > 0) {
    parts.Host = TextBefore(authority, u":");
    parts.Port = TextAfter(authority, u":");
  } else {
    parts.Host = authority;
  }

  parts.Uri = u"/" + tail;
  if (Pos(u"?", tail) > 0) {
    parts.Path = u"/" + TextBefore(tail, u"?");
    parts.Params = TextAfter(tail, u"?");
  } else {
    parts.Path = u"/" + tail;
  }
  if (parts.Host.empty()) parts.Host = u"localhost";
  return parts;
}

}  // namespace tav
