// Cost of one DispatchAnalytic carrying a game list of N games: the event is built,
// written, squeezed and put into the collector URL, which is percent-encoded as the
// request would encode it; nothing is sent.
//
//   dispatch_analytic_bench GAMES REPEATS   ->   "<microseconds per dispatch> <URL bytes>"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "analytics/analytic_delivery.h"
#include "analytics/analytic_entry.h"
#include "web/web_service.h"

namespace {

size_t urlBytes = 0;

bool EncodeOnly(const String::_tstringW& url) {
  urlBytes = UrlEncode(url.ToAnsi()).size();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const int games = std::atoi(argv[1]);
  const int repeats = std::atoi(argv[2]);
  analytics::SetCollectorSender(EncodeOnly);
  InitAnalyticSession(L"", L"TX42", L"VN3", L"OF7", L"V3.1.0.1234", L"", L"en");
  std::string list;
  for (int game = 0; game < games; ++game) list += "g" + std::to_string(game) + "|";

  const auto start = std::chrono::steady_clock::now();
  for (int repeat = 0; repeat < repeats; ++repeat) {
    SetAnalyticParam("game_list", list, true);
    DispatchAnalytic(Attributed, "qiv_uninstall_start", "", "");
  }
  const std::chrono::duration<double, std::micro> elapsed =
      std::chrono::steady_clock::now() - start;
  std::printf("%.1f %zu\n", elapsed.count() / repeats, urlBytes);
  return 0;
}
