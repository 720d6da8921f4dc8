#include "support/tls_server.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <fstream>
#include <memory>

namespace ks::test {

namespace {

std::string bio_text(BIO* bio) {
  char* data = nullptr;
  long n = BIO_get_mem_data(bio, &data);
  return n > 0 ? std::string(data, static_cast<std::size_t>(n)) : std::string();
}

TestCertificate generate() {
  TestCertificate out;
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_EC_gen("P-256"), EVP_PKEY_free);
  std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), X509_free);
  if (!key || !cert) return out;
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -86400L);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 30L * 86400L);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);
  X509_set_pubkey(cert.get(), key.get());
  if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) return out;

  std::unique_ptr<BIO, decltype(&BIO_free)> cert_bio(BIO_new(BIO_s_mem()), BIO_free);
  std::unique_ptr<BIO, decltype(&BIO_free)> key_bio(BIO_new(BIO_s_mem()), BIO_free);
  PEM_write_bio_X509(cert_bio.get(), cert.get());
  PEM_write_bio_PrivateKey(key_bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr);
  out.cert_pem = bio_text(cert_bio.get());
  out.key_pem = bio_text(key_bio.get());
  return out;
}

}  // namespace

const TestCertificate& TestCertificate::get() {
  static const TestCertificate certificate = generate();
  return certificate;
}

bool TestCertificate::write_files(const std::string& cert_path, const std::string& key_path) const {
  std::ofstream c(cert_path, std::ios::binary);
  std::ofstream k(key_path, std::ios::binary);
  c << cert_pem;
  k << key_pem;
  return c.good() && k.good() && !cert_pem.empty();
}

TlsServerContext::TlsServerContext() {
  const TestCertificate& tc = TestCertificate::get();
  if (tc.cert_pem.empty()) return;
  SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
  if (!ctx) return;
  std::unique_ptr<BIO, decltype(&BIO_free)> cb(
      BIO_new_mem_buf(tc.cert_pem.data(), static_cast<int>(tc.cert_pem.size())), BIO_free);
  std::unique_ptr<BIO, decltype(&BIO_free)> kb(
      BIO_new_mem_buf(tc.key_pem.data(), static_cast<int>(tc.key_pem.size())), BIO_free);
  std::unique_ptr<X509, decltype(&X509_free)> cert(
      PEM_read_bio_X509(cb.get(), nullptr, nullptr, nullptr), X509_free);
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
      PEM_read_bio_PrivateKey(kb.get(), nullptr, nullptr, nullptr), EVP_PKEY_free);
  if (!cert || !key || SSL_CTX_use_certificate(ctx, cert.get()) != 1 ||
      SSL_CTX_use_PrivateKey(ctx, key.get()) != 1) {
    SSL_CTX_free(ctx);
    return;
  }
  ctx_ = ctx;
}

TlsServerContext::~TlsServerContext() {
  if (ctx_) SSL_CTX_free(ctx_);
}

}  // namespace ks::test
