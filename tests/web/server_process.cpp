#include "web/server_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <stdexcept>

namespace qiv::testing {

namespace {

std::string Hex(const std::string& bytes) {
  if (bytes.empty()) return "-";
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char byte : bytes) {
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 0x0F]);
  }
  return out;
}

std::string Unhex(const std::string& text) {
  if (text == "-") return {};
  std::string out;
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16)));
  }
  return out;
}

bool ReadLine(FILE* in, std::string& line) {
  line.clear();
  int c;
  while ((c = std::fgetc(in)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  return c != EOF || !line.empty();
}

}  // namespace

ServerProcess::~ServerProcess() { Stop(); }

bool ServerProcess::Start(const std::vector<std::string>& descriptions) {
  int toChild[2];
  int fromChild[2];
  if (pipe(toChild) != 0 || pipe(fromChild) != 0) return false;
  std::vector<std::string> args = {"/usr/bin/python3", QIV_HARNESS_DIR "/serve.py"};
  for (const std::string& description : descriptions) {
    args.push_back("--server");
    args.push_back(description);
  }
  pid_ = fork();
  if (pid_ == 0) {
    dup2(toChild[0], STDIN_FILENO);
    dup2(fromChild[1], STDOUT_FILENO);
    close(toChild[0]);
    close(toChild[1]);
    close(fromChild[0]);
    close(fromChild[1]);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(toChild[0]);
  close(fromChild[1]);
  toServer_ = fdopen(toChild[1], "w");
  fromServer_ = fdopen(fromChild[0], "r");
  std::string line;
  if (pid_ < 0 || !ReadLine(fromServer_, line) || line.rfind("ready", 0) != 0) {
    Stop();
    return false;
  }
  std::istringstream words(line.substr(5));
  for (int port; words >> port;) ports_.push_back(port);
  return ports_.size() == descriptions.size();
}

void ServerProcess::Stop() {
  if (toServer_ != nullptr) {
    std::fputs("quit\n", toServer_);
    std::fclose(toServer_);
    toServer_ = nullptr;
  }
  if (fromServer_ != nullptr) {
    std::fclose(fromServer_);
    fromServer_ = nullptr;
  }
  if (pid_ > 0) {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  ports_.clear();
}

std::vector<std::string> ServerProcess::Command(const std::string& line, const std::string& last) {
  if (toServer_ == nullptr) throw std::runtime_error("servers not running");
  std::fputs((line + "\n").c_str(), toServer_);
  std::fflush(toServer_);
  std::vector<std::string> answer;
  std::string reply;
  while (ReadLine(fromServer_, reply)) {
    if (reply.rfind("error", 0) == 0) throw std::runtime_error(line + ": " + reply);
    answer.push_back(reply);
    if (reply == last) return answer;
  }
  throw std::runtime_error(line + ": servers went away");
}

void ServerProcess::Reply(size_t server, const std::string& path, int status,
                          const std::string& body, const std::string& location,
                          const std::string& options) {
  std::string line = "reply " + std::to_string(server) + " " + path + " " + std::to_string(status) +
                     " " + Hex(body);
  if (!location.empty()) line += " location=" + Hex(location);
  if (!options.empty()) line += " " + options;
  Command(line, "ok");
}

ServerRecords ServerProcess::Records(size_t server) {
  ServerRecords records;
  for (const std::string& line : Command("records " + std::to_string(server), "end")) {
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    if (kind == "connections") {
      words >> records.connections;
    } else if (kind == "request") {
      RecordedRequest request;
      std::string target, body, host;
      words >> request.method >> target >> body >> host;
      request.target = Unhex(target);
      request.body = Unhex(body);
      request.host = Unhex(host);
      records.requests.push_back(request);
    } else if (kind == "part" && !records.requests.empty()) {
      std::string name, value;
      words >> name >> value;
      records.requests.back().parts.emplace_back(Unhex(name), Unhex(value));
    }
  }
  return records;
}

void ServerProcess::Clear(size_t server) { Command("clear " + std::to_string(server), "ok"); }

}  // namespace qiv::testing
