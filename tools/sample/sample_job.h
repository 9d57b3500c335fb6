// The sample job that the build writes next to itself: a small pump discharge line, so that the
// module, the command-line host and the example hosts have a real job to read from a fresh clone.
#ifndef VIRU4DEDUZ_TOOLS_SAMPLE_SAMPLE_JOB_H_
#define VIRU4DEDUZ_TOOLS_SAMPLE_SAMPLE_JOB_H_

#include "writer/output_writer.h"

namespace viru4deduz::sample {

// 40 nodes (10 to 400 in steps of 10, 1.5 m apart), two spring hangers (70, 210), two anchors
// (10 at the pump, 400 at the vessel), rests, guides and a limit stop; node 40 and node 260 each
// carry two restraint entries. Eight load cases:
//   1 (OPE) W+D1+T1+P1   2 (OPE) W+D1+T2+P1   3 (SUS) W+P1   4 (OCC) WIN1
//   5 (OCC) U1, discarded   6 (EXP) L6=L1-L3   7 (OCC) L7=L3+L4   8 harmonic at 12.5 Hz
// Forces in N, moments in N·m, translations in mm, rotations in radians; version 1531.
writer::OutputJob SampleJob();

}  // namespace viru4deduz::sample

#endif  // VIRU4DEDUZ_TOOLS_SAMPLE_SAMPLE_JOB_H_
