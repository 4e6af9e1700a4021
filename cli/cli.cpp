// SPDX-License-Identifier: GPL-3.0-or-later
// lyrimate-cli: the player library without a window. Each run starts like the application
// (data folder, player roots, settings, both list files), does one command and saves where
// the application would.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliFeedback.h"
#include "cli/WholeInput.h"
#include "library/DataFolderLock.h"
#include "library/FileErrors.h"
#include "library/ListCommands.h"
#include "library/ListFiles.h"
#include "library/LyricsFiles.h"
#include "library/LyricsStore.h"
#include "library/MainState.h"
#include "library/MusicScan.h"
#include "library/NotesWriter.h"
#include "library/OpenedText.h"
#include "library/PlayerDetect.h"
#include "platform/AppDir.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/Volumes.h"
#include "ProgramVersion.h"
#include "text/jconvert.h"
#include "text/jconvertex.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: lyrimate-cli [--data-dir DIR] [--player DIR]... COMMAND | --help | --version\n"
    "  detect | scan [--import-lyrics] | list player|registered\n"
    "  register ROW...|--all | remove ROW... | tick ROW...|--all | untick ROW...|--all\n"
    "  export [--split-pages] [--clean-notes] | page ROW [--split-pages]\n"
    "  lyrics show|set|import ROW [--registered] (set: [FILE])\n";

constexpr const char* kHelp =
    "\n"
    "Works on the same files as the application: the data folder (--data-dir, else the\n"
    "application's) and the player: the one named with --player, else the one found among\n"
    "the mounted volumes. A command holds the data folder's lock (Lyrimate.lock) while it\n"
    "runs; it waits up to 10 s for another holder (LYRIMATE_LOCK_WAIT_MS sets the wait).\n"
    "\n"
    "  detect                 print the player's root\n"
    "  scan [--import-lyrics] read the player's songs and save them as the song list; with\n"
    "                         --import-lyrics also write every song's tag lyrics to its file\n"
    "  list player|registered print the song list or the registered list, one row a line:\n"
    "                         ROW, check mark (1/0), title, album, track, artist, time, year,\n"
    "                         opening line, path, TAB-separated (\\\\ \\t \\r \\n escaped)\n"
    "  register ROW...|--all  add rows of the song list to the registered list\n"
    "  remove ROW...          delete rows of the registered list\n"
    "  tick|untick ROW...|--all\n"
    "                         set or clear check marks of the registered list\n"
    "  export [--split-pages] [--clean-notes]\n"
    "                         write a Notes page for every ticked registered song; for this\n"
    "                         run also cut pages over 4,096 bytes into linked parts, or remove\n"
    "                         the unchanged pages earlier exports wrote and this one does not\n"
    "  page ROW [--split-pages]\n"
    "                         print the bytes the export would write for registered row ROW\n"
    "                         (its parts one after another, each starting with the page head)\n"
    "  lyrics show ROW        print the lyrics the editor would open with\n"
    "  lyrics set ROW [FILE]  store FILE (standard input when none) as the song's lyrics;\n"
    "                         UTF-8, UTF-16 with signature, Shift_JIS, EUC-JP or ISO-2022-JP\n"
    "  lyrics import ROW      store the lyrics of the song's tag\n"
    "  The lyrics commands take rows of the song list, with --registered of the registered list.\n"
    "\n"
    "Rows count from 1. Messages go to standard error. Exit status: 0 success, 1 failure,\n"
    "2 usage error (nothing changed).\n";

enum class Command { Detect, Scan, List, Register, Remove, Tick, Untick, Export, Page, LyricsShow, LyricsSet, LyricsImport };

struct Request {
  Command command = Command::Detect;
  library::ListId list = library::ListId::MList;
  std::vector<std::size_t> rows;  // as given, counting from 1
  bool all = false;
  bool importLyrics = false;
  bool splitPages = false;
  bool cleanNotes = false;
  std::optional<std::string> file;  // lyrics set: the input (system path); none: standard input
};

// Thrown for a command line the tool cannot run; ends the run with exit status 2.
struct UsageError {
  std::string message;
};

