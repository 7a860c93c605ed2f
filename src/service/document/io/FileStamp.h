#pragma once
// The document engine's names for a file's states (pel::FileStamp: its write and change times,
// size and identity on its volume) and contents (pel::FileDigest, and pel::FileVersion: the file
// as a read or write of it left it).

#include "pel/files/FileDigest.h"
#include "pel/files/FileStamp.h"

namespace tessel {

using FileStamp = pel::FileStamp;
using FileDigest = pel::FileDigest;
using FileVersion = pel::FileVersion;

} // namespace tessel
