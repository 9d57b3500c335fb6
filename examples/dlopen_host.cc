// A host program that loads the module at run time, as a piping design program does, and asks
// for the support loads at one node of a job for one load case.
//
//   dlopen_host [-m MODULE] JOB NODE [CASE]
//
// MODULE defaults to the module's installed name, libVirU4Deduz.so.0, found on the library path.
// CASE defaults to 1; a host that names its load case never sees the selection dialog. The host
// installs no user interface of its own, so the module's messages go to standard error and, with
// no terminal, any question it would ask is answered "cancel".
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "VirU4Deduz/VirU4Deduz.h"

namespace {

// The header's declaration gives the type; the module is bound by its decorated name, since
// GetLoads has C++ linkage.
using GetLoadsFunction = decltype(&GetLoads);
constexpr const char* kGetLoadsSymbol = "_Z8GetLoadsPiPfS0_S0_S0_S0_S0_S_S_PcS_S1_";

int Usage() {
  std::fprintf(stderr, "usage: dlopen_host [-m MODULE] JOB NODE [CASE]\n");
  return 64;
}

bool ParseInt(const char* text, int* value) {
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || parsed < -2147483647L || parsed > 2147483647L) return false;
  *value = static_cast<int>(parsed);
  return true;
}

// Labels are Windows-1252 text (a harmonic case's ends in byte 0xD8, "Ø"); the terminal wants
// UTF-8. Bytes from 0xA0 on are the same characters in both; the few others print as '?'.
void PrintWindows1252(const char* text, int length) {
  for (int i = 0; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      std::putchar(byte);
    } else if (byte >= 0xA0) {
      std::putchar(0xC0 | (byte >> 6));
      std::putchar(0x80 | (byte & 0x3F));
    } else {
      std::putchar('?');
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const char* modulePath = "libVirU4Deduz.so.0";
  for (int option; (option = getopt(argc, argv, "m:")) != -1;) {
    if (option != 'm') return Usage();
    modulePath = optarg;
  }
  const int rest = argc - optind;
  if (rest < 2 || rest > 3) return Usage();
  const char* job = argv[optind];
  int node[2] = {0, 0};
  int loadCase = 1;
  if (!ParseInt(argv[optind + 1], &node[0]) || (rest == 3 && !ParseInt(argv[optind + 2], &loadCase))) {
    return Usage();
  }
  if (std::strlen(job) > 255) {
    std::fprintf(stderr, "dlopen_host: the job path is longer than 255 characters\n");
    return 64;
  }

  void* module = dlopen(modulePath, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::fprintf(stderr, "dlopen_host: %s\n", dlerror());
    return 1;
  }
  auto getLoads = reinterpret_cast<GetLoadsFunction>(dlsym(module, kGetLoadsSymbol));
  if (getLoads == nullptr) {
    std::fprintf(stderr, "dlopen_host: %s\n", dlerror());
    dlclose(module);
    return 1;
  }

  float res[6] = {};
  int status = -1;
  int extractMode = 1;
  char jobPath[256] = {};
  std::strncpy(jobPath, job, sizeof jobPath - 1);
  char caseLabel[151] = {};
  getLoads(node, &res[0], &res[1], &res[2], &res[3], &res[4], &res[5], &status, &extractMode,
           jobPath, &loadCase, caseLabel);
  dlclose(module);

  if (status != 0) {
    std::fprintf(stderr, "dlopen_host: no loads (status %d)\n", status);
    return status;
  }
  // The label is 150 blank-padded characters, terminated only when the user chose the case.
  int labelLength = 150;
  while (labelLength > 0 && (caseLabel[labelLength - 1] == ' ' || caseLabel[labelLength - 1] == '\0')) {
    --labelLength;
  }
  std::printf("job  %s\ncase %d  ", jobPath, loadCase);
  PrintWindows1252(caseLabel, labelLength);
  std::printf("\nnode %d\n", node[0]);
  const char* names[6] = {"FX", "FY", "FZ", "MX", "MY", "MZ"};
  for (int k = 0; k < 6; ++k) std::printf("%s %12.0f\n", names[k], static_cast<double>(res[k]));
  return 0;
}
