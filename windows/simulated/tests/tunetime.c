/*
 * tunetime COUNT
 *
 * Tunes COUNT times through torvelapi.dll and prints how long the calls took
 * together, in milliseconds, on the platform's high-resolution counter:
 * "COUNT tunes in MS ms". Timed inside the process, so that the program's
 * start does not count. Exits with 1 when a call fails.
 */
#include "torvelapi.h"

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    if (argc != 2 || atoi(argv[1]) <= 0) {
        fprintf(stderr, "usage: tunetime COUNT\n");
        return 2;
    }
    const int count = atoi(argv[1]);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i) {
        if (!SetFrequency(98500, 0)) {
            printf("FAIL tune %d: error %lu\n", i + 1, GetLastError());
            return 1;
        }
    }
    QueryPerformanceCounter(&end);
    printf("%d tunes in %lld ms\n", count,
           (end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
    return 0;
}
