#pragma once
// The library's pseudo-random generator: an additive feedback generator over a state table of
// 8 to 256 bytes, seeded through the minimal standard multiplicative generator. Not for secrets.

#include <cstdint>

namespace pel {

class Random {
public:
    explicit Random(int stateSize = 256);
    ~Random();
    // A generator owns its state table; copies would share or alias it.
    Random(const Random&) = delete;
    Random& operator=(const Random&) = delete;

    void seed(uint32_t seed);
    // Fills the state table from a RandomInputStream.
    void seed();

    uint32_t next(); // 31 bits
    uint32_t next(uint32_t n); // next() mod n; n must not be 0
    char nextChar();
    bool nextBool();
    float nextFloat();   // [0, 1]
    double nextDouble(); // [0, 1]

    // 16807 x mod (2^31 - 1) without overflow; 0 stands for 123459876.
    static int32_t goodRand(int32_t x);

protected:
    void initState(uint32_t seed, char* buffer, int size);

private:
    int32_t* m_front;
    int32_t* m_rear;
    int32_t* m_table;
    int m_randType;
    int m_randDeg;
    int m_randSep;
    int32_t* m_end;
    char* m_buffer;
};

} // namespace pel
