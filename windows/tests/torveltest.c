/*
 * torveltest TABLE OUT
 *
 * Runs a table of calls through torvelapi.dll against the simulated card
 * driver, and writes for each call its result, its last error and the
 * requests that reached the driver, as read back from the driver's log.
 *
 * The table has one line per step; '#' starts a comment.
 *   IsTorvel2007 | SetStereo | SetMono
 *   SetFrequency KHZ CONTROL            numbers in decimal or 0x hex
 *   SetRDS KEY VALUE                    strings: \xNN for any byte, \\ for a
 *                                       backslash, "" for the empty string,
 *                                       NULL for a null pointer
 *   SetRDSPower ENABLE
 * A call may end with "=> RESULT ERROR REQUESTS", what it must give: the
 * result, the last error afterwards, the number of requests the driver
 * received; '*' leaves one open. The last error is set to 0 before each call.
 * Steps that set up the driver (through its test port):
 *   reset                     empties the log, clears faults, idles the lines
 *   reject-after N STATUS     takes N more requests, then answers STATUS
 *   refuse-open               every open of the card fails
 *   accept-all                no faults
 *   hold / release            another user holds the card meanwhile
 *
 * OUT gets, per call: "call LINE -> RESULT ERROR", then one line per request:
 * "TIME_NS CODE BYTE STATUS" (time since the first request of the run, the
 * control code, the input byte, the NTSTATUS given back; hex with 0x). When
 * the driver is absent no request lines can be read; the calls are still run.
 * Prints "ok" or "FAIL" for every expectation; exits with 1 when any failed.
 */
#include "torvelapi.h"
#include "torveldrv.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MAX_TOKENS 8
#define MAX_TEXT 4096

static HANDLE testPort = INVALID_HANDLE_VALUE;
static long long firstTicks = -1;
static long long frequency = 1;
static int failures;

static BOOL TestRequest(DWORD code, void *in, DWORD inSize, void *out, DWORD outSize,
                        DWORD *returned) {
    DWORD ignored = 0;
    return DeviceIoControl(testPort, code, in, inSize, out, outSize,
                           returned != NULL ? returned : &ignored, NULL);
}

static int DriverState(TORVEL_DRIVER_STATE *state) {
    return testPort != INVALID_HANDLE_VALUE &&
           TestRequest(IOCTL_TORVEL_STATE, NULL, 0, state, sizeof *state, NULL);
}

static void SetFaults(unsigned long rejectAfter, long rejectStatus, long refuseOpenStatus,
                      long busy) {
    TORVEL_FAULTS faults;
    faults.rejectAfter = rejectAfter;
    faults.rejectStatus = rejectStatus;
    faults.refuseOpenStatus = refuseOpenStatus;
    faults.busy = busy;
    if (!TestRequest(IOCTL_TORVEL_SET_FAULTS, &faults, sizeof faults, NULL, 0, NULL)) {
        printf("FAIL setting the driver's faults: error %lu\n", GetLastError());
        ++failures;
    }
}

/* Splits a line into tokens, decoding the string escapes. Returns the count. */
static int Tokenize(char *line, char *tokens[MAX_TOKENS], int isNull[MAX_TOKENS]) {
    int count = 0;
    char *p = line;
    while (*p != '\0' && count < MAX_TOKENS) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p == '\0' || *p == '#')
            break;
        char *start = p;
        char *out = p;
        while (*p != '\0' && *p != ' ' && *p != '\t') {
            if (p[0] == '\\' && p[1] == 'x' && p[2] != '\0' && p[3] != '\0') {
                char hex[3] = {p[2], p[3], '\0'};
                *out++ = (char)strtoul(hex, NULL, 16);
                p += 4;
            } else if (p[0] == '\\' && p[1] == '\\') {
                *out++ = '\\';
                p += 2;
            } else {
                *out++ = *p++;
            }
        }
        if (*p != '\0')
            ++p;
        *out = '\0';
        isNull[count] = strcmp(start, "NULL") == 0;
        if (strcmp(start, "\"\"") == 0)
            start[0] = '\0';
        tokens[count++] = start;
    }
    return count;
}

static unsigned long Number(const char *text) {
    return strtoul(text, NULL, 0);
}

/* Runs one call; returns 0 when the line names no call. */
static int Call(char **args, int count, const int *isNull, int *result) {
    const char *name = args[0];
    if (strcmp(name, "IsTorvel2007") == 0 && count == 1)
        *result = IsTorvel2007();
    else if (strcmp(name, "SetStereo") == 0 && count == 1)
        *result = SetStereo();
    else if (strcmp(name, "SetMono") == 0 && count == 1)
        *result = SetMono();
    else if (strcmp(name, "SetFrequency") == 0 && count == 3)
        *result = SetFrequency((unsigned int)Number(args[1]), (int)Number(args[2]));
    else if (strcmp(name, "SetRDS") == 0 && count == 3)
        *result = SetRDS(isNull[1] ? NULL : args[1], isNull[2] ? NULL : args[2]);
    else if (strcmp(name, "SetRDSPower") == 0 && count == 2)
        *result = SetRDSPower((int)Number(args[1]));
    else
        return 0;
    return 1;
}

/* Writes the requests from log entry `first` on; returns their number, or -1
 * when the log cannot be read. */
