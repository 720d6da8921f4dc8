#include "net/about.h"

#include <zlib.h>

#include "net/tls.h"
#include "platform/sjis.h"

namespace ks::net {

std::string library_version_lines(const TlsLibrary& tls) {
  std::string out = KS_SJ("zlibのﾊﾞｰｼﾞｮﾝ : ");
  out += zlibVersion();
  out += "\r\n";
  std::string version = tls.version_text();
  if (!version.empty()) {
    out += KS_SJ("OpenSSLのﾊﾞｰｼﾞｮﾝ : ");
    out += version;
    out += "\r\n";
  } else {
    out += KS_SJ("OpenSSL : ロードされていません。\r\n");
  }
  return out;
}

}  // namespace ks::net
