// The HTTPS road of the networking utilities (a new operation queue, the shared URL session, the hop
// to the main queue) against a reused libcurl easy handle, both posting 1 KB to the same loopback
// TLS server on a kept-alive connection.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <thread>

#include "common/transport/QORNetworkingUtils.h"
#include "platform/Queue.h"
#include "platform/URL.h"
#include "platform/http/URLSession.h"
#include "tests/support/TestCertificates.h"
#include "tools/bench/BenchSupport.h"

namespace qorbench {
namespace {

// An HTTP/1.1 server over TLS on 127.0.0.1 that answers every request with the same small JSON
// answer and keeps the connection open. One thread per connection; it lives until the process ends.
class LoopbackHttpsServer {
 public:
  static LoopbackHttpsServer& instance() {
    static auto* server = new LoopbackHttpsServer();
    return *server;
  }
  int port() const { return port_; }
  const std::string& caPath() const { return caPath_; }

 private:
  LoopbackHttpsServer() {
    qortest::TestCertificateAuthority authority("qor_bench CA");
    const qortest::CertifiedKey certified = authority.issue({"127.0.0.1"});
    caPath_ = qortest::writeTextFile(std::filesystem::temp_directory_path() / "qor_bench_ca.pem",
                                     authority.certificatePem());
    context_ = SSL_CTX_new(TLS_server_method());
    BIO* certificate = BIO_new_mem_buf(certified.certificatePem.data(), static_cast<int>(certified.certificatePem.size()));
    BIO* key = BIO_new_mem_buf(certified.privateKeyPem.data(), static_cast<int>(certified.privateKeyPem.size()));
    X509* x509 = PEM_read_bio_X509(certificate, nullptr, nullptr, nullptr);
    EVP_PKEY* pkey = PEM_read_bio_PrivateKey(key, nullptr, nullptr, nullptr);
    check(x509 && pkey && SSL_CTX_use_certificate(context_, x509) == 1 && SSL_CTX_use_PrivateKey(context_, pkey) == 1,
          "server certificate");
    X509_free(x509);
    EVP_PKEY_free(pkey);
    BIO_free(certificate);
    BIO_free(key);

    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    check(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(listener_, 16) == 0 &&
              getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0,
          "listening");
    port_ = ntohs(address.sin_port);
    std::thread([this] { acceptLoop(); }).detach();
  }

  void acceptLoop() {
    for (;;) {
      const int fd = accept(listener_, nullptr, nullptr);
      if (fd < 0) continue;
      std::thread([this, fd] { serve(fd); }).detach();
    }
  }

  static size_t contentLength(const std::string& head) {
    std::string lower(head);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? 0 : std::strtoul(lower.c_str() + at + 17, nullptr, 10);
  }

  void serve(int fd) {
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    SSL* ssl = SSL_new(context_);
    SSL_set_fd(ssl, fd);
    static const std::string body =
        R"({"dataEncryptedResponse":"c2VhbGVkIGFuc3dlciBib2R5IGJ5dGVzIGhlcmU=","signatureVTN":"c2ln","status":{"code":0,"message":"ok"}})";
    const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                               std::to_string(body.size()) + "\r\n\r\n" + body;
    std::string received;
    char buffer[16384];
    auto readMore = [&] {
      const int n = SSL_read(ssl, buffer, sizeof buffer);
      if (n <= 0) return false;
      received.append(buffer, static_cast<size_t>(n));
      return true;
    };
    if (SSL_accept(ssl) == 1) {
      for (;;) {
        size_t headEnd;
        bool open = true;
        while (open && (headEnd = received.find("\r\n\r\n")) == std::string::npos) open = readMore();
        if (!open) break;
        const size_t total = headEnd + 4 + contentLength(received.substr(0, headEnd + 2));
        while (open && received.size() < total) open = readMore();
        if (!open) break;
        received.erase(0, total);
        if (SSL_write(ssl, answer.data(), static_cast<int>(answer.size())) <= 0) break;
      }
    }
    SSL_free(ssl);
    close(fd);
  }

  SSL_CTX* context_ = nullptr;
  int listener_ = -1;
  int port_ = 0;
  std::string caPath_;
};

std::string serverURL() { return "https://127.0.0.1:" + std::to_string(LoopbackHttpsServer::instance().port()) + "/vtn"; }

const platform::Bytes& requestBody() {
  static const platform::Bytes body = [] {
    std::string text = R"({"installationId":"6a1f1f8e","encryptedHeader":")" + std::string(600, 'A') +
                       R"(","dataEncryptedRequest":")";
    text += std::string(1000 - text.size() - 2, 'B') + "\"}";
    return platform::bytesFromString(text);
  }();
  return body;
}

void httpsRoadProject(benchmark::State& state) {
  static const bool trusted =
      platform::URLSession::shared()->addTrustAnchorCertificates(LoopbackHttpsServer::instance().caPath());
  check(trusted, "trust anchor");
  const auto request = qor::QORNetworkingUtils::createRequestWithURL(platform::URL::parse(serverURL()), "POST",
                                                                     requestBody(), platform::Json::object());
  auto main = platform::MainQueue::shared();
  for (auto _ : state) {
    bool done = false;
    platform::OptBytes answer;
    std::optional<platform::Error> error;
    qor::QORNetworkingUtils::useHttps(*request, [&](platform::OptBytes data, std::optional<platform::Error> e) {
      answer = std::move(data);
      error = std::move(e);
      done = true;
    });
    main->runUntil([&] { return done; }, std::chrono::seconds(10));
    if (!check(done && !error && answer && !answer->empty(), "HTTPS request")) break;
  }
}

size_t appendToString(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

void httpsCurlReusedHandle(benchmark::State& state) {
  CURL* easy = curl_easy_init();
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
  headers = curl_slist_append(headers, "Expect:");
  std::string answer;
  const std::string url = serverURL();
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_CAINFO, LoopbackHttpsServer::instance().caPath().c_str());
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(easy, CURLOPT_POSTFIELDS, reinterpret_cast<const char*>(requestBody().data()));
  curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(requestBody().size()));
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &appendToString);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &answer);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  for (auto _ : state) {
    answer.clear();
    long status = 0;
    const bool ok = curl_easy_perform(easy) == CURLE_OK &&
                    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status == 200;
    if (!check(ok && !answer.empty(), "curl request")) break;
  }
  curl_slist_free_all(headers);
  curl_easy_cleanup(easy);
}

}  // namespace

BENCHMARK(httpsRoadProject)->Name("https_road.project")->Unit(benchmark::kMicrosecond);
BENCHMARK(httpsCurlReusedHandle)->Name("https_road.curl_reused_handle")->Unit(benchmark::kMicrosecond);

}  // namespace qorbench
