#pragma once
// The log source and level the framework's diagnostic lines go out under.

#include "pel/log/Log.h"

#include <cstdint>

constexpr uint32_t AF_LOG_SOURCE = pel::LOG_UNKNOWN_SOURCE; // 0x629B9E5B
constexpr int AF_LOG_LEVEL = pel::LOG_INFO;
