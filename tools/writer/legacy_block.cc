#include "writer/legacy_block.h"

namespace viru4deduz::writer {

std::vector<std::int32_t> LegacyBlockOf(const OutputJob& job) {
  const std::int32_t v = job.version;
  const int codes = v < 500 ? 40 : v < 1000 ? 200 : 1000;
  const int starts = v < 1000 ? 20 : 100;
  const int lists = v < 500 ? 30 : v < 1000 ? 60 : 300;
  const std::int32_t end = v < 1000 ? -99 : -999;
  std::vector<std::int32_t> block(static_cast<std::size_t>(codes + 4 * starts + 3 * lists), 0);
  auto start = [&](int array, int caseIndex) -> std::int32_t& {  // 0 stress, 1 disp/force, 2 full, 3 types
    return block[static_cast<std::size_t>(codes + array * starts + caseIndex - 1)];
  };
  auto list = [&](int array, int position) -> std::int32_t& {  // 0 stress, 1 disp/force, 2 full
    return block[static_cast<std::size_t>(codes + 4 * starts + array * lists + position - 1)];
  };
  auto option = [&](int caseIndex, int column) {
    auto it = job.options.find({caseIndex, column});
    return it != job.options.end() ? it->second : -1;
  };

  int oldCodes = 0;
  int listEnd[3] = {0, 0, 0};
  int caseIndex = 0;
  int listKind = -1;  // the list of the combination being written, -1 in a basic case
  for (std::size_t p = 0; p < job.codes.size() && job.codes[p] != -999; ++p) {
    const std::int32_t code = job.codes[p];
    if (code == -4 || code == -888 || code == -5) {
      if (listKind >= 0 && listEnd[listKind] < lists) list(listKind, ++listEnd[listKind]) = -999;
      ++caseIndex;
      if (caseIndex > starts) break;
      start(3, caseIndex) = option(caseIndex, 2);
      if (code == -888) {
        const int display = option(caseIndex, 4);
        listKind = display == 1 ? 1 : display == 6 ? 0 : 2;
        start(listKind, caseIndex) = listEnd[listKind] + 1;
      } else {
        listKind = -1;
        start(2, caseIndex) = 1;  // stored
        if (oldCodes < codes) block[static_cast<std::size_t>(oldCodes++)] = -4;
      }
      continue;
    }
    if (listKind >= 0) {
      const double factor = p < job.factors.size() ? job.factors[p] : 1.0;
      if (listEnd[listKind] < lists) list(listKind, ++listEnd[listKind]) = factor < 0 ? -code : code;
    } else if (oldCodes < codes) {
      block[static_cast<std::size_t>(oldCodes++)] = code;
    }
  }
  if (listKind >= 0 && listEnd[listKind] < lists) list(listKind, ++listEnd[listKind]) = -999;
  if (oldCodes < codes) block[static_cast<std::size_t>(oldCodes)] = end;
  for (int kind = 0; kind < 3; ++kind) {
    for (int p = 1; p <= listEnd[kind]; ++p) {
      if (v < 1000 && list(kind, p) == -999) list(kind, p) = -99;
    }
  }
  return block;
}

}  // namespace viru4deduz::writer
