// A job's output file read as values: its control data and load case tables, the cases they list
// and their labels, which stored slice of results each case takes, and answers read from where the
// file keeps them. Every caller reads a job through it: GetLoads' request (which keeps its fixed
// fields, dialogs and statuses around it), the job library and inspect.
//
// The tables are read into storage the caller owns: a host keeps one set between its requests,
// as the module always has, and a job of the library has its own. Every unrecoverable read error
// goes to the reporter when it happens; nothing here shows, writes or asks anything.
#ifndef VIRU4DEDUZ_JOB_JOB_FILE_H_
#define VIRU4DEDUZ_JOB_JOB_FILE_H_

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/table.h"
#include "extract/assembly.h"
#include "outfile/control_data.h"
#include "outfile/file_layout.h"
#include "outfile/record_readers.h"

namespace viru4deduz {

// The record unit the output file is read on, the most cases a file lists, and the field a job's
// path is held in (the path and its NUL): a longer path names no job.
constexpr int kOutputUnit = 39;
constexpr int kMaxCases = 1000;
constexpr int kJobPathWidth = 256;

// What a read of results found.
enum class ResultsRead {
  kRead,         // the values are there
  kNoRestraint,  // the node has no restraint entry
  kFailed,       // a record could not be read, or the file does not hold every record of its results
};

class JobFile {
 public:
  // Reads through runtime on kOutputUnit, with the reading state io, into output.
  JobFile(RecordRuntime& runtime, RecordIo& io, OutputData& output, ReadReporter& reporter);
  JobFile(const JobFile&) = delete;
  JobFile& operator=(const JobFile&) = delete;

  // Opens the file and reads its control data and tables, and lists its cases. false when the
  // file is missing or unreadable, of a version the module does not read, or has counts that
  // cannot be true. The file stays open (Close closes it) either way.
  bool Open(const std::string& fileName);
  void Close();

  const ControlData& control() const { return output_.control; }
  const LoadCaseTables& tables() const { return output_.tables; }
  const FileLayout& layout() const { return layout_; }
  RecordReaders& readers() { return readers_; }

  // The cases the code list marks, up to the 1000th.
  int caseCount() const { return caseCount_; }
  // Case k's label (k from 1 to caseCount): its line up to the 150th character, without trailing
  // white space; nullopt when the case cannot be labelled.
  std::optional<std::string> Label(int k) const;
  // The position of case k among the cases whose results the file stores: a case whose own
  // results are not stored takes the position the count reaches (that of the stored case before
  // it). A count that passes case 1000 without meeting k is reported (stop code 194).
  std::int32_t StoredOrdinal(int k);
  // The same without the report.
  std::int32_t StoredOrdinalQuietly(int k) const;
  // Whether the file stores case k's own results.
  bool HasStoredResults(int k) const;

  // Whether the file holds, whole, every record the full read of its results would touch.
  bool HoldsEveryResultsRecord();
  // Reads of single values of the results. They report nothing and fail quietly, and read nothing
  // unless the file holds every record of its results, the last of which may be cut short: such a
  // record reads as its bytes and zeros, as the full read takes it. (Counts that lie are so
  // never given the memory they ask for.)
  // Whether the file is still as it was opened (size, time, not replaced).
  bool StillAsOpened();
  // The loads of a node's restraint entries (0-based, in the order they are added: see
  // EntriesInSumOrder) in stored case `ordinal`: six sums, rounded (unless round is false), into
  // set. No entries: no restraint.
  ResultsRead ReadLoadsOf(std::int32_t ordinal, std::span<const std::size_t> entries, float* set,
                          bool round = true);
  // The displacements of each node in stored case `ordinal`, six to a set, into sets, nodeList
  // as ReadNodeList gave it; a node without displacements leaves its set alone.
  ResultsRead ReadDisplacementsAt(std::int32_t ordinal, std::span<const std::int32_t> nodeList,
                                  std::span<const int> nodes, float* sets);
  // The node list, and the node of every restraint entry in file order.
  std::optional<std::vector<std::int32_t>> ReadNodeList();
  std::optional<std::vector<std::int32_t>> ReadRestraintNodes();
  // The load values of every restraint entry in stored case `ordinal`, loadValuesPerEntry() to
  // an entry in file order, as the bits of 4-byte reals, read many records at a time.
  bool ReadCaseLoads(std::int32_t ordinal, std::vector<std::int32_t>& words);
  int loadValuesPerEntry() const { return layout_.version().loadValuesPerEntry; }

 private:
  void ListCases();
  bool ResultsReadable();
  bool ReadSectionOne(std::int64_t word, std::int64_t count, std::vector<std::int32_t>& out);

  RecordRuntime& runtime_;
  OutputData& output_;
  RecordReaders readers_;
  FileLayout layout_;
  Table<std::int32_t, kMaxCases> caseStarts_;  // just after each case's marker
  int caseCount_ = 0;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_JOB_JOB_FILE_H_