bool IsGlobalOption(std::string_view arg, std::string_view name) {
  return arg == name || (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=');
}

std::size_t ParseRow(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    throw UsageError{"not a row number: " + text};
  const std::size_t row = std::stoul(text);
  if (row == 0) throw UsageError{"rows count from 1"};
  return row;
}

// ROW... or --all (when allowed) from the operands.
void ParseRows(const std::vector<std::string>& operands, bool allowAll, Request& request) {
  for (const std::string& operand : operands) {
    if (allowAll && operand == "--all") request.all = true;
    else request.rows.push_back(ParseRow(operand));
  }
  if (request.all && !request.rows.empty()) throw UsageError{"--all and ROW exclude each other"};
  if (!request.all && request.rows.empty()) throw UsageError{allowAll ? "ROW... or --all needed" : "ROW... needed"};
}

void ExpectNoOperands(const std::vector<std::string>& operands) {
  if (!operands.empty()) throw UsageError{"unexpected argument: " + operands.front()};
}

// Removes every occurrence of flag from operands; true when there was one.
bool TakeFlag(std::vector<std::string>& operands, const std::string& flag) {
  return std::erase(operands, flag) > 0;
}

Request ParseLyricsCommand(std::vector<std::string> operands) {
  Request request;
  const auto registered = std::find(operands.begin(), operands.end(), "--registered");
  if (registered != operands.end()) {
    request.list = library::ListId::AList;
    operands.erase(registered);
  }
  if (operands.empty()) throw UsageError{"lyrics needs show, set or import"};
  const std::string action = operands.front();
  operands.erase(operands.begin());
  if (action == "show") request.command = Command::LyricsShow;
  else if (action == "set") request.command = Command::LyricsSet;
  else if (action == "import") request.command = Command::LyricsImport;
  else throw UsageError{"unknown lyrics command: " + action};
  if (operands.empty()) throw UsageError{"lyrics " + action + " needs a ROW"};
  request.rows.push_back(ParseRow(operands.front()));
  operands.erase(operands.begin());
  if (request.command == Command::LyricsSet && !operands.empty()) {
    request.file = operands.front();
    operands.erase(operands.begin());
  }
  ExpectNoOperands(operands);
  return request;
}

Request ParseCommand(const std::string& name, std::vector<std::string> operands) {
  Request request;
  if (name == "detect") {
    request.command = Command::Detect;
    ExpectNoOperands(operands);
  } else if (name == "export") {
    request.command = Command::Export;
    request.splitPages = TakeFlag(operands, "--split-pages");
    request.cleanNotes = TakeFlag(operands, "--clean-notes");
    ExpectNoOperands(operands);
  } else if (name == "page") {
    request.command = Command::Page;
    request.list = library::ListId::AList;
    request.splitPages = TakeFlag(operands, "--split-pages");
    if (operands.size() != 1) throw UsageError{"page needs one ROW"};
    request.rows.push_back(ParseRow(operands.front()));
  } else if (name == "scan") {
    request.command = Command::Scan;
    if (!operands.empty() && operands.front() == "--import-lyrics") {
      request.importLyrics = true;
      operands.erase(operands.begin());
    }
    ExpectNoOperands(operands);
  } else if (name == "list") {
    request.command = Command::List;
    if (operands.size() != 1 || (operands[0] != "player" && operands[0] != "registered"))
      throw UsageError{"list needs player or registered"};
    request.list = operands[0] == "player" ? library::ListId::MList : library::ListId::AList;
  } else if (name == "register") {
    request.command = Command::Register;
    ParseRows(operands, true, request);
  } else if (name == "remove") {
    request.command = Command::Remove;
    request.list = library::ListId::AList;
    ParseRows(operands, false, request);
  } else if (name == "tick" || name == "untick") {
    request.command = name == "tick" ? Command::Tick : Command::Untick;
    request.list = library::ListId::AList;
    ParseRows(operands, true, request);
  } else if (name == "lyrics") {
    return ParseLyricsCommand(std::move(operands));
  } else {
    throw UsageError{"unknown command: " + name};
  }
  return request;
}

const char* ListName(library::ListId list) {
  return list == library::ListId::MList ? "the song list" : "the registered list";
}

// The given rows as a selection (positions from 0, ascending, each once); a row beyond the
// list is a usage error.
library::ListSelection Selection(const library::MainState& state, const Request& request) {
  const std::size_t size = state.List(request.list).size();
  library::ListSelection selection;
  if (request.all) {
    for (std::size_t i = 0; i < size; ++i) selection.rows.push_back(i);
    return selection;
  }
  for (std::size_t row : request.rows) {
    if (row > size)
      throw UsageError{"row " + std::to_string(row) + " is out of range: " + ListName(request.list) + " has " +
                       std::to_string(size) + (size == 1 ? " row" : " rows")};
    selection.rows.push_back(row - 1);
  }
  std::sort(selection.rows.begin(), selection.rows.end());
  selection.rows.erase(std::unique(selection.rows.begin(), selection.rows.end()), selection.rows.end());
  return selection;
}

// Backslash, TAB, CR and LF as two-character escapes, so that one row stays one line.
std::string EscapedBytes(const std::string& utf8) {
  std::string result;
  result.reserve(utf8.size());
  for (char c : utf8) {
    switch (c) {
      case '\\': result += "\\\\"; break;
      case '\t': result += "\\t"; break;
      case '\r': result += "\\r"; break;
      case '\n': result += "\\n"; break;
      default: result += c;
    }
  }
  return result;
}

std::string Escaped(const std::string& cp932) { return EscapedBytes(platform::Cp932ToUtf8(cp932)); }

std::string ListText(const library::SongList& rows) {
  using namespace library;
  std::string text;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const SongRow& row = rows[i];
    text += std::to_string(i + 1) + '\t' + (row.checked ? '1' : '0') + '\t' + Escaped(row.caption);
    for (std::size_t item : {kAlbum, kTrack, kArtist, kTime, kYear, kOpeningLine})
      text += '\t' + Escaped(row.sub[item]);
    // The song's path is a system path, printed as the system's bytes.
    text += '\t' + EscapedBytes(row.sub[kPath]);
    text += '\n';
  }
  return text;
}

