#pragma once
// Whole-file copy with progress reports, used by the backup.
//
// The copy is written to a temporary file beside the target, flushed to the disk and only then
// renamed over the target. A failure at any point (unreadable source, full or read-only
// destination, a name the destination refuses) removes the temporary file, so the target name
// never holds a partial copy; an existing target keeps its old content until the rename.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>

enum class CopyProgress { Continue, Quiet };

// Called with the source's size and the bytes written so far: before the first chunk (0
// transferred) and after every chunk while the copy is incomplete, then once with transferred
// equal to total when the copy stands complete under the target's name; an empty file gets that
// last report only. No more reports follow an answer of Quiet.
using CopyProgressRoutine = std::function<CopyProgress(std::uint64_t total, std::uint64_t transferred)>;

// Copies source to target, overwriting an existing target. Returns true when the complete copy
// stands under the target's name. Setting *cancel (checked between chunks) abandons the copy.
bool CopyFileWithProgress(const std::filesystem::path& source, const std::filesystem::path& target,
                          const CopyProgressRoutine& progress, std::size_t chunk_size = 1 << 20,
                          const std::atomic<bool>* cancel = nullptr);
