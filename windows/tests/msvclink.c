/* A consumer of torvelapi.dll as a program built with Microsoft's tools
 * would be: compiled for the MSVC ABI and linked by an MSVC-style linker
 * against torvelapi.lib with the linker's defaults (/SAFESEH on x86). No
 * platform SDK is at hand, so it declares what it uses itself and has no C
 * runtime: it writes "ok" or "FAIL" lines with WriteFile and ends with
 * ExitProcess. */
typedef void *HANDLE;
typedef unsigned long DWORD;
typedef int BOOL;

#define WINAPI __stdcall
#define IMPORT __declspec(dllimport)

IMPORT int WINAPI IsTorvel2007(void);
IMPORT int WINAPI SetFrequency(unsigned int frequency, int control);
IMPORT int WINAPI SetMono(void);
IMPORT int WINAPI SetRDS(const char *key, const char *value);
IMPORT int WINAPI SetRDSPower(int enable);
IMPORT int WINAPI SetStereo(void);

IMPORT HANDLE WINAPI GetStdHandle(DWORD handle);
IMPORT BOOL WINAPI WriteFile(HANDLE file, const void *buffer, DWORD size, DWORD *written,
                             void *overlapped);
IMPORT void WINAPI ExitProcess(unsigned int code);

static unsigned failures;

static void Write(const char *text) {
    DWORD length = 0, written = 0;
    while (text[length] != '\0')
        ++length;
    WriteFile(GetStdHandle((DWORD)-11), text, length, &written, 0);
}

static void Expect(int result, const char *call) {
    Write(result == 1 ? "ok " : "FAIL ");
    Write(call);
    Write(result == 1 ? "\n" : " returned 0\n");
    failures += result != 1;
}

void __cdecl start(void) {
    Expect(IsTorvel2007(), "IsTorvel2007()");
    Expect(SetFrequency(98500, 0), "SetFrequency(98500, 0)");
    Expect(SetStereo(), "SetStereo()");
    Expect(SetMono(), "SetMono()");
    Expect(SetRDS("PS", "LINKED"), "SetRDS(\"PS\", \"LINKED\")");
    Expect(SetRDSPower(1), "SetRDSPower(1)");
    ExitProcess(failures);
}
