// The whole request over arbitrary bytes as the job's output file, through the in-memory layers.
//
// The host's side of each run (node numbers, load case, the user's choice in the selection
// dialog, the work area size, the chain file's user text) comes from items 2 to 7 of the control
// record, which the module never reads; a shorter input gives zeros. The input also chooses the
// requests: the host's case in extract mode 1, in extract mode 2, the selection dialog, or all
// three in turn.
//
// Besides the sanitizers, every request is checked for what the module promises: a status of 0,
// 1 or 2, the output file closed, every settings key closed, results written only on success.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "testing/scripted_module.h"

namespace {

using namespace viru4deduz;

constexpr char kOutputName[] = "/JOBS/FUZZ._P";
constexpr char kJobPath[] = "/jobs/fuzz.x4";
constexpr char kSettingsKey[] = "Software\\Ostrel\\TALVOR\\5.30\\Settings";
constexpr float kUntouched = -12345.0f;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Control item k (2..7) of the input, or 0 when the input ends before it.
std::int32_t HostItem(const std::uint8_t* data, std::size_t size, int k) {
  const std::size_t offset = static_cast<std::size_t>(k - 1) * 4;
  std::int32_t value = 0;
  if (offset + 4 <= size) std::memcpy(&value, data + offset, 4);
  return value;
}

using Layers = testing::ScriptedModule;

void RunRequest(Layers& l, int mode, int nodeA, int nodeB, int loadCase) {
  int node[2] = {nodeA, nodeB};
  float res[6][2];
  for (auto& component : res) component[0] = component[1] = kUntouched;
  int status = -7;
  int extractMode = mode;
  char jobPath[256] = {};
  std::memcpy(jobPath, kJobPath, sizeof kJobPath);
  int caseNumber = loadCase;
  char caseLabel[151];
  std::memset(caseLabel, '#', sizeof caseLabel);

  l.module.GetLoads(node, res[0], res[1], res[2], res[3], res[4], res[5], &status, &extractMode,
                    jobPath, &caseNumber, caseLabel);

  Check(status == 0 || status == 1 || status == 2);
  Check(!l.records.IsOpen(kOutputUnit));
  Check(l.settings.OpenHandleCount() == 0);
  Check(caseLabel[150] == '#' || caseLabel[150] == '\0');
  if (status != 0) {
    for (const auto& component : res) Check(component[0] == kUntouched && component[1] == kUntouched);
  }
  if (loadCase == 0 && status == 0) Check(caseNumber >= 1 && caseNumber <= kLabelEntries);
}

}  // namespace

// AddressSanitizer's defaults for this target (ASAN_OPTIONS still overrides them). A request that
// goes on to the full read allocates its work area, 12,000,000 bytes by default, and frees it at
// its end. Shadow larger than clear_shadow_mmap_threshold (64 kB by default) is cleared by
// mapping it afresh, so the 1.5 MB of shadow of such an area was thrown away right after it was
// written and faulted in again, page by page, when the area was freed: that cost more than all
// the request reads. With the threshold above the shadow of the largest area an input can ask
// for (16 MiB, 2 MiB of shadow) it is cleared in place. What is detected is the same either way.
extern "C" const char* __asan_default_options() { return "clear_shadow_mmap_threshold=4194304"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One module for the whole run, as a host keeps it loaded; its layers are emptied after every
  // input, so that nothing but the module's own state carries over to the next. They keep no log
  // of transfers or settings calls: nothing here reads one.
  static Layers* const l = [] {
    auto* layers = new Layers;
    layers->records.logTransfers = false;
    layers->settings.logCalls = false;
    return layers;
  }();
  // The existence test only asks whether the output file is there; the bytes are read through
  // the record runtime, where they are: the input stays valid until this call returns, and the
  // file is replaced before then. Reads past its end meet the end of libFuzzer's own copy.
  l->files.AddFile(kOutputName, "");
  l->records.AddFileView(kOutputName,
                         std::string_view(reinterpret_cast<const char*>(data), size));

  const std::int32_t nodeA = HostItem(data, size, 2);
  const std::int32_t nodeB = HostItem(data, size, 3);
  const std::int32_t loadCase = HostItem(data, size, 4);
  const std::uint32_t choice = static_cast<std::uint32_t>(HostItem(data, size, 5));
  const std::int32_t workArea = HostItem(data, size, 6);
  const std::int32_t user = HostItem(data, size, 7);

  // The work area: 0 gives 64 KiB, 1 leaves the setting missing (the module stores and uses its
  // default, 12,000,000 bytes), anything else up to 128 KiB either way. The seeds' jobs need
  // about 11 kB; counts that need more are met by the default. Under AddressSanitizer an area
  // above 128 KiB is mapped afresh for every request that goes on to the full read, its shadow
  // poisoned on the way in and out and each page faulted in: an area of several megabytes cost
  // ten times what the rest of an input does, and a mutated item 6 gave one to most inputs it
  // touched. Up to 128 KiB the area comes from memory the allocator keeps.
  if (workArea != 1) {
    const std::int32_t bytes = workArea == 0 ? std::int32_t{1} << 16 : workArea % (1 << 17);
    l->settings.PutValue(kSettingsKey, "XMS Memory Allocated", std::to_string(bytes));
  }
  if (user != 0) {
    l->settings.PutValue(kSettingsKey, "VESKO_USER",
                         std::string(reinterpret_cast<const char*>(&user), 4));
  }

  // The choice word: bits 0-1 which requests run (the host's case in extract mode 1, in mode 2,
  // the selection dialog, or all three in turn); bits 2-3 the user's way through the dialog;
  // bits 4-5 the extract mode of the dialog's request; bits 16-31 the entry the user picks
  // (signed, so that no selection and entries past the list are tried as well).
  const unsigned requests = choice & 3u;
  if (requests == 0 || requests == 3) RunRequest(*l, 1, nodeA, nodeB, loadCase);
  if (requests == 1 || requests == 3) RunRequest(*l, 2, nodeA, nodeB, loadCase);
  if (requests == 2 || requests == 3) {
    const int index = static_cast<std::int16_t>(choice >> 16);
    switch ((choice >> 2) & 3u) {
      case 0: l->ui.listActions = {ScriptedUserInterface::Ok(index)}; break;
      case 1: l->ui.listActions = {ScriptedUserInterface::Cancel()}; break;
      case 2: l->ui.listActions = {ScriptedUserInterface::Fail()}; break;
      default:
        l->ui.listActions = {ScriptedUserInterface::Ok(-1), ScriptedUserInterface::Ok(index)};
        break;
    }
    RunRequest(*l, static_cast<int>((choice >> 4) & 3u), nodeA, nodeB, 0);
  }

  l->ui = ScriptedUserInterface{};
  l->files = MemoryFileSystem{};
  l->settings = ScriptedSettingsStore{};
  l->settings.logCalls = false;
  l->archive.calls = {};
  // The input's bytes are not the runtime's to keep. The open and close logs are emptied but keep
  // their room.
  l->records.AddFile(kOutputName, {});
  l->records.ResetCounts();
  l->records.opens.clear();
  l->records.closes.clear();
  return 0;
}
