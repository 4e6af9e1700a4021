// SPDX-License-Identifier: GPL-3.0-or-later
// lyrimate-bench make-tree ROOT N [--song-sizes]: writes a synthetic player with N songs
// under ROOT. With --song-sizes every file is as large as a song (3 to 8 MiB): a sparse hole
// between the file's head and its tail, so that the disk holds only those two ends.
// About 85% are MP3 files (ID3v2.3 with Latin-1 and UTF-16 frames, Japanese text, USLT
// lyrics, iTunes-like padding, valid MPEG-1 Layer III frames, some with a Xing header and
// an ID3v1 tag) and 15% M4A files (ftyp, moov with mvhd, a sound track and an ilst).
// The tree depends on N alone.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "bench/Bench.h"

namespace {

namespace fs = std::filesystem;

class Random {
public:
  explicit Random(std::uint64_t seed) : state_(seed * 6364136223846793005ULL + 1442695040888963407ULL) {}
  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }

private:
  std::uint64_t state_;
};

class Out {
public:
  Out& U8(int v) { data.push_back(static_cast<char>(v & 0xFF)); return *this; }
  Out& Be16(std::uint32_t v) { return U8(v >> 8).U8(v); }
  Out& Be32(std::uint32_t v) { return Be16(v >> 16).Be16(v & 0xFFFF); }
  Out& Syncsafe(std::uint32_t v) { return U8(v >> 21 & 0x7F).U8(v >> 14 & 0x7F).U8(v >> 7 & 0x7F).U8(v & 0x7F); }
  Out& Text(const std::string& s) { data += s; return *this; }
  Out& Fill(std::size_t n, int v = 0) { data.append(n, static_cast<char>(v)); return *this; }
  std::string data;
};

std::string Utf16LeWithBom(const std::u16string& text) {
  Out out;
  out.U8(0xFF).U8(0xFE);
  for (char16_t c : text) out.U8(c).U8(c >> 8);
  return out.data;
}

std::u16string Widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

const std::u16string JapaneseTitles[] = {u"桜の歌", u"夜空のむこう", u"ありがとう", u"夏祭り", u"島唄", u"涙そうそう"};
const std::u16string JapaneseAlbums[] = {u"ベスト・アルバム", u"春夏秋冬", u"東京物語", u"海辺の街"};
const std::u16string JapaneseArtists[] = {u"山田花子", u"スピッツ風", u"東京バンド"};

struct Song {
  std::u16string title, album, artist;
  bool japanese = false;
  int track = 1;
  int year = 2000;
  std::u16string lyrics;
};

Song MakeSong(Random& random, int index) {
  Song song;
  song.japanese = random.Below(3) != 0;
  std::u16string number = Widen(std::to_string(index));
  if (song.japanese) {
    song.title = JapaneseTitles[random.Below(6)] + u" " + number;
    song.album = JapaneseAlbums[random.Below(4)];
    song.artist = JapaneseArtists[random.Below(3)];
  } else {
    song.title = u"Song " + number;
    song.album = u"Album " + Widen(std::to_string(random.Below(400)));
    song.artist = u"Artist " + Widen(std::to_string(random.Below(100)));
  }
  song.track = 1 + random.Below(14);
  song.year = 1970 + random.Below(55);
  if (random.Below(2) == 0) {
    for (int line = 0; line < 20; ++line) song.lyrics += u"春の風に吹かれて　君を想う\r\n";
  }
  return song;
}

// A text frame: Latin-1 when the text is ASCII, else UTF-16 with a byte-order mark.
std::string TextFrame(const std::string& id, const std::u16string& text) {
  bool ascii = true;
  for (char16_t c : text) ascii = ascii && c < 0x80;
  std::string body = ascii ? std::string(1, '\0') + std::string(text.begin(), text.end())
                           : std::string(1, '\1') + Utf16LeWithBom(text);
  Out frame;
  frame.Text(id).Be32(static_cast<std::uint32_t>(body.size())).Be16(0).Text(body);
  return frame.data;
}

// COMM and USLT: encoding, language, empty description, text.
std::string LongTextFrame(const std::string& id, const std::u16string& text) {
  std::string body = std::string(1, '\1') + "jpn" + Utf16LeWithBom(u"") + std::string(2, '\0') +
                     Utf16LeWithBom(text);
  Out frame;
  frame.Text(id).Be32(static_cast<std::uint32_t>(body.size())).Be16(0).Text(body);
  return frame.data;
}

std::string Id3v2Tag(const Song& song) {
  std::string frames = TextFrame("TIT2", song.title) + TextFrame("TPE1", song.artist) +
                       TextFrame("TALB", song.album) +
                       TextFrame("TRCK", Widen(std::to_string(song.track) + "/14")) +
                       TextFrame("TYER", Widen(std::to_string(song.year))) +
                       TextFrame("TCON", u"(17)Rock") + LongTextFrame("COMM", u"Ripped for the benchmark");
  if (!song.lyrics.empty()) frames += LongTextFrame("USLT", song.lyrics);
  std::size_t padding = 2048;
  Out tag;
  tag.Text("ID3").U8(3).U8(0).U8(0).Syncsafe(static_cast<std::uint32_t>(frames.size() + padding));
  tag.Text(frames).Fill(padding);
  return tag.data;
}

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz, joint stereo: 417-byte frames.
constexpr int FrameLength = 417;

