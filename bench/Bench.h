#pragma once
// The benchmark subcommands of lyrimate-bench. Each takes the arguments after its name and
// returns the process exit code (2 for a usage error).
#include <string>
#include <vector>

namespace bench {

using Arguments = std::vector<std::string>;

// keys N: puts N song keys into a THash, then gets and tests each of them.
int Keys(const Arguments& args);

}  // namespace bench
