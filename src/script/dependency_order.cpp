#include "script/dependency_order.h"

#include <map>
#include <set>
#include <unordered_map>

#include "platform/ascii.h"

namespace tarlow {

namespace {

// The list is kept in the order of ever-growing position keys: moving an
// object to the end gives it a new key above all others, and nothing else
// changes place.  An object "stands after" another when its key is larger.
class Sweeps {
 public:
  explicit Sweeps(std::vector<TOracleObject>& objects) : objects_(objects) {
    const size_t n = objects.size();
    key_.resize(n);
    group_.resize(n);
    after_.assign(n, 0);
    std::unordered_map<std::string, size_t> groupOf;
    for (size_t i = 0; i < n; ++i) {
      key_[i] = nextKey_++;
      order_.emplace(key_[i], i);
      auto [at, added] = groupOf.try_emplace(platform::asciiUpper(objects[i].ObjectName), members_.size());
      if (added) members_.emplace_back();
      group_[i] = at->second;
      members_[at->second].insert(key_[i]);
    }
    referrers_.resize(members_.size());
    for (size_t i = 0; i < n; ++i) {
      for (const std::string& dep : objects[i].Dependencies) {
        auto at = groupOf.find(platform::asciiUpper(dep));
        if (at == groupOf.end()) continue;  // not in the list
        referrers_[at->second].push_back(i);
        if (First(at->second) > key_[i]) ++after_[i];
      }
      if (after_[i] > 0) movers_.insert(key_[i]);
    }
  }

  void Run(const std::function<void()>& tick) {
    const size_t n = objects_.size();
    for (size_t sweep = 0; sweep < n && !movers_.empty(); ++sweep) {
      if (tick && sweep % 64 == 63) tick();
      // The walk of one sweep: from the front of the list to its end,
      // stopping only at objects that move.
      long front = order_.begin()->first;
      for (auto mover = movers_.lower_bound(front); mover != movers_.end(); mover = movers_.lower_bound(front)) {
        const long k = *mover;
        auto next = std::next(order_.find(k));  // waits for the next sweep
        const long skipped = next->first;
        MoveToEnd(order_.find(k)->second);
        front = std::next(order_.find(skipped))->first;
        if (tick && ++moves_ % 4096 == 0) tick();
      }
    }
    std::vector<TOracleObject> sorted;
    sorted.reserve(n);
    for (const auto& [key, index] : order_) sorted.push_back(std::move(objects_[index]));
    objects_ = std::move(sorted);
  }

 private:
  long First(size_t group) const { return *members_[group].begin(); }

  void MoveToEnd(size_t i) {
    const long oldKey = key_[i];
    const long newKey = nextKey_++;
    const size_t g = group_[i];
    const long oldFirst = First(g);
    order_.erase(oldKey);
    order_.emplace(newKey, i);
    members_[g].erase(oldKey);
    members_[g].insert(newKey);
    key_[i] = newKey;
    // Everything it references now stands before it.
    movers_.erase(oldKey);
    after_[i] = 0;
    // The first object of its name may have changed: so may, for each
    // object referencing that name, whether the name stands after it.
    const long newFirst = First(g);
    if (newFirst == oldFirst) return;
    for (size_t r : referrers_[g]) {
      if (r == i) continue;
      const bool was = oldFirst > key_[r];
      const bool is = newFirst > key_[r];
      if (was == is) continue;
      if (is) {
        if (after_[r]++ == 0) movers_.insert(key_[r]);
      } else {
        if (--after_[r] == 0) movers_.erase(key_[r]);
      }
    }
  }

  std::vector<TOracleObject>& objects_;
  long nextKey_ = 0;
  long moves_ = 0;
  std::vector<long> key_;                      // position key of each object
  std::vector<size_t> group_;                  // its name (ignoring case)
  std::vector<std::set<long>> members_;        // keys of the objects of each name
  std::vector<std::vector<size_t>> referrers_;  // objects referencing each name (once per reference)
  std::vector<size_t> after_;                  // references standing after the object
  std::map<long, size_t> order_;               // the list: key -> object
  std::set<long> movers_;                      // keys of objects with a reference after them
};

}  // namespace

void OrderByDependencies(std::vector<TOracleObject>& objects, const std::function<void()>& tick) {
  if (objects.size() < 2) return;
  Sweeps(objects).Run(tick);
}

}  // namespace tarlow
