#pragma once
// Reading files the user names. Only a regular file is read: a FIFO, a
// device node or a directory is refused without blocking, and a file above
// a caller's bound is refused instead of being loaded.
#include <cstdint>
#include <string>
#include <vector>

namespace printune {

// The bound of ReadFileBytes when the caller gives none: far above any test
// data or history file, far below what would strain memory.
inline constexpr int64_t FILE_BYTES_LIMIT = 64LL << 20;

// Opens path for reading and checks on the open descriptor that it is a
// regular file; its length goes to size. -1 with errno-style err otherwise:
// EISDIR for a directory, EINVAL for any other kind of file.
int OpenRegularFile(const std::string& path, int64_t& size, int* err = nullptr);

// Whether an error of OpenRegularFile or ReadFileBytes means "not a regular
// file" (rather than missing or unreadable).
bool IsNotRegularFileError(int err);

// The whole file in out; false (out empty, errno kept in err) when it cannot
// be read, is not a regular file, or holds more than maxBytes (EFBIG).
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out, int* err = nullptr,
                   int64_t maxBytes = FILE_BYTES_LIMIT);

// Reads n bytes at offset; false on an error or when the file ends before.
bool ReadFileAt(int fd, int64_t offset, uint8_t* out, size_t n);

} // namespace printune
