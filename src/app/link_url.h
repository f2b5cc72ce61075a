#pragma once
// Where a link on the shown page leads, for the console to fetch it.
#include <string>

namespace tav {

// Resolves `link` (an HREF as the page gives it) against the page's BASE
// HREF `base` (empty: none; itself resolved against the page's URL) and the
// URL the page was fetched from, `pageUrl`, the way a browser does. Returns
// the absolute http or https URL without its fragment, which no server is
// sent; empty for a link that leads anywhere else: a '#name' in the page,
// another scheme (mailto:, ftp:, file:), or a relative link with no http
// URL to resolve it against.
std::u16string ResolveLinkUrl(const std::u16string& pageUrl, const std::u16string& base,
                              const std::u16string& link);

}  // namespace tav
