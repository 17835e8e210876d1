// The host's stand-in for the Win32 declarations that the library uses, and
// no more. The calls are implemented in sim/*.cpp against the simulated
// card's driver, clock and screen (see sim.h).
//
// The simulated torvelapi.dll (windows/simulated/) builds the library and the
// simulated card for Windows against this header too. There WINAPI is the
// platform's convention (stdcall on 32-bit x86), so that the exports keep it,
// and the simulated calls take names of their own: the system's calls of the
// same names stay what they are for everything else in the DLL.
#ifndef TORVEL_SIM_WINDOWS_H
#define TORVEL_SIM_WINDOWS_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && defined(__i386__)
#define WINAPI __stdcall
#else
#define WINAPI
#endif
#define WINAPIV

#ifdef _WIN32
#define CreateFileA SimCreateFileA
#define DeviceIoControl SimDeviceIoControl
#define CloseHandle SimCloseHandle
#define GetLastError SimGetLastError
#define SetLastError SimSetLastError
#define QueryPerformanceFrequency SimQueryPerformanceFrequency
#define QueryPerformanceCounter SimQueryPerformanceCounter
#define Sleep SimSleep
#define DisableThreadLibraryCalls SimDisableThreadLibraryCalls
#define InterlockedExchange SimInterlockedExchange
#define InterlockedCompareExchange SimInterlockedCompareExchange
#define wsprintfA SimWsprintfA
#define MessageBoxA SimMessageBoxA
#endif

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned int UINT;
typedef unsigned int DWORD; // 32 bits, as on Windows
typedef int LONG;           // 32 bits, as on Windows
typedef long long LONGLONG;
typedef unsigned long long ULONGLONG;
typedef void *HANDLE;
typedef void *LPVOID;
typedef DWORD *LPDWORD;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef struct HWND__ *HWND;
typedef struct HINSTANCE__ *HINSTANCE;
typedef struct OVERLAPPED_ *LPOVERLAPPED;
typedef struct SECURITY_ATTRIBUTES_ *LPSECURITY_ATTRIBUTES;

typedef union LARGE_INTEGER_ {
    struct {
        DWORD LowPart;
        int HighPart;
    } u;
    LONGLONG QuadPart;
} LARGE_INTEGER;

#define TRUE 1
#define FALSE 0

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define OPEN_EXISTING 3
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define MB_OK 0x00000000u
#define IDOK 1

#define ERROR_SUCCESS 0u
#define ERROR_INVALID_FUNCTION 1u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_GEN_FAILURE 31u
#define ERROR_INVALID_PARAMETER 87u

#ifdef __cplusplus
extern "C" {
#endif

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                          DWORD flagsAndAttributes, HANDLE templateFile);
BOOL WINAPI DeviceIoControl(HANDLE device, DWORD ioControlCode, LPVOID inBuffer, DWORD inBufferSize,
                            LPVOID outBuffer, DWORD outBufferSize, LPDWORD bytesReturned,
                            LPOVERLAPPED overlapped);
BOOL WINAPI CloseHandle(HANDLE object);
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD errorCode);
BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER *frequency);
BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER *count);
void WINAPI Sleep(DWORD milliseconds);
BOOL WINAPI DisableThreadLibraryCalls(HINSTANCE module);
LONG WINAPI InterlockedExchange(LONG volatile *target, LONG value);
LONG WINAPI InterlockedCompareExchange(LONG volatile *target, LONG exchange, LONG comparand);
int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...);
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

#ifdef __cplusplus
}
#endif

#endif
