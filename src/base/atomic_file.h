#pragma once

// Replacing a file as a whole so that, whatever happens half-way (a full disk,
// a crash, a power cut), the file holds either its old or its new contents.

#include <sys/types.h>

#include <string>
#include <string_view>

namespace pontavi {

// Which step of a save failed; the target file is then unchanged and no
// temporary file is left behind.
enum class AtomicSaveError {
    None,
    Folder,    // the target's folder is missing (and was not to be, or could not be, created)
    TempFile,  // no new file could be created in the target's folder
    Write,     // writing or flushing the new contents failed (disk full, I/O error)
    Rename,    // the finished file could not take the target's place
};

struct AtomicSaveResult {
    AtomicSaveError error = AtomicSaveError::None;
    int errnoValue = 0;  // the system's reason for the failed step
    // A secret's save took group and other permissions away from the old file.
    bool tightened = false;
    explicit operator bool() const { return error == AtomicSaveError::None; }
};

struct AtomicSaveOptions {
    // The mode of a file that did not exist before; a replaced file keeps its own.
    mode_t newFileMode = 0600;
    // The contents are a secret (a password): neither the new file nor a
    // replaced one keeps group or other permissions.
    bool secret = false;
    // Missing folders on the way to the target are created with folderMode.
    bool createFolders = false;
    mode_t folderMode = 0700;
};

// Writes `contents` to a new file with a unique name in the target's folder,
// gives it the old file's permission bits (or options.newFileMode; a secret
// only the owner's), flushes it
// to disk, renames it over `path` and flushes the folder, so the rename itself
// is durable. A folder that cannot be flushed does not fail the save: the new
// file is complete and in place by then.
AtomicSaveResult SaveFileAtomically(const std::string& path, std::string_view contents,
                                    const AtomicSaveOptions& options = {});

// The folder part of `path` ("." when it has none, "/" for a file at the root).
std::string FolderOf(const std::string& path);

}  // namespace pontavi
