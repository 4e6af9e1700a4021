// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The benchmark subcommands of lyrimate-bench. Each takes the arguments after its name and
// returns the process exit code (2 for a usage error).
#include <string>
#include <vector>

namespace bench {

using Arguments = std::vector<std::string>;

// keys N: puts N song keys into a THash, then gets and tests each of them.
int Keys(const Arguments& args);
// cold-scan ROOT: the scan from an evicted page cache; prints the pages it read (make-tree
// takes --song-sizes after N for a tree of song-sized sparse files).
int ColdScan(const Arguments& args);
// make-tree ROOT N: writes a synthetic player with N songs under ROOT.
int MakeTree(const Arguments& args);
// scan ROOT [--lyrics]: reads every song of ROOT's music folder like the music scan.
int Scan(const Arguments& args);
// lists N [--lyrics]: writes N registered and N song-list rows (with --lyrics, lyrics files for
// half the registered songs), times LoadLists and SaveRegistered.
int Lists(const Arguments& args);
// mark N: MarkRegistered with N rows in each list.
int Mark(const Arguments& args);
// export N [--split-pages] [--clean-notes]: N ticked registered rows in albums of 12, half with
// lyrics, into a temporary player; with --split-pages every eighth lyric is long enough to be
// cut, with --clean-notes an earlier export wrote every page and a tenth are unticked since.
int Export(const Arguments& args);

}  // namespace bench
