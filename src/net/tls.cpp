#include "net/tls.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "net/net_error.h"
#include "platform/appdir.h"

namespace ks::net {

namespace {

// Commands and options of the library's control calls.
constexpr int kCtrlSetMinProtoVersion = 123;
constexpr long kTls1Version = 0x301;
constexpr int kCtrlSetTlsextHostname = 55;
constexpr long kTlsextNametypeHostName = 0;
constexpr uint64_t kOpIgnoreUnexpectedEof = 0x80;
constexpr uint64_t kOpLegacyServerConnect = 0x4;

template <typename F>
void resolve(const DynLib& lib, const char* name, F& slot, bool& all) {
  slot = reinterpret_cast<F>(lib.symbol(name));
  if (!slot) all = false;
}

}  // namespace

void TlsLibrary::load(const std::string& ssl_name, const std::string& crypto_name) {
  unload();
  fn_ = Functions{};
  ssl_ = DynLib(ssl_name);
  if (!ssl_.loaded()) return;
  crypto_ = DynLib(crypto_name);
  if (!crypto_.loaded()) return;
  bool all = true;
  resolve(crypto_, "OpenSSL_version", fn_.OpenSSL_version, all);
  resolve(crypto_, "CONF_modules_finish", fn_.CONF_modules_finish, all);
  resolve(crypto_, "CONF_modules_unload", fn_.CONF_modules_unload, all);
  resolve(crypto_, "OpenSSL_version_num", fn_.OpenSSL_version_num, all);
  resolve(crypto_, "ERR_get_error", fn_.ERR_get_error, all);
  resolve(ssl_, "TLS_client_method", fn_.TLS_client_method, all);
  resolve(ssl_, "SSL_CTX_new", fn_.SSL_CTX_new, all);
  resolve(ssl_, "SSL_new", fn_.SSL_new, all);
  resolve(ssl_, "SSL_set_fd", fn_.SSL_set_fd, all);
  resolve(ssl_, "SSL_connect", fn_.SSL_connect, all);
  resolve(ssl_, "SSL_get_error", fn_.SSL_get_error, all);
  resolve(ssl_, "SSL_write", fn_.SSL_write, all);
  resolve(ssl_, "SSL_read", fn_.SSL_read, all);
  resolve(ssl_, "SSL_get_shutdown", fn_.SSL_get_shutdown, all);
  resolve(ssl_, "SSL_shutdown", fn_.SSL_shutdown, all);
  resolve(ssl_, "SSL_free", fn_.SSL_free, all);
  resolve(ssl_, "SSL_CTX_free", fn_.SSL_CTX_free, all);
  resolve(ssl_, "SSL_CTX_ctrl", fn_.SSL_CTX_ctrl, all);
  resolve(ssl_, "SSL_CIPHER_description", fn_.SSL_CIPHER_description, all);
  resolve(ssl_, "SSL_get_current_cipher", fn_.SSL_get_current_cipher, all);
  resolve(ssl_, "SSL_get_version", fn_.SSL_get_version, all);
  resolve(ssl_, "SSL_ctrl", fn_.SSL_ctrl, all);
  resolve(ssl_, "SSL_set_security_level", fn_.SSL_set_security_level, all);
  resolve(ssl_, "SSL_CTX_set_options", fn_.SSL_CTX_set_options, all);
  available_ = all;
}

void TlsLibrary::load_for_application() {
  std::string folder = executable_folder();
  std::string ssl = folder + "/libssl.so.3";
  std::string crypto = folder + "/libcrypto.so.3";
  if (!folder.empty() && ::access(ssl.c_str(), R_OK) == 0 && ::access(crypto.c_str(), R_OK) == 0) {
    load(ssl, crypto);
    if (available_) return;
  }
  load();
}

void TlsLibrary::unload() {
  if (available_) {
    fn_.CONF_modules_finish();
    fn_.CONF_modules_unload(1);
  }
  available_ = false;
  fn_ = Functions{};
  crypto_.close();
  ssl_.close();
}

void TlsLibrary::use_functions(const Functions& functions) {
  unload();
  fn_ = functions;
  const void* const entries[] = {
      reinterpret_cast<const void*>(fn_.OpenSSL_version),
      reinterpret_cast<const void*>(fn_.CONF_modules_finish),
      reinterpret_cast<const void*>(fn_.CONF_modules_unload),
      reinterpret_cast<const void*>(fn_.OpenSSL_version_num),
      reinterpret_cast<const void*>(fn_.ERR_get_error),
      reinterpret_cast<const void*>(fn_.TLS_client_method),
      reinterpret_cast<const void*>(fn_.SSL_CTX_new),
      reinterpret_cast<const void*>(fn_.SSL_new),
      reinterpret_cast<const void*>(fn_.SSL_set_fd),
      reinterpret_cast<const void*>(fn_.SSL_connect),
      reinterpret_cast<const void*>(fn_.SSL_get_error),
      reinterpret_cast<const void*>(fn_.SSL_write),
      reinterpret_cast<const void*>(fn_.SSL_read),
      reinterpret_cast<const void*>(fn_.SSL_get_shutdown),
      reinterpret_cast<const void*>(fn_.SSL_shutdown),
      reinterpret_cast<const void*>(fn_.SSL_free),
      reinterpret_cast<const void*>(fn_.SSL_CTX_free),
      reinterpret_cast<const void*>(fn_.SSL_CTX_ctrl),
      reinterpret_cast<const void*>(fn_.SSL_CIPHER_description),
      reinterpret_cast<const void*>(fn_.SSL_get_current_cipher),
      reinterpret_cast<const void*>(fn_.SSL_get_version),
      reinterpret_cast<const void*>(fn_.SSL_ctrl),
      reinterpret_cast<const void*>(fn_.SSL_set_security_level),
      reinterpret_cast<const void*>(fn_.SSL_CTX_set_options),
  };
  available_ = true;
  for (const void* e : entries) {
    if (!e) available_ = false;
  }
}

std::string TlsLibrary::version_text() const {
  if (!available_) return {};
  const char* text = fn_.OpenSSL_version(0);
  return text ? std::string(text) : std::string();
}

TlsLibrary& process_tls() {
  static TlsLibrary instance;
  return instance;
}

TlsConnection::~TlsConnection() {
  // The library accepts null objects; guard anyway for an unloaded table.
  if (ssl_ && lib_.fn().SSL_free) lib_.fn().SSL_free(ssl_);
  if (ctx_ && lib_.fn().SSL_CTX_free) lib_.fn().SSL_CTX_free(ctx_);
}

bool TlsConnection::wait_for(int ssl_error, const Deadline& deadline, const StopFlags& stop,
                             int& net_error) {
  WaitResult w = wait_socket(fd_, ssl_error == kSslWantWrite ? POLLOUT : POLLIN, deadline, stop);
  switch (w) {
    case WaitResult::kReady:
      return true;
    case WaitResult::kStopped:
      stopped_ = true;
      return false;
    case WaitResult::kTimeout:
      net_error = kNetTimeout;
      return false;
    case WaitResult::kError:
      net_error = kNetConnectFailed;
      return false;
  }
  return false;
}

int TlsConnection::handshake(int fd, const std::string& server_name, bool allow_legacy_server,
                             const Deadline& deadline, const StopFlags& stop) {
  const TlsLibrary::Functions& f = lib_.fn();
  if (!lib_.available()) return kNetConnectFailed;
  fd_ = fd;
  ctx_ = f.SSL_CTX_new(f.TLS_client_method());
  if (!ctx_) return kNetConnectFailed;
  f.SSL_CTX_ctrl(ctx_, kCtrlSetMinProtoVersion, kTls1Version, nullptr);
  f.SSL_CTX_set_options(
      ctx_, kOpIgnoreUnexpectedEof | (allow_legacy_server ? kOpLegacyServerConnect : uint64_t{0}));
  ssl_ = f.SSL_new(ctx_);
  if (!ssl_) return kNetConnectFailed;
  f.SSL_ctrl(ssl_, kCtrlSetTlsextHostname, kTlsextNametypeHostName,
             const_cast<char*>(server_name.c_str()));
  if (f.SSL_set_fd(ssl_, fd) != 1) return kNetConnectFailed;

  // The error queue is per thread: drop what an earlier call left there, so
  // the reason read below belongs to this handshake.
  while (f.ERR_get_error() != 0) {
  }
  while (true) {
    if (stop.stop_requested()) {
      stopped_ = true;
      return 0;
    }
    int r = f.SSL_connect(ssl_);
    if (r > 0) return 0;
    if (r == 0) return kNetConnectFailed;
    last_error_ = f.SSL_get_error(ssl_, r);
    if (last_error_ == kSslWantRead || last_error_ == kSslWantWrite) {
      int net_error = 0;
      if (!wait_for(last_error_, deadline, stop, net_error)) return stopped_ ? 0 : net_error;
      continue;
    }
    unsigned long reason = f.ERR_get_error();
    return reason == kSslUnsafeLegacyRenegotiation ? kNetUnsafeLegacyRenegotiation
                                                   : kNetConnectFailed;
  }
}

TlsIo TlsConnection::write(std::string_view data, const Deadline& deadline, const StopFlags& stop) {
  const TlsLibrary::Functions& f = lib_.fn();
  TlsIo io;
  int size = static_cast<int>(std::min<std::size_t>(data.size(), INT_MAX));
  while (true) {
    int r = f.SSL_write(ssl_, data.data(), size);
    if (r > 0) {
      io.bytes = r;
      return io;
    }
    if (r == 0) {
      io.net_error = kNetConnectFailed;
      return io;
    }
    last_error_ = f.SSL_get_error(ssl_, r);
    if (last_error_ != kSslWantRead && last_error_ != kSslWantWrite) {
      io.net_error = kNetConnectFailed;
      return io;
    }
    if (!wait_for(last_error_, deadline, stop, io.net_error)) {
      io.stopped = stopped_;
      return io;
    }
  }
}

TlsIo TlsConnection::read(char* buffer, int size, const Deadline& deadline, const StopFlags& stop) {
  const TlsLibrary::Functions& f = lib_.fn();
  TlsIo io;
  while (true) {
    int r = f.SSL_read(ssl_, buffer, size);
    if (r > 0) {
      io.bytes = r;
      return io;
    }
    last_error_ = f.SSL_get_error(ssl_, r);
    if (last_error_ == kSslWantRead || last_error_ == kSslWantWrite) {
      if (!wait_for(last_error_, deadline, stop, io.net_error)) {
        io.stopped = stopped_;
        return io;
      }
      continue;
    }
    if (r == 0 && (last_error_ == kSslZeroReturn || last_error_ == kSslErrorSyscall)) {
      io.closed = true;
      return io;
    }
    f.SSL_get_shutdown(ssl_);
    io.net_error = kNetReceiveFailed;
    return io;
  }
}

void TlsConnection::close(int fd) {
  if (!ssl_) return;
  const TlsLibrary::Functions& f = lib_.fn();
  if (f.SSL_shutdown(ssl_) != 0) {
    ::shutdown(fd, SHUT_WR);
    f.SSL_shutdown(ssl_);
  }
}

}  // namespace ks::net
