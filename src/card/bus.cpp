#include "card/bus.h"

// Each line step is one request, sent even where the line already has that level.
static void DataHigh(DeviceSession *session) {
    SendLineRequest(session, IOCTL_LINE_RAISE, LINE_DATA);
}
static void DataLow(DeviceSession *session) {
    SendLineRequest(session, IOCTL_LINE_LOWER, LINE_DATA);
}
static void ClockHigh(DeviceSession *session) {
    SendLineRequest(session, IOCTL_LINE_RAISE, LINE_CLOCK);
}
static void ClockLow(DeviceSession *session) {
    SendLineRequest(session, IOCTL_LINE_LOWER, LINE_CLOCK);
}

// One clock pulse: the receivers sample the data line while the clock is high.
static void ClockPulse(DeviceSession *session) {
    ClockHigh(session);
    BusDelay();
    ClockLow(session);
    BusDelay();
}

// One bit of a byte, from a low clock and a low data line back to both low.
static void WriteBit(DeviceSession *session, bool one) {
    // Two waits first: with the wait that ended the previous clock pulse, the
    // clock has been low for three waits before the data line moves, far past
    // the time a receiver may still need the previous bit's level (or, after
    // an acknowledge, to let go of the data line).
    BusDelay();
    BusDelay();
    if (one)
        DataHigh(session);
    else
        DataLow(session);
    BusDelay(); // the data line settles before the clock rises
    ClockPulse(session);
    // After a 1 the data line is lowered again, so that every bit begins from
    // a low data line.
    if (one)
        DataLow(session);
}

// One process-wide value; calls that hold the device write it, so it is only
// ever touched by one call at a time, but it is read and written whole with
// interlocked operations all the same.
static LONG volatile busMayBeHeld = 0;

int BusMayBeHeld() {
    return InterlockedCompareExchange(&busMayBeHeld, 0, 0) != 0;
}

void MarkBusHeld(int held) {
    InterlockedExchange(&busMayBeHeld, held ? 1 : 0);
}

void BusDelay() {
    // The frequency is asked on every wait: nothing about the counter is kept.
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0) {
        Sleep(1);
        return;
    }
    const LONGLONG limit = frequency.QuadPart / 20000; // 50 microseconds in ticks
    LARGE_INTEGER start;
    LARGE_INTEGER now;
    start.QuadPart = 0;
    now.QuadPart = 0;
    QueryPerformanceCounter(&start);
    do {
        QueryPerformanceCounter(&now);
        // Unsigned difference: a counter that wraps cannot overflow the subtraction.
    } while ((LONGLONG)((ULONGLONG)now.QuadPart - (ULONGLONG)start.QuadPart) <= limit);
}

void BusStart(DeviceSession *session) {
    if (BusMayBeHeld())
        BusClear(session);
    DataHigh(session);
    ClockHigh(session); // both lines high: the bus is idle
    BusDelay();
    DataLow(session); // data falls under a high clock: start condition
    BusDelay();
    ClockLow(session);
    BusDelay();
}

void BusWriteByte(DeviceSession *session, DWORD value) {
    for (int bit = 7; bit >= 0; --bit)
        WriteBit(session, ((value >> bit) & 1) != 0);
    // The acknowledge clock: the data line is released so that the chip can
    // pull it low; the library does not read it.
    DataHigh(session);
    BusDelay();
    ClockPulse(session);
}

void BusStop(DeviceSession *session) {
    DataLow(session); // the data line must be low before the clock rises...
    BusDelay();
    ClockHigh(session);
    BusDelay();
    DataHigh(session); // ...so that it rises under a high clock: stop condition
    MarkBusHeld(session->firstError != ERROR_SUCCESS);
}

void BusClear(DeviceSession *session) {
    // A chip cut off while acknowledging holds the data line low until the
    // clock falls. Plain clock pulses would then clock a byte of ones into it,
    // which it acknowledges by holding the line again, so a single stop after
    // them would be lost. Each attempt here lowers the clock first (a chip
    // still acknowledging lets go; the data line never falls under a high
    // clock, so no start condition is made), then raises the data line under
    // a high clock: a stop that the next attempt repeats until it lands.
    for (int attempt = 0; attempt < 9; ++attempt) {
        ClockLow(session);
        BusDelay();
        DataLow(session);
        BusDelay();
        ClockHigh(session);
        BusDelay();
        DataHigh(session);
        BusDelay();
    }
}
