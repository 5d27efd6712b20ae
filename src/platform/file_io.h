// Whole-file input/output: read, write, replace safely, follow links.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Whole-file write: creates or replaces `path`.  1 on success, 0 on failure
// with errno describing the cause.  A failed close after a successful write
// is fatal.
int plt__write_blob(const std::u16string &path, const void *bytes, std::size_t len);
// Safe replacement: writes a temporary file in the same folder, flushes it to
// disk and renames it over `path`.  On failure the old file is untouched and
// the temporary file removed; 0 with errno set.  A new file gets the usual
// permissions, a replaced one keeps its own.
// Through a symbolic link the file it points at is replaced in its own folder.
int plt__replace_file(const std::u16string &path, const void *bytes, std::size_t len);
// Every byte written to the open `fd` (through interrupted and short writes)
// and flushed to disk: 0, or the errno that stopped it.
int plt__write_all_and_sync(int fd, const void *bytes, std::size_t len);
// Whole-file read of a regular file: 1 with the bytes in `out`, 0 with errno
// set.  A folder gives EISDIR, a FIFO, device or socket EINVAL (and is never
// waited on), a file above `max_len` bytes EFBIG.
int plt__read_blob(const std::u16string &path, std::vector<unsigned char> &out,
                   std::size_t max_len = static_cast<std::size_t>(-1));
// Why a file could not be read, in words: from the errno plt__read_blob
// (or open) left ("такого файла нет", "это папка", ...).
std::u16string plt__read_error_text(int error);
// False only when nothing is there: no such file, or a folder on the way
// missing (another failure, such as a folder that may not be read, is no
// proof that the file is gone).
bool plt__file_exists(const std::u16string &path);
// The path a chain of symbolic links ends at (the path itself when it is not
// a link); the end need not exist.
std::string plt__resolve_link(const std::string &path);