std::string MpegFrames(int count, bool xing) {
  Out out;
  for (int i = 0; i < count; ++i) {
    std::size_t start = out.data.size();
    out.U8(0xFF).U8(0xFB).U8(0x90).U8(0x44);
    if (i == 0 && xing) {
      out.Fill(32);  // side information of a stereo MPEG-1 frame
      out.Text("Xing").Be32(0x0F).Be32(static_cast<std::uint32_t>(count)).Be32(static_cast<std::uint32_t>(count * FrameLength));
      for (int t = 0; t < 100; ++t) out.U8(t * 255 / 100);
      out.Be32(60);
      out.Text("LAME3.100");
    }
    out.Fill(FrameLength - (out.data.size() - start), 0x55);
  }
  return out.data;
}

std::string Fixed(const std::string& text, std::size_t size) {
  std::string field = text.substr(0, size);
  field.resize(size, '\0');
  return field;
}

std::string Id3v1Tag(int index, const Song& song) {
  return "TAG" + Fixed("Song " + std::to_string(index), 30) + Fixed("Artist", 30) +
         Fixed("Album", 30) + Fixed(std::to_string(song.year), 4) + Fixed("Comment", 28) +
         std::string(1, '\0') + std::string(1, static_cast<char>(song.track)) + std::string(1, '\x11');
}

// A song file's content in two parts, so that a hole can be put between them; together
// the two parts are the whole file.
struct SongBytes {
  std::string head, tail;
};

SongBytes Mp3File(Random& random, int index, const Song& song) {
  bool xing = random.Below(4) == 0;
  const int frames = 20 + random.Below(40);
  const std::string audio = MpegFrames(frames, xing);
  const std::size_t headFrames = static_cast<std::size_t>(frames / 2) * FrameLength;
  SongBytes file{Id3v2Tag(song) + audio.substr(0, headFrames), audio.substr(headFrames)};
  if (random.Below(3) == 0) file.tail += Id3v1Tag(index, song);
  return file;
}

std::string Atom(const std::string& type, const std::string& payload) {
  Out atom;
  atom.Be32(static_cast<std::uint32_t>(payload.size() + 8)).Text(type).Text(payload);
  return atom.data;
}

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string DataAtom(int type, const std::string& value) {
  Out payload;
  payload.Be32(static_cast<std::uint32_t>(type)).Be32(0).Text(value);
  return Atom("data", payload.data);
}

std::string TextItem(const std::string& type, const std::u16string& text) {
  return Atom(type, DataAtom(1, Utf8(text)));
}

SongBytes M4aFile(Random& random, const Song& song) {
  const std::uint32_t timeScale = 44100;
  const std::uint32_t duration = timeScale * static_cast<std::uint32_t>(120 + random.Below(240));
  Out mvhd;
  mvhd.U8(0).Fill(3).Be32(0).Be32(0).Be32(timeScale).Be32(duration).Be32(0x00010000).Be16(0x0100).Fill(10);
  mvhd.Fill(36).Fill(24).Be32(2);
  Out mdhd;
  mdhd.U8(0).Fill(3).Be32(0).Be32(0).Be32(timeScale).Be32(duration).Be16(0x55C4).Be16(0);
  Out hdlr;
  hdlr.Be32(0).Be32(0).Text("soun").Fill(12).Text("SoundHandler").U8(0);
  Out mp4a;
  mp4a.Fill(6).Be16(1).Fill(8).Be16(2).Be16(16).Be16(0).Be16(0).Be32(timeScale << 16);
  Out stsd;
  stsd.Be32(0).Be32(1).Text(Atom("mp4a", mp4a.data));
  Out empty;
  empty.Be32(0).Be32(0);
  std::string stbl = Atom("stbl", Atom("stsd", stsd.data) + Atom("stts", empty.data) +
                                      Atom("stsz", empty.data + std::string(4, '\0')) +
                                      Atom("stsc", empty.data) + Atom("stco", empty.data));
  Out smhd;
  smhd.Be32(0).Be32(0);
  std::string minf = Atom("minf", Atom("smhd", smhd.data) + stbl);
  std::string trak = Atom("trak", Atom("mdia", Atom("mdhd", mdhd.data) + Atom("hdlr", hdlr.data) + minf));
  Out trkn;
  trkn.Be16(0).Be16(static_cast<std::uint32_t>(song.track)).Be16(14).Be16(0);
  std::string ilst = TextItem("\xA9nam", song.title) + TextItem("\xA9" "ART", song.artist) +
                     TextItem("\xA9" "alb", song.album) + Atom("trkn", DataAtom(0, trkn.data)) +
                     TextItem("\xA9" "day", Widen(std::to_string(song.year))) +
                     TextItem("\xA9" "cmt", u"Ripped for the benchmark");
  if (!song.lyrics.empty()) ilst += TextItem("\xA9lyr", song.lyrics);
  Out metaHandler;
  metaHandler.Be32(0).Be32(0).Text("mdir").Text("appl").Fill(9);
  Out meta;
  meta.Be32(0).Text(Atom("hdlr", metaHandler.data)).Text(Atom("ilst", ilst));
  std::string moov = Atom("moov", Atom("mvhd", mvhd.data) + trak + Atom("udta", Atom("meta", meta.data)));
  Out ftyp;
  ftyp.Text("M4A ").Be32(0).Text("M4A mp42isom");
  const std::string mdat = Atom("mdat", std::string(8000 + random.Below(8000), '\x21'));
  return {Atom("ftyp", ftyp.data) + moov + Atom("free", std::string(1024, '\0')) + mdat.substr(0, 4096),
          mdat.substr(4096)};
}

