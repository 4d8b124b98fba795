// Whole-file reads with a size bound, and replacement of a file that is never seen half-written.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

enum class FileReadStatus {
    kRead,     // `bytes` holds the whole file
    kMissing,  // the file, or a directory on its path, does not exist
    kFailed,   // it exists but cannot be used: unreadable, not a regular file, over the bound
};

struct FileContent {
    FileReadStatus status = FileReadStatus::kMissing;
    std::string bytes;
};

// Reads a regular file of at most `maxBytes` bytes. Never blocks on a FIFO or a device.
FileContent ReadWholeFile(const std::filesystem::path& file, std::size_t maxBytes);

// Replaces `file` by `bytes`: the new content is written to a temporary file beside it, flushed
// to disk and renamed over it, so readers and a crash see either the old file or the new one.
// An existing file keeps its permissions; a symbolic link is followed and stays a link. Refused
// (false, nothing changed) when the file exists and is not writable by this process, or any
// step fails (read-only or missing directory, name too long, disk full). The temporary files
// that writers which crashed left beside it (".profile-*.tmp") are removed first; one that a
// live writer is still writing is left alone.
bool ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes);

}  // namespace platform
