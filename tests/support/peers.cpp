#include "support/peers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "support/tls_server.h"

extern char** environ;

namespace ks::test {

namespace {

bool write_text(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return out.good();
}

void replace_all(std::string& s, const std::string& from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
}

// The {SSHA} form nginx accepts in a password file: Base64 of SHA-1 of the
// password and salt, followed by the salt. (A {PLAIN} entry could not hold
// the colon of the test password: the file format ends a password there.)
std::string ssha_password(const std::string& password) {
  const std::string salt = "kestrel1";
  std::string data = password + salt;
  unsigned char digest[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest);
  std::string raw(reinterpret_cast<const char*>(digest), sizeof digest);
  raw += salt;
  std::string out(4 * ((raw.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                          reinterpret_cast<const unsigned char*>(raw.data()),
                          static_cast<int>(raw.size()));
  out.resize(static_cast<std::size_t>(n));
  return "{SSHA}" + out;
}

}  // namespace

std::string find_program(const std::vector<std::string>& names) {
  const char* env = std::getenv("PATH");
  std::string path = std::string(env ? env : "") + ":/usr/sbin:/usr/bin:/sbin:/bin";
  for (const std::string& name : names) {
    std::size_t start = 0;
    while (start <= path.size()) {
      std::size_t colon = path.find(':', start);
      std::string dir = path.substr(start, colon == std::string::npos ? colon : colon - start);
      if (!dir.empty()) {
        std::string candidate = dir + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
      }
      if (colon == std::string::npos) break;
      start = colon + 1;
    }
  }
  return {};
}

uint16_t free_loopback_port() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof sa;
  uint16_t port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
    port = ntohs(sa.sin_port);
  ::close(fd);
  return port;
}

bool wait_for_port(uint16_t port, int timeout_ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < until) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
    ::close(fd);
    if (connected) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

bool ChildProcess::start(const std::vector<std::string>& argv, const std::string& output_path) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  pid_ = pid;
  return true;
}

bool ChildProcess::alive() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == 0) return true;
  pid_ = -1;
  return false;
}

void ChildProcess::stop(int grace_ms) {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(grace_ms);
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= until) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  pid_ = -1;
}

NginxPeer::NginxPeer(const std::string& root) : root_(root) {
  std::string nginx = find_program({"nginx"});
  if (nginx.empty()) {
    error_ = "nginx is not installed";
    return;
  }
  // The worker may run as another user: let it read the tree.
  ::chmod(root.c_str(), 0755);
  for (const char* d : {"/www", "/www/static", "/logs", "/tmp"}) ::mkdir((root + d).c_str(), 0755);
  if (!TestCertificate::get().write_files(root + "/cert.pem", root + "/key.pem")) {
    error_ = "cannot write the test certificate";
    return;
  }
  write_text(root + "/htpasswd", "user:" + ssha_password("pa:ss") + "\n");
  installed_ = true;
  for (int attempt = 0; attempt < 3 && !ok_; ++attempt) ok_ = start_once(nginx);
}

bool NginxPeer::start_once(const std::string& nginx) {
  const std::string& root = root_;
  process_.stop();
  http_port_ = free_loopback_port();
  https_port_ = free_loopback_port();
  std::string conf = R"(daemon off;
worker_processes 1;
pid @ROOT@/tmp/nginx.pid;
error_log @ROOT@/logs/error.log;
events { worker_connections 64; }
http {
    types { text/html html; text/xml xml rdf; }
    default_type application/octet-stream;
    access_log @ROOT@/logs/access.log;
    client_body_temp_path @ROOT@/tmp/body;  proxy_temp_path @ROOT@/tmp/proxy;
    fastcgi_temp_path @ROOT@/tmp/fcgi;      uwsgi_temp_path @ROOT@/tmp/uwsgi;  scgi_temp_path @ROOT@/tmp/scgi;
    server {
        listen 127.0.0.1:@HTTP@;
        listen 127.0.0.1:@HTTPS@ ssl;
        ssl_certificate @ROOT@/cert.pem;  ssl_certificate_key @ROOT@/key.pem;
        ssl_protocols TLSv1.2 TLSv1.3;
        root @ROOT@/www;
        location /static/ { }
        location /gz/  { alias @ROOT@/www/static/; gzip on; gzip_min_length 0;
                         gzip_types text/html text/xml; gzip_proxied any; gzip_http_version 1.0; }
        location /chunked/ { alias @ROOT@/www/static/; gzip off;
                         sub_filter '</html>' '</html>'; sub_filter_once on; }
        location /secret/ { alias @ROOT@/www/static/;
                            auth_basic "test realm"; auth_basic_user_file @ROOT@/htpasswd; }
        location = /redir/rel     { absolute_redirect off; return 302 /static/page.html; }
        location = /redir/relpath { absolute_redirect off; return 302 ../static/page.html; }
    }
}
)";
  replace_all(conf, "@ROOT@", root);
  replace_all(conf, "@HTTP@", std::to_string(http_port_));
  replace_all(conf, "@HTTPS@", std::to_string(https_port_));
  if (!write_text(root + "/nginx.conf", conf)) {
    error_ = "cannot write nginx.conf";
    return false;
  }
  if (!process_.start(
          {nginx, "-p", root, "-c", root + "/nginx.conf", "-e", root + "/logs/error.log"},
          root + "/logs/nginx.out")) {
    error_ = "nginx did not start";
    return false;
  }
  // Listening ports alone could belong to someone else who took them first:
  // our nginx must also still be running.
  const bool up = wait_for_port(http_port_, 10000) && wait_for_port(https_port_, 5000);
  if (up && process_.alive()) return true;
  error_ = "nginx did not listen (see " + root + "/logs/error.log)";
  return false;
}

TinyproxyPeer::TinyproxyPeer(const std::string& root) {
  std::string tinyproxy = find_program({"tinyproxy"});
  if (tinyproxy.empty()) {
    error_ = "tinyproxy is not installed";
    return;
  }
  installed_ = true;
  for (int attempt = 0; attempt < 3 && !ok_; ++attempt) {
    process_.stop();
    port_ = free_loopback_port();
    std::string conf = "Port " + std::to_string(port_) +
                       "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\nAllow 127.0.0.1\n"
                       "LogLevel Info\n";
    std::string conf_path = root + "/tinyproxy.conf";
    if (!write_text(conf_path, conf)) {
      error_ = "cannot write tinyproxy.conf";
      return;
    }
    if (!process_.start({tinyproxy, "-c", conf_path, "-d"}, root + "/tinyproxy.out")) {
      error_ = "tinyproxy did not start";
      return;
    }
    ok_ = wait_for_port(port_, 10000) && process_.alive();
    if (!ok_) error_ = "tinyproxy did not listen";
  }
}

}  // namespace ks::test
