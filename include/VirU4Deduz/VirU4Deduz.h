// VirU4Deduz: support loads and node displacements of a pipe stress job, for a host program.
//
// The module exports exactly three things:
//   * GetLoads, the working entry point (one load case, one node or two nodes per call);
//   * the class GetLoadsTransferUnits, through which a host registers its unit factors and labels;
//   * viru4deduz::SetUserInterface, the hook through which a host installs its own message boxes
//     and dialogs. Without it the module writes its messages to standard error and asks its
//     questions on the controlling terminal (with no terminal, every question is answered "cancel").
//
// Everything runs on the caller's thread, one request at a time per loaded module: the module
// serialises its entry points itself. A GetLoads, TransferUnit or SetUserInterface call from
// another thread waits until the running request has ended. A call made on the requesting thread
// from inside the request's own callbacks (a host dialog or message box that calls back in)
// cannot wait for it: GetLoads then ends at once with status 1 and writes nothing else,
// SetUserInterface takes effect when the running request ends, and TransferUnit stores at once.
//
// Exceptions: GetLoads raises none of its own but std::bad_alloc, when the work area that the
// setting "XMS Memory Allocated" asks for cannot be allocated (before anything of the job is
// read). An exception that the host's own callbacks throw passes back to the host unchanged.
// Either way the module is left ready for the next request: the output file is closed, no request
// counts as running, and a user interface installed meanwhile is in effect.
#ifndef VIRU4DEDUZ_VIRU4DEDUZ_H_
#define VIRU4DEDUZ_VIRU4DEDUZ_H_

#include <cstddef>

// The module's own build defines VIRU4DEDUZ_BUILDING_MODULE and exports these names; a host that
// includes this header imports them.
#if defined(_WIN32)
#if defined(VIRU4DEDUZ_BUILDING_MODULE)
#define VIRU4DEDUZ_API __declspec(dllexport)
#else
#define VIRU4DEDUZ_API __declspec(dllimport)
#endif
#else
#define VIRU4DEDUZ_API __attribute__((visibility("default")))
#endif

// Returns, for one load case of the job, the summed restraint loads at node[0] (extractMode 1)
// or the displacements of node[0] and node[1] (extractMode 2).
//
//   node        node number(s)
//   res1..res6  out: component K of result set i in resK[i] (one set, two for extractMode 2)
//   status      out: 0 results delivered, 1 no result, 2 no restraint at the node / work area too small
//   extractMode 1 = loads at one node, 2 = displacements of two nodes
//   jobPath     in/out, 256 bytes, NUL-terminated: the job file, or "" to let the user pick it;
//               on success the job path actually used, in upper case
//   loadCase    in/out: the load case number, or 0 to let the user choose (the choice is written back)
//   caseLabel   out, at least 151 bytes: the case's 150-character label
//
// Values are returned in the units in which the analysis output file stores them.
//
// What is read. The module reads the job's control data and load case tables whole. Of the
// results it reads only what decides the answer (the records of the node's entries and of the
// chosen case) whenever the output file, at its size when opened, holds every record that a read
// of the whole results block would touch, and is still of that size, unchanged and under its name
// when the answer is ready. Otherwise it reads the whole results block, as the analysis program's
// own readers do, and a record it cannot read ends the request as theirs would (a message box, the
// chain file, status 1). The one difference this makes: a record of the results that the answer
// does not need and that the system cannot read (a bad sector) goes unseen, and the request
// answers; a record the answer needs is reported exactly as the whole read reports it.
//
// A null status, extractMode, node or loadCase makes no request (status, when given, is set to
// 1); a null jobPath is an empty one and receives nothing; a null caseLabel or resK receives
// nothing.
VIRU4DEDUZ_API void GetLoads(int* node, float* res1, float* res2, float* res3, float* res4,
                             float* res5, float* res6, int* status, int* extractMode, char* jobPath,
                             int* loadCase, char* caseLabel);

