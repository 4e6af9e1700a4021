#pragma once
// The one file class every reader and writer goes through. Paths are code page 932.
// Every failure is reported by the return value; nothing throws.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class File {
public:
  enum class Mode {
    Read,       // existing file, read only
    ReadWrite,  // existing file, read and write
    Create,     // create or empty the file, read and write
  };

  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;

  // Opens regular files only: a folder, FIFO, socket or device is refused at once (without
  // blocking), errno then telling why.
  bool Open(const std::string& path, Mode mode);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Size of the file in bytes, -1 on failure.
  std::int64_t Size() const;
  std::int64_t Position() const { return pos_; }
  // Moves the position; positions past the end are allowed (reads there return 0 bytes).
  bool Seek(std::int64_t position);
  // Reads up to count bytes at the position and advances it; returns the number read
  // (short at the end of the file, 0 on failure).
  std::size_t Read(void* buffer, std::size_t count);
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
};

// Whether a whole-file replacement flushes the new content to the disk before the rename.
// Unsynced suits many small files that are flushed together afterwards (SyncFileSystem).
enum class Durability { Synced, Unsynced };

// Whole-file helpers. On failure errno tells the system's reason.
bool ReadWholeFile(const std::string& path, std::string& content);
// Writes content to a temporary file in the same folder, then renames it over path.
// On failure path is untouched and the temporary file is removed.
bool ReplaceFileContent(const std::string& path, const std::string& content,
                        Durability durability = Durability::Synced);
// Flushes everything written to the file system that holds path (syncfs).
bool SyncFileSystem(const std::string& path);
// For tests: from now on writes through File put at most bytes more, then fail with ENOSPC
// (a disk that fills up halfway through a write); a negative count lifts the limit.
void SimulateFullDiskAfter(std::int64_t bytes);

// The two halves of a whole-file replacement, for writers that stream the new content:
// creates an empty temporary file in the folder of path and opens it read-write;
bool CreateTemporaryBeside(const std::string& path, File& file, std::string& temporaryPath);
// then flushes and closes it and renames it over path in one step. On failure the
// temporary file is removed and path is untouched.
bool CommitTemporary(File& file, const std::string& temporaryPath, const std::string& path,
                     Durability durability = Durability::Synced);

}  // namespace platform
