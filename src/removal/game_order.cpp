#include "removal/game_order.h"

#include <unordered_map>

namespace qiv::removal {

namespace {

using qiv::platform::FileIdentity;
using qiv::platform::FileIdentityHash;

class OrderBuilder {
 public:
  explicit OrderBuilder(const std::vector<std::optional<qiv::platform::ResolvedFolder>>& folders)
      : inside_(folders.size()), placed_(folders.size(), false) {
    std::unordered_multimap<FileIdentity, size_t, FileIdentityHash> byFolder;
    for (size_t game = 0; game < folders.size(); ++game) {
      if (folders[game]) byFolder.emplace(folders[game]->identity, game);
    }
    // Each game is listed under every game whose folder holds its own.
    for (size_t game = 0; game < folders.size(); ++game) {
      if (!folders[game]) continue;
      for (const FileIdentity& above : folders[game]->ancestors) {
        const auto [first, last] = byFolder.equal_range(above);
        for (auto it = first; it != last; ++it) {
          if (it->second != game) inside_[it->second].push_back(game);
        }
      }
    }
  }

  std::vector<size_t> Build() {
    for (size_t game = 0; game < inside_.size(); ++game) Place(game);
    return std::move(order_);
  }

 private:
  // The games inside come first, themselves after the games inside them. A game
  // is marked before its inner games are placed, so no chain can loop.
  void Place(size_t game) {
    if (placed_[game]) return;
    placed_[game] = true;
    std::vector<size_t> pending;
    for (size_t inner : inside_[game]) {
      if (!placed_[inner]) pending.push_back(inner);
    }
    for (size_t inner : pending) Place(inner);
    order_.push_back(game);
  }

  std::vector<std::vector<size_t>> inside_;
  std::vector<bool> placed_;
  std::vector<size_t> order_;
};

}  // namespace

std::vector<size_t> RemovalOrder(
    const std::vector<std::optional<qiv::platform::ResolvedFolder>>& folders) {
  return OrderBuilder(folders).Build();
}

}  // namespace qiv::removal