// Grows an atom's 32-bit size field at offset by extra bytes.
void GrowAtomSize(std::string& bytes, std::size_t offset, std::uint64_t extra) {
  std::uint32_t size = 0;
  for (int i = 0; i < 4; ++i) size = size << 8 | static_cast<std::uint8_t>(bytes[offset + i]);
  size += static_cast<std::uint32_t>(extra);
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(size >> (24 - 8 * i));
}

std::string FourLetterName(Random& random) {
  std::string name;
  for (int i = 0; i < 4; ++i) name += static_cast<char>('A' + random.Below(26));
  return name;
}

bool WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return static_cast<bool>(out);
}

bool WriteAll(int fd, const std::string& bytes, off_t offset) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::pwrite(fd, bytes.data() + done, bytes.size() - done, offset + static_cast<off_t>(done));
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

// The head, a hole of hole bytes that takes no room on the disk, then the tail.
bool WriteSparseFile(const fs::path& path, const SongBytes& song, std::uint64_t hole) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const auto tailAt = static_cast<off_t>(song.head.size() + hole);
  const bool written = WriteAll(fd, song.head, 0) && WriteAll(fd, song.tail, tailAt);
  return ::close(fd) == 0 && written;
}

}  // namespace

int bench::MakeTree(const Arguments& args) {
  const bool songSizes = args.size() == 3 && args[2] == "--song-sizes";
  if (args.size() != 2 && !songSizes) {
    std::fprintf(stderr, "usage: lyrimate-bench make-tree ROOT N [--song-sizes]\n");
    return 2;
  }
  const fs::path root = args[0];
  const int count = std::atoi(args[1].c_str());
  if (count < 0) {
    std::fprintf(stderr, "make-tree: N must be a number of songs\n");
    return 2;
  }
  std::error_code error;
  fs::create_directories(root / "iPod_Control" / "Device", error);
  if (error || !WriteFile(root / "iPod_Control" / "Device" / "SysInfo", "ModelNumStr: MA450\n")) {
    std::fprintf(stderr, "make-tree: cannot write under %s\n", root.c_str());
    return 1;
  }
  const fs::path music = root / "iPod_Control" / "Music";
  for (int folder = 0; folder < 50; ++folder) {
    char name[16];  // room for any int, so the compiler sees no truncation
    std::snprintf(name, sizeof name, "F%02d", folder);
    fs::create_directories(music / name, error);
  }
  Random random(static_cast<std::uint64_t>(count));
  // The holes have their own sequence, so the songs are the same with or without them.
  Random holes(static_cast<std::uint64_t>(count) + 1);
  std::set<std::string> used;
  for (int index = 0; index < count; ++index) {
    char folder[8];
    std::snprintf(folder, sizeof folder, "F%02d", index % 50);
    Song song = MakeSong(random, index);
    bool m4a = random.Below(100) < 15;
    std::string name;
    do {
      name = std::string(folder) + "/" + FourLetterName(random) + (m4a ? ".m4a" : ".mp3");
    } while (!used.insert(name).second);
    SongBytes content = m4a ? M4aFile(random, song) : Mp3File(random, index, song);
    bool written = false;
    if (songSizes) {
      constexpr std::uint64_t MiB = 1024 * 1024;
      const std::uint64_t hole = 3 * MiB + holes.Next() % (5 * MiB);
      // An M4A file's hole lies inside its mdat atom, the last one, whose size says so.
      if (m4a) GrowAtomSize(content.head, content.head.size() - 4096, hole);
      written = WriteSparseFile(music / name, content, hole);
    } else {
      written = WriteFile(music / name, content.head + content.tail);
    }
    if (!written) {
      std::fprintf(stderr, "make-tree: cannot write %s\n", (music / name).c_str());
      return 1;
    }
  }
  std::printf("make-tree: %d songs under %s\n", count, root.c_str());
  return 0;
}