namespace UnitTransfer {
// Kinds of quantity whose unit factor and label a host registers. Kinds without a fixed meaning in
// the module carry neutral names.
enum TalvorUnits : int {
  Length = 0,
  Force = 1,
  Kind2 = 2,
  Kind3 = 3,
  Moment = 4,
  Kind5 = 5,
  Temperature = 6,
  TemperatureOffset = 7,
  Kind8 = 8,
  Kind9 = 9,
  Kind10 = 10,
  Kind11 = 11,
  Kind12 = 12,
  Kind13 = 13,
  Kind14 = 14,
  Kind15 = 15,
  Kind16 = 16,
  Kind17 = 17,
  Kind18 = 18,
  Kind19 = 19,
  Kind20 = 20,
  Kind21 = 21,
};
}  // namespace UnitTransfer

// Stores a factor and a label per kind in the module's one unit table. Every instance acts on the
// same table; the module keeps the values and never applies them to the results.
class VIRU4DEDUZ_API GetLoadsTransferUnits {
 public:
  GetLoadsTransferUnits();
  ~GetLoadsTransferUnits();
  GetLoadsTransferUnits& operator=(const GetLoadsTransferUnits& other);

  // Kinds outside 0..21 are ignored. The label is cut to its kind's field width; kind 7 has none.
  void TransferUnit(UnitTransfer::TalvorUnits kind, float factor, const char* label);
};

namespace viru4deduz {

// The caption of the message boxes the module shows for itself (the record reader, the fatal
// stop and the settings show boxes with captions of their own).
inline constexpr char kModuleCaption[] = "VirU4Deduz";

// Message box type flags, as the module passes them.
enum MessageBoxType : unsigned {
  kMessageBoxOk = 0x0,                 // OK button, no icon
  kMessageBoxIconStop = 0x10,          // stop (error) icon
  kMessageBoxIconExclamation = 0x30,   // exclamation icon
  kMessageBoxIconInformation = 0x40,   // information icon
  kMessageBoxSetForeground = 0x10000,  // bring the box to the foreground
};

// Answers of a modal list dialog.
enum ListDialogResult : int {
  kListDialogFailed = -1,  // the dialog could not be shown
  kListDialogOk = 1,       // the handler accepted a selection
  kListDialogCancel = 2,   // Cancel, Escape or the close box
};

// The module's side of a modal list dialog: called when the user presses OK.
class ListDialogHandler {
 public:
  // selectedIndex is the 0-based entry selected, or -1 for none. Returns true to end the dialog
  // with OK, false to keep it open (the handler has told the user why).
  virtual bool OnOk(int selectedIndex) = 0;

 protected:
  ~ListDialogHandler() = default;
};

// The user-interface layer. A host implements it to show the module's messages and dialogs in its
// own windows; every method is called on the host's thread and blocks until the user answers.
class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // A modal message box without an owner window. type is a combination of MessageBoxType flags.
  // Returns the button pressed (1 = OK).
  virtual int ShowMessage(const char* text, const char* caption, unsigned type) = 0;

  // The open-file dialog. filter lists "description|pattern|" pairs ended by "|"; flags are the
  // open-file flags the module asks for. On OK, writes the chosen file's full path (NUL-terminated)
  // into path, which holds pathSize bytes, and returns true; returns false on cancel.
  virtual bool ChooseFile(const char* filter, unsigned long flags, char* path,
                          std::size_t pathSize) = 0;

  // A modal, unsorted, single-selection list dialog titled title, showing count entries.
  // The OK button calls handler.OnOk with the current selection; the dialog ends with OK only when
  // that returns true. Returns a ListDialogResult.
  virtual int RunListDialog(const char* title, const char* const* entries, int count,
                            ListDialogHandler& handler) = 0;
};

// Installs the host's user-interface layer (not owned; it must outlive its use). nullptr puts the
// module's own terminal layer back.
VIRU4DEDUZ_API void SetUserInterface(UserInterface* ui);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_VIRU4DEDUZ_H_
