#pragma once
// An endless input stream of random bytes: two generators and the running clock mixed through
// SHA-1. Good for seeds and boundaries, not for secrets.

#include "pel/stream/TBasicBufferedStreamBuf.h"

#include <istream>

namespace pel {

class RandomBuf : public BufferedStreamBuf {
public:
    RandomBuf();

protected:
    int readFromDevice(char* buffer, int length) override;
};

class RandomIOS : public virtual std::ios {
public:
    RandomIOS() { init(&m_buf); }
    RandomBuf* rdbuf() { return &m_buf; }

protected:
    RandomBuf m_buf;
};

class RandomInputStream : public RandomIOS, public std::istream {
public:
    RandomInputStream() : std::istream(&m_buf) {}
};

} // namespace pel