// Lines of a code page 932 text as UTF-8, each ended by LF.
std::string LinesText(const std::string& cp932) {
  std::string text;
  for (const std::string& line : library::SplitLines(cp932)) text += platform::Cp932ToUtf8(line) + '\n';
  return text;
}

// The whole input of lyrics set; throws platform::Error naming it when it cannot be read.
std::string ReadInput(const std::optional<std::string>& file) {
  std::string content;
  int reason = 0;
  if (cli::ReadWholeInput(file ? file->c_str() : nullptr, content, reason)) return content;
  if (!file) throw platform::Error(platform::Sjis("標準入力を読み込めません。") + " (" + library::SystemReason(reason) + ")");
  throw library::FileError("ファイルを読み込めません。", *file, reason);
}

// True when every byte sequence of text is well-formed UTF-8.
bool IsWellFormedUtf8(std::string_view text) {
  const std::u16string decoded = platform::Utf8ToUtf16(text);
  return decoded.find(u'\uFFFD') == std::u16string::npos || platform::Utf16ToUtf8(decoded) == text;
}

// The encoding of the input of lyrics set. Detection looks only at the first bytes, so a text
// whose Japanese begins late is looked at from its first byte that is not ASCII.
TextCode InputCode(std::string_view text) {
  if (FirstNonAsciiOrEscape(text) == text.size()) return jcASCII;
  if (text.starts_with("\xEF\xBB\xBF")) return IsWellFormedUtf8(text.substr(3)) ? jcUTF8BOM : jcUnknown;
  const TextCode code = DetectTextCodeBeyondAscii(text);
  // The detector judges UTF-8 by a few lead bytes: a text is taken for UTF-8 exactly when it
  // is well-formed UTF-8 throughout.
  const bool utf8 = IsWellFormedUtf8(text);
  if (code == jcUTF8 || code == jcUTF8BOM) return utf8 ? jcUTF8 : jcUnknown;
  if ((code == jcSJIS || code == jcEUC || code == jcUnknown) && utf8) return jcUTF8;
  return code;
}

// Where each lost character stands, one line each, as "  LINE 行 COLUMN 文字目 U+XXXX".
std::string UnkeptPlaces(const std::vector<platform::UnkeptChar>& unkept) {
  std::string places;
  for (const platform::UnkeptChar& lost : unkept) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(lost.code));
    places += "\r\n  " + std::to_string(lost.line) + platform::Sjis(" 行 ") + std::to_string(lost.column) +
              platform::Sjis(" 文字目 ") + code;
  }
  return places;
}

// The input of lyrics set as Shift_JIS. Refuses what it cannot tell or cannot convert without
// loss, so that stored lyrics are never garbled.
std::string LyricsInputAsSjis(const std::string& input) {
  const TextCode code = InputCode(input);
  if (code == jcASCII) return input;
  if (code == jcUnknown || code == jcPass)
    throw platform::Error(platform::Sjis("入力の文字コードを判別できません。"));
  // The UTF-16 conversion keeps the signature (as "?"); it is no part of the lyrics.
  const bool utf16 = code == jcUTF16LE || code == jcUTF16BE;
  const std::string sjis = ConvertTextCode(std::string_view(input).substr(utf16 ? 2 : 0), jcSJIS, code);
  if (const std::optional<std::u16string> wide = library::UnicodeForm(input, code)) {
    const std::vector<platform::UnkeptChar> unkept = platform::Cp932Unkept(*wide);
    if (!unkept.empty())
      throw platform::Error(platform::Sjis("Shift_JISにない文字が入力に") + std::to_string(unkept.size()) +
                            platform::Sjis("個あります。歌詞は保存していません。") + UnkeptPlaces(unkept));
  }
  return sjis;
}

