#include "pel/base/Random.h"

#include "pel/base/Assert.h"
#include "pel/stream/RandomStream.h"

#include <ctime>

namespace pel {

namespace {

const int BREAK_0 = 8;
const int BREAK_4 = 256;

struct StateType {
    int minBytes;
    int degree;
    int separation;
};

// By state size: type 0 is the plain multiplicative generator, 1..4 the additive ones.
const StateType kTypes[] = {{8, 0, 0}, {32, 7, 3}, {64, 15, 1}, {128, 31, 3}, {256, 63, 1}};

} // namespace

Random::Random(int stateSize) {
    PEL_ASSERT(BREAK_0 <= stateSize && stateSize <= BREAK_4);
    m_buffer = new char[stateSize];
    initState(static_cast<uint32_t>(::_time64(nullptr)), m_buffer, stateSize);
}

Random::~Random() { delete[] m_buffer; }

int32_t Random::goodRand(int32_t x) {
    if (x == 0)
        x = 123459876;
    const int32_t hi = x / 127773;
    const int32_t lo = x % 127773;
    x = 16807 * lo - 2836 * hi;
    if (x < 0)
        x += 0x7FFFFFFF;
    return x;
}

void Random::initState(uint32_t s, char* buffer, int size) {
    if (size < BREAK_0)
        assertionViolation(L"0 && \"not enough state\"", PEL_FILE, __LINE__);
    int type = 4;
    while (size < kTypes[type].minBytes)
        --type;
    m_randType = type;
    m_randDeg = kTypes[type].degree;
    m_randSep = kTypes[type].separation;
    m_table = reinterpret_cast<int32_t*>(buffer) + 1;
    m_end = m_table + m_randDeg;
    seed(s);
    int32_t* header = reinterpret_cast<int32_t*>(buffer);
    *header = m_randType == 0 ? 0 : static_cast<int32_t>(5 * (m_rear - m_table) + m_randType);
}

void Random::seed(uint32_t s) {
    m_table[0] = static_cast<int32_t>(s);
    if (m_randType == 0) {
        m_front = m_rear = m_table;
        for (int i = 0; i < 50; ++i)
            next();
        return;
    }
    for (int i = 1; i < m_randDeg; ++i)
        m_table[i] = goodRand(m_table[i - 1]);
    m_front = m_table + m_randSep;
    m_rear = m_table;
    for (int i = 0; i < 10 * m_randDeg; ++i)
        next();
}

void Random::seed() {
    const int words = m_randType == 0 ? 1 : m_randDeg;
    RandomInputStream stream;
    stream.read(reinterpret_cast<char*>(m_table), static_cast<std::streamsize>(words) * 4);
}

uint32_t Random::next() {
    if (m_randType == 0) {
        m_table[0] = goodRand(m_table[0]) & 0x7FFFFFFF;
        return static_cast<uint32_t>(m_table[0]);
    }
    // Unsigned arithmetic: the sum wraps around by design.
    const uint32_t sum = static_cast<uint32_t>(*m_front) + static_cast<uint32_t>(*m_rear);
    *m_front = static_cast<int32_t>(sum);
    const uint32_t result = sum >> 1;
    if (++m_front >= m_end) {
        m_front = m_table;
        ++m_rear;
    } else if (++m_rear >= m_end) {
        m_rear = m_table;
    }
    return result;
}

uint32_t Random::next(uint32_t n) {
    PEL_ASSERT(n != 0);
    return next() % n;
}

char Random::nextChar() { return static_cast<char>((next() >> 3) & 0xFF); }

bool Random::nextBool() { return (next() & 0x1000) != 0; }

float Random::nextFloat() { return static_cast<float>(static_cast<double>(next()) / 2147483648.0); }

double Random::nextDouble() { return static_cast<double>(next()) / 2147483647.0; }

} // namespace pel
