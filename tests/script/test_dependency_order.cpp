// The dependency order of views and stored code against the plain
// implementation of its definition (n sweeps, each moving to the end every
// object that references one standing after it, with a linear name search),
// on graphs of many shapes: chains in either direction, trees, random
// acyclic graphs, cycles, self references, names differing only in case,
// references to objects not in the list.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "script/dependency_order.h"

namespace {

using tarlow::TOracleObject;
using Objects = std::vector<TOracleObject>;

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto up = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; };
           return up(x) == up(y);
         });
}

Objects PlainSweeps(Objects list) {
  const size_t n = list.size();
  auto find = [&](const std::string& name) {
    for (size_t k = 0; k < list.size(); ++k)
      if (SameName(list[k].ObjectName, name)) return k;
    return list.size();
  };
  for (size_t sweep = 0; sweep < n; ++sweep)
    for (size_t i = 0; i < list.size(); ++i)
      for (const std::string& dep : list[i].Dependencies) {
        const size_t at = find(dep);
        if (at < list.size() && at > i) {
          TOracleObject moved = std::move(list[i]);
          list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
          list.push_back(std::move(moved));
          break;
        }
      }
  return list;
}

std::vector<std::string> Names(const Objects& list) {
  std::vector<std::string> names;
  for (const auto& o : list) names.push_back(o.ObjectName);
  return names;
}

// Names sort in index order, as the dictionary's list does.
std::string Name(size_t i) {
  const std::string digits = std::to_string(i);
  return "V" + std::string(6 - std::min<size_t>(6, digits.size()), '0') + digits;
}

// n objects named in sorted order; edges(i) gives the indexes i references.
template <typename Edges>
Objects Graph(size_t n, Edges edges) {
  Objects list(n);
  for (size_t i = 0; i < n; ++i) list[i].ObjectName = Name(i);
  for (size_t i = 0; i < n; ++i)
    for (size_t j : edges(i)) list[i].Dependencies.push_back(j < n ? Name(j) : "MISSING" + std::to_string(j));
  return list;
}

void ExpectSameOrder(const Objects& input, const std::string& what) {
  Objects ordered = input;
  tarlow::OrderByDependencies(ordered);
  EXPECT_EQ(Names(ordered), Names(PlainSweeps(input))) << what;
  // Nothing lost or doubled, references carried along.
  auto pairs = [](const Objects& list) {
    std::vector<std::pair<std::string, std::vector<std::string>>> all;
    for (const auto& o : list) all.emplace_back(o.ObjectName, o.Dependencies);
    std::sort(all.begin(), all.end());
    return all;
  };
  EXPECT_EQ(pairs(ordered), pairs(input)) << what;
}

TEST(DependencyOrder, SameOrderAsThePlainSweepsOnShapedGraphs) {
  using V = std::vector<size_t>;
  for (size_t n : {0, 1, 2, 3, 7, 40, 150}) {
    const std::string at = " n=" + std::to_string(n);
    ExpectSameOrder(Graph(n, [&](size_t i) { return i + 1 < n ? V{i + 1} : V{}; }), "forward chain" + at);
    ExpectSameOrder(Graph(n, [](size_t i) { return i > 0 ? V{i - 1} : V{}; }), "backward chain" + at);
    ExpectSameOrder(Graph(n, [&](size_t i) { return 2 * i + 2 < n ? V{2 * i + 1, 2 * i + 2} : V{}; }),
                    "tree, parents first" + at);
    ExpectSameOrder(Graph(n, [](size_t i) { return i > 0 ? V{(i - 1) / 2} : V{}; }), "tree, children first" + at);
    ExpectSameOrder(Graph(n, [&](size_t i) { return V{(i + 1) % std::max<size_t>(n, 1)}; }), "one ring" + at);
    ExpectSameOrder(Graph(n, [&](size_t i) { return V{i, n + i}; }), "self and missing references" + at);
    ExpectSameOrder(Graph(n, [&](size_t i) { return i % 3 == 0 && i + 3 < n ? V{i + 3, i ^ 1} : V{}; }),
                    "pairs of cycles beside a chain" + at);
  }
}

TEST(DependencyOrder, SameOrderAsThePlainSweepsOnRandomGraphs) {
  std::mt19937 random(20261211);
  for (int round = 0; round < 300; ++round) {
    const size_t n = 1 + random() % 60;
    const int density = int(random() % 4);
    const bool acyclic = round % 2 == 0;
    Objects list = Graph(n, [&](size_t i) {
      std::vector<size_t> deps;
      const size_t count = random() % (density + 1);
      for (size_t k = 0; k < count; ++k) {
        size_t j = random() % (n + 2);  // now and then not in the list
        if (acyclic && j < n && j <= i) continue;
        deps.push_back(j);
      }
      return deps;
    });
    if (round % 5 == 0) {
      // Names differing only in case: a reference matches the first of them.
      for (size_t i = 1; i < list.size(); ++i)
        if (random() % 4 == 0) {
          list[i].ObjectName = list[i - 1].ObjectName;
          list[i].ObjectName[0] = 'v';
        }
      std::stable_sort(list.begin(), list.end(),
                       [](const auto& a, const auto& b) { return a.ObjectName < b.ObjectName; });
    }
    ExpectSameOrder(list, "round " + std::to_string(round));
    if (HasFailure()) break;
  }
}

TEST(DependencyOrder, ReferencedObjectsComeFirstInALongChain) {
  // 3,000 views, each referencing the next by name: written from the last.
  Objects list(3000);
  for (size_t i = 0; i < list.size(); ++i) {
    list[i].ObjectName = Name(i);
    if (i + 1 < list.size()) list[i].Dependencies = {Name(i + 1)};
  }
  int ticks = 0;
  tarlow::OrderByDependencies(list, [&] { ++ticks; });
  for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i].ObjectName, Name(list.size() - 1 - i)) << i;
  EXPECT_GT(ticks, 0);
}

}  // namespace
