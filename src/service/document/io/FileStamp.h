#pragma once
// The document engine's name for one state of a file (pel::FileStamp): its write time, size and
// identity on its volume.

#include "pel/files/FileStamp.h"

namespace tessel {

using FileStamp = pel::FileStamp;

} // namespace tessel
