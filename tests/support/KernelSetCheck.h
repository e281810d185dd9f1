#pragma once

// A test run for one kernel set names it in QUELTA_TEST_KERNELS (and asks the engine for it with
// QUELTA_KERNELS). On a processor without that set the engine takes another, and the run must
// be reported as skipped rather than pass with the wrong kernels: this says so on stdout and
// returns false. True when no set is asked for, or the engine runs the one asked for.
bool RunsTheKernelSetAskedFor();

// ctest's exit status for a skipped test (SKIP_RETURN_CODE).
inline constexpr int SkippedExitStatus = 77;
