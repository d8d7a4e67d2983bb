// The harness's recording servers (tests/e2e/harness/serve.py) in a child process,
// driven over a pipe, so the client's tests meet real HTTP and HTTPS servers.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace qiv::testing {

struct RecordedRequest {
  std::string method;
  std::string target;  // path and query as sent
  std::string body;
  std::string host;                                        // the Host header
  std::vector<std::pair<std::string, std::string>> parts;  // multipart name, value
};

struct ServerRecords {
  int connections = 0;
  std::vector<RecordedRequest> requests;
};

class ServerProcess {
 public:
  ServerProcess() = default;
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // descriptions: "scheme:port[:trusted|untrusted]" each. False when the servers did not start.
  bool Start(const std::vector<std::string>& descriptions);
  void Stop();
  int Port(size_t server) const { return ports_.at(server); }

  // Queue one answer for path ("*" = any). options: "location=URL", "delay=S",
  // "hang", "default" (answer every later request), separated by spaces.
  void Reply(size_t server, const std::string& path, int status, const std::string& body,
             const std::string& location = "", const std::string& options = "");
  ServerRecords Records(size_t server);
  void Clear(size_t server);

 private:
  std::vector<std::string> Command(const std::string& line, const std::string& last);

  pid_t pid_ = -1;
  FILE* toServer_ = nullptr;
  FILE* fromServer_ = nullptr;
  std::vector<int> ports_;
};

}  // namespace qiv::testing
