/* A sample of C: every line's scopes are in sample.c.golden. */
#include <stdio.h>
#include "local.h" // a local header
#define SQUARE(x) ((x) * (x))
#define LIMIT 0x1Fu
#if defined(DEBUG) && \
    DEBUG > 1
#endif

typedef struct point {
    int x, y;
} point_t;

static const char *names[] = { "one\n", "tab\there", "bad\q", u8"wide" };

struct point make_point(int x, int y);

int main(void) {
    unsigned long total = 0UL;
    double ratio = 1.5e-3, half = .5f;
    for (size_t i = 0; i < 10; ++i) {
        if (i % 2 == 0 && names[0] != NULL)
            total += SQUARE(i); // even
        else
            continue;
    }
    char c = '\'', d = '\x41';
    return total > 1'000 ? 1 : 0;
}