static long WriteRequests(FILE *out, unsigned long first) {
    static TORVEL_LOG_ENTRY entries[4096];
    long written = 0;
    if (testPort == INVALID_HANDLE_VALUE)
        return -1;
    for (;;) {
        DWORD returned = 0;
        if (!TestRequest(IOCTL_TORVEL_READ_LOG, &first, sizeof first, entries, sizeof entries,
                         &returned))
            return -1;
        const DWORD count = returned / sizeof entries[0];
        if (count == 0)
            return written;
        for (DWORD i = 0; i < count; ++i) {
            const TORVEL_LOG_ENTRY *e = &entries[i];
            if (firstTicks < 0)
                firstTicks = e->ticks;
            const long long ticks = e->ticks - firstTicks;
            const long long ns =
                ticks / frequency * 1000000000LL + ticks % frequency * 1000000000LL / frequency;
            fprintf(out, "%lld 0x%08lX 0x%02X 0x%08lX\n", ns, e->code, e->byte,
                    (unsigned long)e->status);
        }
        first += count;
        written += (long)count;
    }
}

static void Check(const char *what, const char *expected, long actual, const char *line) {
    if (strcmp(expected, "*") == 0)
        return;
    if ((long)strtol(expected, NULL, 0) != actual) {
        printf("FAIL %s: %s is %ld, expected %s\n", line, what, actual, expected);
        ++failures;
    }
}

static int Step(char *line, FILE *out) {
    char text[MAX_TEXT];     /* the call as written, for the output */
    char expected[MAX_TEXT]; /* what follows "=>", empty when nothing */
    char *args[MAX_TOKENS];
    int isNull[MAX_TOKENS];
    line[strcspn(line, "\r\n")] = '\0';
    expected[0] = '\0';
    char *arrow = strstr(line, "=>");
    if (arrow != NULL) {
        snprintf(expected, sizeof expected, "%s", arrow + 2);
        *arrow = '\0';
    }
    size_t length = strlen(line);
    while (length > 0 && (line[length - 1] == ' ' || line[length - 1] == '\t'))
        line[--length] = '\0';
    snprintf(text, sizeof text, "%s", line);
    const int count = Tokenize(line, args, isNull);
    if (count == 0)
        return 1;

    if (strcmp(args[0], "reset") == 0) {
        return TestRequest(IOCTL_TORVEL_RESET, NULL, 0, NULL, 0, NULL);
    } else if (strcmp(args[0], "reject-after") == 0 && count == 3) {
        SetFaults(Number(args[1]), (long)Number(args[2]), 0, 0);
        return 1;
    } else if (strcmp(args[0], "refuse-open") == 0) {
        SetFaults(TORVEL_ACCEPT_ALL, 0, (long)0xC0000034 /* STATUS_OBJECT_NAME_NOT_FOUND */, 0);
        return 1;
    } else if (strcmp(args[0], "accept-all") == 0) {
        SetFaults(TORVEL_ACCEPT_ALL, 0, 0, 0);
        return 1;
    } else if (strcmp(args[0], "hold") == 0) {
        SetFaults(TORVEL_ACCEPT_ALL, 0, 0, 1);
        return 1;
    } else if (strcmp(args[0], "release") == 0) {
        SetFaults(TORVEL_ACCEPT_ALL, 0, 0, 0);
        return 1;
    }

    TORVEL_DRIVER_STATE before;
    const int logged = DriverState(&before);
    int result = 0;
    SetLastError(0);
    if (!Call(args, count, isNull, &result))
        return 0;
    const DWORD error = GetLastError();
    fprintf(out, "call %s -> %d %lu\n", text, result, error);
    const long requests = WriteRequests(out, logged ? before.entries : 0);

    if (arrow != NULL) {
        char *want[MAX_TOKENS];
        int unused[MAX_TOKENS];
        const int n = Tokenize(expected, want, unused);
        const int failuresBefore = failures;
        if (n > 0)
            Check("result", want[0], result, text);
        if (n > 1)
            Check("last error", want[1], (long)error, text);
        if (n > 2)
            Check("requests", want[2], requests, text);
        if (failures == failuresBefore)
            printf("ok %s\n", text);
    }
    return 1;
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: torveltest TABLE OUT\n");
        return 2;
    }
    FILE *table = fopen(argv[1], "rb");
    FILE *out = fopen(argv[2], "wb");
    if (table == NULL || out == NULL) {
        fprintf(stderr, "torveltest: cannot open %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    testPort = CreateFileA(TORVEL_TEST_PATH, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                           0, NULL);
    TORVEL_DRIVER_STATE state;
    if (DriverState(&state) && state.frequency > 0)
        frequency = state.frequency;

    static char line[MAX_TEXT];
    while (fgets(line, sizeof line, table) != NULL) {
        char copy[MAX_TEXT];
        snprintf(copy, sizeof copy, "%s", line);
        copy[strcspn(copy, "\r\n")] = '\0';
        if (!Step(line, out)) {
            printf("FAIL step not understood or not done: %s\n", copy);
            ++failures;
        }
    }
    if (DriverState(&state) && state.dropped != 0) {
        printf("FAIL the driver's log overflowed: %lu requests not logged\n", state.dropped);
        ++failures;
    }
    fclose(out);
    fclose(table);
    return failures != 0;
}
