// SPDX-License-Identifier: GPL-3.0-or-later
// lyrimate-bench SUBCOMMAND ARGS...: runs one benchmark and prints its figures.
#include <cstdio>
#include <string_view>

#include "bench/Bench.h"

namespace {

struct Subcommand {
  std::string_view name;
  std::string_view arguments;
  int (*run)(const bench::Arguments&);
};

constexpr Subcommand kSubcommands[] = {
    {"keys", "N", bench::Keys},
    {"cold-scan", "ROOT", bench::ColdScan},
    {"make-tree", "ROOT N", bench::MakeTree},
    {"scan", "ROOT [--lyrics]", bench::Scan},
    {"lists", "N [--lyrics]", bench::Lists},
    {"mark", "N", bench::Mark},
    {"export", "N", bench::Export},
};

int Usage() {
  std::fprintf(stderr, "usage: lyrimate-bench SUBCOMMAND ARGS...\n");
  for (const Subcommand& command : kSubcommands)
    std::fprintf(stderr, "  lyrimate-bench %.*s %.*s\n", static_cast<int>(command.name.size()),
                 command.name.data(), static_cast<int>(command.arguments.size()),
                 command.arguments.data());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string_view name = argv[1];
  for (const Subcommand& command : kSubcommands)
    if (command.name == name) return command.run(bench::Arguments(argv + 2, argv + argc));
  return Usage();
}