class Runner {
public:
  Runner(library::MainState& state, cli::CliFeedback& ui, std::string& out) : state_(state), ui_(ui), out_(out) {}

  int Run(const Request& request);

private:
  int Detect();
  int Scan(bool importLyrics);
  int Export(bool splitPages, bool cleanNotes);
  int Page(const library::ListSelection& selection, bool splitPages);
  int LyricsShow(const library::ListSelection& selection, library::ListId list);
  int LyricsSet(const library::ListSelection& selection, library::ListId list, const std::optional<std::string>& file);
  int LyricsImport(const library::ListSelection& selection, library::ListId list);

  library::MainState& state_;
  cli::CliFeedback& ui_;
  std::string& out_;
};

int Runner::Run(const Request& request) {
  // Every row is checked before anything changes.
  const library::ListSelection selection = Selection(state_, request);
  switch (request.command) {
    case Command::Detect: return Detect();
    case Command::Scan: return Scan(request.importLyrics);
    case Command::List: out_ += ListText(state_.List(request.list)); return kExitSuccess;
    case Command::Register: library::RegisterSelected(state_, selection); return kExitSuccess;
    case Command::Remove: library::RemoveSelected(state_, selection); return kExitSuccess;
    case Command::Tick:
    case Command::Untick: {
      state_.Visible = library::ListId::AList;
      const std::vector<std::size_t>* shown = request.all ? nullptr : &selection.rows;
      if (request.command == Command::Tick) library::TickAll(state_, shown);
      else library::UntickAll(state_, shown);
      library::SaveRegistered(state_);
      return kExitSuccess;
    }
    case Command::Export: return Export(request.splitPages, request.cleanNotes);
    case Command::Page: return Page(selection, request.splitPages);
    case Command::LyricsShow: return LyricsShow(selection, request.list);
    case Command::LyricsSet: return LyricsSet(selection, request.list, request.file);
    case Command::LyricsImport: return LyricsImport(selection, request.list);
  }
  return kExitFailure;
}

int Runner::Detect() {
  library::ConnectPlayer(state_, ui_);
  if (state_.DriveRoot.empty()) {
    ui_.Failure(library::NotRecognisedText());
    return kExitFailure;
  }
  out_ += state_.DriveRoot + '\n';
  return kExitSuccess;
}

int Runner::Scan(bool importLyrics) {
  library::ConnectPlayer(state_, ui_);
  if (importLyrics) library::GetAllLyrics(state_, ui_, false);
  else library::GetSongInfo(state_, ui_);
  // No player or no music folder: the error box said so and the song list is as it was.
  if (ui_.ErrorShown()) return kExitFailure;
  library::WritePlayerList(state_);
  out_ += std::to_string(state_.MList.size()) + '\n';
  return kExitSuccess;
}

int Runner::Export(bool splitPages, bool cleanNotes) {
  library::ConnectPlayer(state_, ui_);
  state_.SplitPages = state_.SplitPages || splitPages;
  state_.CleanNotes = state_.CleanNotes || cleanNotes;
  ui_.MuteInformation(true);  // the report goes to standard output instead
  const library::ExportReport report = library::ExportNotes(state_, ui_);
  ui_.MuteInformation(false);
  if (ui_.ErrorShown()) return kExitFailure;
  out_ += cli::Utf8WithUnixLineBreaks(library::ExportReportText(report));
  if (!out_.empty() && out_.back() != '\n') out_ += '\n';
  return kExitSuccess;
}

int Runner::Page(const library::ListSelection& selection, bool splitPages) {
  // Links to pages already on the player look at it when there is one; none is no failure.
  state_.DriveRoot = library::FindPlayerDrive(state_);
  for (const library::NotePart& part : library::PreviewNotesPages(state_, selection.rows.front(), splitPages))
    out_ += part.content;
  return kExitSuccess;
}

int Runner::LyricsShow(const library::ListSelection& selection, library::ListId list) {
  const std::optional<library::EditorContent> content = library::OpenLyricsEditor(state_, list, selection);
  if (content && content->text) out_ += LinesText(*content->text);
  return kExitSuccess;
}

