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

void BusDelay() {
    // The frequency is asked on every wait, so nothing is kept between calls.
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
    DataHigh(session);
    ClockHigh(session); // both lines high: the bus is idle
    BusDelay();
    DataLow(session); // data falls under a high clock: start condition
    BusDelay();
    ClockLow(session);
    BusDelay();
}

void BusWriteByte(DeviceSession *session, DWORD value) {
    for (int bit = 7; bit >= 0; --bit) {
        const bool one = ((value >> bit) & 1) != 0;
        BusDelay();
        BusDelay();
        if (one)
            DataHigh(session);
        else
            DataLow(session);
        BusDelay(); // data settles before the clock rises
        ClockHigh(session);
        BusDelay();
        ClockLow(session);
        BusDelay();
        if (one)
            DataLow(session); // every bit begins with the data line low
    }
    // Acknowledge clock: the data line is released so that the chip can pull it low.
    DataHigh(session);
    BusDelay();
    ClockHigh(session);
    BusDelay();
    ClockLow(session);
    BusDelay();
}

void BusStop(DeviceSession *session) {
    DataLow(session); // the data line must be low before the clock rises...
    BusDelay();
    ClockHigh(session);
    BusDelay();
    DataHigh(session); // ...so that it rises under a high clock: stop condition
}
