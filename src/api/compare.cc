#include "VirU4Deduz/Compare.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace viru4deduz::api {
namespace {

std::set<int> StoredCases(const Job& job) {
  std::set<int> stored;
  for (const LoadCase& c : job.cases()) {
    if (c.hasResults) stored.insert(c.number);
  }
  return stored;
}

// The loads at every support of the job in case k by node, or none when it does not store k.
std::map<std::int32_t, Components> LoadsByNode(const Job& job, const std::set<int>& stored, int k, Rounding rounding) {
  std::map<std::int32_t, Components> loads;
  if (!stored.contains(k)) return loads;
  for (const SupportLoads& at : job.SupportLoadsOf(k, rounding)) loads.emplace(at.node, at.loads);
  return loads;
}

}  // namespace

std::optional<double> ComparedLoad::Change() const {
  if (!a || !b) return std::nullopt;
  return static_cast<double>(*b) - static_cast<double>(*a);
}

std::optional<double> ComparedLoad::Percent() const {
  const std::optional<double> change = Change();
  if (!change || *a == 0.0f) return std::nullopt;
  return *change / std::fabs(static_cast<double>(*a)) * 100.0;
}

std::vector<ComparedLoad> CompareSupportLoads(const Job& a, const Job& b, const std::vector<int>& cases,
                                              Rounding rounding) {
  const std::set<int> storedA = StoredCases(a), storedB = StoredCases(b);
  std::set<int> chosen(cases.begin(), cases.end());
  if (cases.empty()) {
    chosen = storedA;
    chosen.insert(storedB.begin(), storedB.end());
  }
  std::vector<ComparedLoad> rows;
  for (int k : chosen) {
    const std::map<std::int32_t, Components> loadsA = LoadsByNode(a, storedA, k, rounding);
    const std::map<std::int32_t, Components> loadsB = LoadsByNode(b, storedB, k, rounding);
    std::set<std::int32_t> nodes;
    for (const auto& [node, loads] : loadsA) nodes.insert(node);
    for (const auto& [node, loads] : loadsB) nodes.insert(node);
    for (std::int32_t node : nodes) {
      const auto inA = loadsA.find(node), inB = loadsB.find(node);
      for (int m = 0; m < 6; ++m) {
        ComparedLoad row{k, node, m, std::nullopt, std::nullopt};
        if (inA != loadsA.end()) row.a = inA->second[static_cast<std::size_t>(m)];
        if (inB != loadsB.end()) row.b = inB->second[static_cast<std::size_t>(m)];
        rows.push_back(row);
      }
    }
  }
  return rows;
}

bool Changed(const ComparedLoad& row) {
  const std::optional<double> change = row.Change();
  return !change || *change != 0.0;
}

bool AtOrPast(const ComparedLoad& row, const ChangeThreshold& threshold) {
  const std::optional<double> change = row.Change();
  if (!change) return true;
  if (!threshold.percent) return std::fabs(*change) >= threshold.value;
  const std::optional<double> percent = row.Percent();
  if (!percent) return *change != 0.0 || threshold.value <= 0.0;  // from 0: past any percentage
  return std::fabs(*percent) >= threshold.value;
}

}  // namespace viru4deduz::api
