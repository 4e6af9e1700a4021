// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one file class every reader and writer goes through. Paths are in the system's form.
// Every failure is reported by the return value; nothing throws.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace platform {

class File {
public:
  enum class Mode {
    Read,       // existing file, read only
    ReadWrite,  // existing file, read and write
    Create,     // create or empty the file, read and write
    // existing file, read only, never reached through a symbolic link: a link in its place
    // is refused (ELOOP) and nothing behind it is opened
    ReadNoLink,
  };

  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;

  // Opens regular files only: a folder, FIFO, socket or device is refused at once (without
  // blocking), errno then telling why. The kernel is told that reads are random, so that it
  // brings in the pages asked for and no read-ahead behind them.
  bool Open(const std::string& path, Mode mode);
  // The same as Open (paths are in the system's form everywhere).
  bool OpenSystemPath(const std::string& systemPath, Mode mode);
  // Takes over an open descriptor (closed here on failure): a regular file only, as Open.
  bool Adopt(int fd, Mode mode);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Size of the file in bytes, -1 on failure.
  std::int64_t Size() const;
  std::int64_t Position() const { return pos_; }
  // Moves the position; positions past the end are allowed (reads there return 0 bytes).
  bool Seek(std::int64_t position);
  // Reads up to count bytes at the position and advances it; returns the number read: short
  // at the end of the file, or where an input/output error stopped it (ReadFailed then
  // tells the two apart). Small reads are served from whole pages kept in a small cache;
  // nothing past the end of the file is asked for.
  std::size_t Read(void* buffer, std::size_t count);
  // An input/output error happened in a read since the file was opened (errno of that error
  // in ReadError); the end of the file is no error.
  bool ReadFailed() const { return readError_ != 0; }
  int ReadError() const { return readError_; }
  // Reads exactly count bytes or fails (the position then is unspecified).
  bool ReadExact(void* buffer, std::size_t count);
  // Reads up to count bytes at the position into a new vector (never more than the file holds).
  std::vector<std::uint8_t> ReadBytes(std::size_t count);
  bool Write(const void* buffer, std::size_t count);
  bool Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }
  // Cuts or extends the file to size bytes; the position stays.
  bool Truncate(std::int64_t size);
  // Flushes written data to the disk.
  bool Sync();

private:
  void DropCache();
  // pread of count bytes at offset, retried on interruption; records an error.
  std::size_t ReadAt(void* buffer, std::size_t count, std::int64_t offset);
  // Bytes from the position to the end of the file, or count when the size is unknown.
  std::size_t Available(std::size_t count) const;

  int fd_ = -1;
  std::int64_t pos_ = 0;
  // Small read cache so that readers may read headers field by field; allocated on the
  // first small read and never cleared (only its first cacheLength_ bytes are valid).
  std::unique_ptr<std::uint8_t[]> cache_;
  std::size_t cacheLength_ = 0;
  std::int64_t cacheStart_ = 0;
  // The size taken at opening when the file is open read-only (-1 otherwise): this
  // program reads the files of the player, it does not watch them grow.
  std::int64_t readOnlySize_ = -1;
  int readError_ = 0;
};

// Whether a whole-file replacement flushes the new content to the disk before the rename.
// Unsynced suits many small files that are flushed together afterwards (SyncFileSystem).
enum class Durability { Synced, Unsynced };

// Whole-file helpers. On failure errno tells the system's reason.
bool ReadWholeFile(const std::string& path, std::string& content);
// The same for a path in the system's form; a file larger than maxBytes is refused with
// EFBIG before anything is read.
bool ReadWholeFileAt(const std::string& systemPath, std::string& content, std::size_t maxBytes);
// The whole content of a file the user writes (lyrics, lists): a regular file only, never
// read through a symbolic link. A link gives ELOOP, a folder EISDIR, a FIFO, socket or
// device EINVAL; nothing is read from them.
bool ReadRegularFile(const std::string& path, std::string& content);
// The same for the first maxBytes bytes at most (fewer when the file is shorter), with as
// few system calls as can be: for reading the start of many files.
bool ReadRegularFileStart(const std::string& path, std::string& content, std::size_t maxBytes);
// The same for name relative to the folder opened as folderFd (AT_FDCWD: the current folder).
bool ReadRegularFileStartAt(int folderFd, const std::string& name, std::string& content, std::size_t maxBytes);
// Writes content to a temporary file in the same folder, then renames it over path.
// On failure path is untouched and the temporary file is removed.
bool ReplaceFileContent(const std::string& path, const std::string& content,
                        Durability durability = Durability::Synced);
// The same with the content given as pieces, written one after the other.
bool ReplaceFileContent(const std::string& path, std::span<const std::string> pieces,
                        Durability durability = Durability::Synced);
// Flushes everything written to the file system that holds path (syncfs).
bool SyncFileSystem(const std::string& path);
// For tests: from now on writes through File put at most bytes more, then fail with ENOSPC
// (a disk that fills up halfway through a write); a negative count lifts the limit.
void SimulateFullDiskAfter(std::int64_t bytes);
// For tests: from now on reads through File fail with EIO once they reach this offset of a
// file (a bad sector); a negative offset lifts it.
void SimulateReadErrorAt(std::int64_t offset);

// The start of every temporary file name this program makes; the rest is six characters
// of [A-Za-z0-9].
inline constexpr const char* TemporaryPrefix = ".lyrimate-tmp.";
inline constexpr std::size_t TemporaryUniqueLength = 6;
inline constexpr const char* TemporaryUniqueAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// True for a name this program gives its temporary files, and for no other.
bool IsTemporaryName(const std::string& name);

// The two halves of a whole-file replacement, for writers that stream the new content:
// creates an empty temporary file (TemporaryPrefix + six characters) in the folder of path,
// held open read-write through the descriptor mkstemp gave; temporaryPath is the system
// path mkstemp made, used as it is from then on;
bool CreateTemporaryBeside(const std::string& path, File& file, std::string& temporaryPath);
// then flushes it and renames it over path in one step and closes it. On failure the
// temporary file is removed and path is untouched.
bool CommitTemporary(File& file, const std::string& temporaryPath, const std::string& path,
                     Durability durability = Durability::Synced);
// Closes and removes a temporary file whose write failed; errno is kept.
void DiscardTemporary(File& file, const std::string& temporaryPath);

}  // namespace platform
