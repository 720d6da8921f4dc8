// The about box's lines for the fetcher's libraries (Shift_JIS, CR LF ended):
// zlib's version, then OpenSSL's version or that it is not loaded.
#pragma once

#include <string>

namespace ks::net {

class TlsLibrary;

std::string library_version_lines(const TlsLibrary& tls);

}  // namespace ks::net
