// Server-side TLS for tests: a self-signed certificate made at test time (EC
// P-256, CN=127.0.0.1, valid from yesterday for 30 days) and a server context
// using it. The OpenSSL library is linked into the test support only; the
// core loads it at run time.
#pragma once

#include <string>

typedef struct ssl_ctx_st SSL_CTX;

namespace ks::test {

struct TestCertificate {
  std::string cert_pem;
  std::string key_pem;
  // The same certificate for every caller of the process; generated once.
  static const TestCertificate& get();
  // Writes both PEM files (for external servers such as nginx).
  bool write_files(const std::string& cert_path, const std::string& key_path) const;
};

// A TLS server context with the test certificate; TLS 1.2 and 1.3.
class TlsServerContext {
 public:
  TlsServerContext();
  ~TlsServerContext();
  TlsServerContext(const TlsServerContext&) = delete;
  TlsServerContext& operator=(const TlsServerContext&) = delete;

  bool ok() const { return ctx_ != nullptr; }
  SSL_CTX* get() const { return ctx_; }

 private:
  SSL_CTX* ctx_ = nullptr;
};

}  // namespace ks::test