int Runner::LyricsSet(const library::ListSelection& selection, library::ListId list,
                      const std::optional<std::string>& file) {
  const std::string text = LyricsInputAsSjis(ReadInput(file));
  if (!library::OpenLyricsEditor(state_, list, selection)) return kExitFailure;
  state_.LyricsText = text;
  library::SaveLyrics(state_);
  return kExitSuccess;
}

int Runner::LyricsImport(const library::ListSelection& selection, library::ListId list) {
  library::ImportLyricsOfRow(state_, ui_, selection, list);
  return kExitSuccess;
}

struct CommandLine {
  std::vector<char*> platformArguments;  // the program name and the global options
  std::string command;
  std::vector<std::string> operands;
  bool help = false;
  bool version = false;
};

CommandLine SplitCommandLine(int argc, char** argv) {
  CommandLine line;
  line.platformArguments.push_back(argv[0]);
  int i = 1;
  for (; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      line.help = true;
      return line;
    }
    if (arg == "--version") {
      line.version = true;
      return line;
    }
    const bool dataDir = IsGlobalOption(arg, "--data-dir");
    if (!dataDir && !IsGlobalOption(arg, "--player")) break;
    line.platformArguments.push_back(argv[i]);
    if (arg.find('=') == std::string_view::npos) {
      if (i + 1 >= argc) throw UsageError{std::string(arg) + " needs a DIR"};
      line.platformArguments.push_back(argv[++i]);
    }
  }
  if (i >= argc) throw UsageError{"COMMAND needed"};
  line.command = argv[i];
  for (++i; i < argc; ++i) line.operands.emplace_back(argv[i]);
  return line;
}

// How long a command waits for another writer of the data folder: kCommandLockWait, or the
// milliseconds in LYRIMATE_LOCK_WAIT_MS (scripts and tests that must not wait so long).
std::chrono::milliseconds LockWait() {
  const char* given = std::getenv("LYRIMATE_LOCK_WAIT_MS");
  if (given == nullptr || *given == '\0') return library::kCommandLockWait;
  char* end = nullptr;
  const long value = std::strtol(given, &end, 10);
  if (*end != '\0' || value < 0) return library::kCommandLockWait;
  return std::chrono::milliseconds(value);
}

int ShowUsageError(const UsageError& error) {
  std::fprintf(stderr, "lyrimate-cli: %s\n%s", error.message.c_str(), kUsage);
  return kExitUsage;
}

bool WriteOut(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0) return true;
  std::fprintf(stderr, "lyrimate-cli: cannot write standard output: %s\n", std::strerror(errno));
  return false;
}

int Main(int argc, char** argv) {
  CommandLine line;
  Request request;
  try {
    line = SplitCommandLine(argc, argv);
    if (line.help) {
      std::fputs(kUsage, stdout);
      std::fputs(kHelp, stdout);
      return kExitSuccess;
    }
    if (line.version) {
      std::printf("lyrimate-cli %s\n", lyrimate::kVersion);
      return kExitSuccess;
    }
    request = ParseCommand(line.command, line.operands);
  } catch (const UsageError& error) {
    return ShowUsageError(error);
  }

  const int platformCount = static_cast<int>(line.platformArguments.size());
  line.platformArguments.push_back(nullptr);
  platform::InitAppDir(platformCount, line.platformArguments.data());
  platform::SetExtraRoots(platform::PlayerArguments(platformCount, line.platformArguments.data()));

  cli::CliFeedback ui;
  std::string out;
  int status = kExitSuccess;
  try {
    // The whole command, from reading the lists to saving them, runs under the lock.
    const library::DataFolderLock lock(platform::AppDir(), LockWait());
    library::MainState state;
    // A list file that does not load ends the run here, before anything could be saved over it.
    library::LoadLists(state, library::ListsToLoad::Both);
    library::RemoveDataFolderTemporaries(state.AppDir);
    status = Runner(state, ui, out).Run(request);
  } catch (const UsageError& error) {
    return ShowUsageError(error);
  } catch (const platform::Error& error) {
    ui.Failure(error.what());
    status = kExitFailure;
  } catch (const std::bad_alloc&) {
    ui.Failure(platform::Sjis("メモリが足りません。"));
    status = kExitFailure;
  }
  if (!WriteOut(out)) return kExitFailure;
  if (status == kExitSuccess && ui.ErrorShown()) status = kExitFailure;
  return status;
}

}  // namespace

int main(int argc, char** argv) { return Main(argc, argv); }
