// TLS through the OpenSSL 3 libraries loaded at run time (libssl.so.3,
// libcrypto.so.3) and called through a table of entry points. Without them
// the system runs on; HTTPS fetches then fail cleanly.
//
// TlsLibrary: the loaded libraries and the table. Load and unload happen on
// one thread while no transfer runs; during a run the table is only read, so
// any number of transfers may use it at once (OpenSSL 3 is thread-safe).
//
// TlsConnection: one TLS client session on a connected non-blocking socket,
// owned by one transfer; it frees its session and context when destroyed.
// Certificates are not verified (no trust store is loaded): the checker reads
// public pages and must fetch sites with self-signed or expired certificates.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "net/wait.h"
#include "platform/dynlib.h"

namespace ks::net {

// Values of SSL_get_error.
inline constexpr int kSslErrorSsl = 1;
inline constexpr int kSslWantRead = 2;
inline constexpr int kSslWantWrite = 3;
inline constexpr int kSslErrorSyscall = 5;
inline constexpr int kSslZeroReturn = 6;

// The library's error code of a handshake refused because the server lacks
// secure renegotiation (library 20, reason 338).
inline constexpr unsigned long kSslUnsafeLegacyRenegotiation = 0x0A000152UL;

class TlsLibrary {
 public:
  // The entry points, one per name, cleared before loading. Opaque library
  // types are void here: the core never includes the library's headers.
  struct Functions {
    const char* (*OpenSSL_version)(int) = nullptr;
    void (*CONF_modules_finish)() = nullptr;
    void (*CONF_modules_unload)(int) = nullptr;
    unsigned long (*OpenSSL_version_num)() = nullptr;
    unsigned long (*ERR_get_error)() = nullptr;
    const void* (*TLS_client_method)() = nullptr;
    void* (*SSL_CTX_new)(const void*) = nullptr;
    void* (*SSL_new)(void*) = nullptr;
    int (*SSL_set_fd)(void*, int) = nullptr;
    int (*SSL_connect)(void*) = nullptr;
    int (*SSL_get_error)(const void*, int) = nullptr;
    int (*SSL_write)(void*, const void*, int) = nullptr;
    int (*SSL_read)(void*, void*, int) = nullptr;
    int (*SSL_get_shutdown)(const void*) = nullptr;
    int (*SSL_shutdown)(void*) = nullptr;
    void (*SSL_free)(void*) = nullptr;
    void (*SSL_CTX_free)(void*) = nullptr;
    long (*SSL_CTX_ctrl)(void*, int, long, void*) = nullptr;
    char* (*SSL_CIPHER_description)(const void*, char*, int) = nullptr;
    const void* (*SSL_get_current_cipher)(const void*) = nullptr;
    const char* (*SSL_get_version)(const void*) = nullptr;
    long (*SSL_ctrl)(void*, int, long, void*) = nullptr;
    void (*SSL_set_security_level)(void*, int) = nullptr;
    uint64_t (*SSL_CTX_set_options)(void*, uint64_t) = nullptr;
  };

  TlsLibrary() = default;
  ~TlsLibrary() { unload(); }
  TlsLibrary(const TlsLibrary&) = delete;
  TlsLibrary& operator=(const TlsLibrary&) = delete;

  // Loads libssl, then libcrypto, by name through the dynamic linker (a
  // name with a '/' is a path), and resolves every entry point. TLS is
  // available only when both load and every name resolves; otherwise nothing
  // is reported. Loading again first unloads.
  void load(const std::string& ssl_name = "libssl.so.3",
            const std::string& crypto_name = "libcrypto.so.3");
  // Start-up's loading: copies of the libraries beside the executable (a
  // portable install that brings its own) win over the system's.
  void load_for_application();
  // Releases the library's configuration modules and closes the libraries.
  void unload();
  // Installs an entry-point table directly instead of loading the libraries
  // (tests use it to make any call fail); available when every entry is set.
  void use_functions(const Functions& functions);

  bool available() const { return available_; }
  const Functions& fn() const { return fn_; }
  // The library's version text ("OpenSSL 3.0.x ..."), empty when unavailable.
  std::string version_text() const;

 private:
  DynLib ssl_;
  DynLib crypto_;
  Functions fn_;
  bool available_ = false;
};

// The process-wide instance that start-up loads and exit unloads.
TlsLibrary& process_tls();

// Result of one TLS read or write.
struct TlsIo {
  int bytes = 0;         // > 0: bytes moved
  bool closed = false;   // read: the server ended the stream (close_notify or plain EOF)
  int net_error = 0;     // nonzero: the operation failed (codes of net_error.h)
  bool stopped = false;  // a stop was requested while waiting
};

class TlsConnection {
 public:
  explicit TlsConnection(const TlsLibrary& lib) : lib_(lib) {}
  ~TlsConnection();
  TlsConnection(const TlsConnection&) = delete;
  TlsConnection& operator=(const TlsConnection&) = delete;

  // Creates the context and session (minimum TLS 1.0, options 0x80 to take a
  // plain end of the connection as the end of the stream, 0x4 with
  // `allow_legacy_server`), sends the server name and shakes hands on `fd`.
  // Returns 0, or kNetConnectFailed, kNetTimeout or
  // kNetUnsafeLegacyRenegotiation; a stop request returns 0 with stopped().
  int handshake(int fd, const std::string& server_name, bool allow_legacy_server,
                const Deadline& deadline, const StopFlags& stop);

  // Writes up to `data.size()` bytes, waiting while the library needs the
  // socket, until the deadline (kNetTimeout). A write of nothing is
  // kNetConnectFailed, as is any other failure.
  TlsIo write(std::string_view data, const Deadline& deadline, const StopFlags& stop);
  // Reads up to `size` bytes, waiting as above. A zero-return or a system
  // call error on a read of nothing is the end of the stream; any other
  // failure is kNetReceiveFailed.
  TlsIo read(char* buffer, int size, const Deadline& deadline, const StopFlags& stop);
  // Sends the close notification; when that went out, shuts the socket for
  // sending and completes the shutdown once more.
  void close(int fd);

  bool stopped() const { return stopped_; }
  // The last value SSL_get_error gave (the task's TLS error).
  int last_error() const { return last_error_; }

 private:
  // Waits for what the library asked for; false when the wait ended first.
  bool wait_for(int ssl_error, const Deadline& deadline, const StopFlags& stop, int& net_error);

  const TlsLibrary& lib_;
  void* ctx_ = nullptr;
  void* ssl_ = nullptr;
  int fd_ = -1;
  int last_error_ = 0;
  bool stopped_ = false;
};

}  // namespace ks::net
