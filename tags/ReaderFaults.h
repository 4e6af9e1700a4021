// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Readers report a file they cannot read by their result (a short read, a size that does not
// fit) and by the file's ReadFailed; they catch no exceptions. An exception out of a reader
// or tag is a fault in the program: the dispatcher swallows it, as a refusal of the file,
// except in the fuzz build, where it ends the run so that the fuzzer reports it.
#ifdef LYRIMATE_FUZZ_BUILD
inline constexpr bool SwallowReaderFaults = false;
#else
inline constexpr bool SwallowReaderFaults = true;
#endif
