/*
 * driverservice start SERVICE FILE
 * driverservice stop SERVICE
 *
 * Runs the simulated card driver as a demand-start kernel service, as a
 * machine with the card runs the card's driver.
 *
 * start: removes a leftover service of the same name (stopping it first),
 *        installs FILE as the kernel service SERVICE, starts it and waits
 *        while it is pending, until it runs.
 * stop:  stops SERVICE and waits while it is pending, until it has stopped.
 *        A service that is not running is left as it is.
 *
 * Every wait on the service manager is bounded by WAIT_MS. On failure one line
 * on standard error says which step failed, with the error code or the state
 * the service was left in. Exits with 0 on success, 1 on failure, 2 on a wrong
 * command line.
 */
#include <windows.h>

#include <stdio.h>
#include <string.h>

/* Under Wine the first start in a new prefix loads the kernel's device
 * host; 32-bit Wine under an emulator needs a few seconds for it. */
#define WAIT_MS 60000
#define POLL_MS 100

static const char *StateName(DWORD state) {
    switch (state) {
    case SERVICE_STOPPED:
        return "stopped";
    case SERVICE_START_PENDING:
        return "start pending";
    case SERVICE_STOP_PENDING:
        return "stop pending";
    case SERVICE_RUNNING:
        return "running";
    default:
        return "in another state";
    }
}

/* Queries the service's status while it is in `pending`, until it leaves that
 * state or WAIT_MS have passed since `started`. Returns 0 when the status
 * could not be read or the wait ran out; `status` holds the last status. */
static int WaitWhile(SC_HANDLE service, DWORD pending, DWORD started, SERVICE_STATUS *status,
                     const char *name) {
    for (;;) {
        if (!QueryServiceStatus(service, status)) {
            fprintf(stderr, "driverservice: QueryServiceStatus %s failed: error %lu\n", name,
                    GetLastError());
            return 0;
        }
        if (status->dwCurrentState != pending)
            return 1;
        if (GetTickCount() - started >= WAIT_MS) {
            fprintf(stderr, "driverservice: %s still %s after %d ms\n", name, StateName(pending),
                    WAIT_MS);
            return 0;
        }
        Sleep(POLL_MS);
    }
}

/* Asks the service to stop and waits until it has. */
static int StopAndWait(SC_HANDLE service, const char *name) {
    const DWORD started = GetTickCount();
    SERVICE_STATUS status;
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status) &&
        GetLastError() != ERROR_SERVICE_NOT_ACTIVE) {
        fprintf(stderr, "driverservice: stopping %s failed: error %lu\n", name, GetLastError());
        return 0;
    }
    if (!WaitWhile(service, SERVICE_STOP_PENDING, started, &status, name))
        return 0;
    if (status.dwCurrentState != SERVICE_STOPPED) {
        fprintf(stderr, "driverservice: %s is %s, not stopped\n", name,
                StateName(status.dwCurrentState));
        return 0;
    }
    return 1;
}

/* Stops and deletes a service of this name left from an earlier run. */
static int RemoveLeftover(SC_HANDLE manager, const char *name) {
    SC_HANDLE service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS);
    if (service == NULL) {
        if (GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST)
            return 1;
        fprintf(stderr, "driverservice: OpenService %s failed: error %lu\n", name, GetLastError());
        return 0;
    }
    int ok = StopAndWait(service, name);
    if (ok && !DeleteService(service)) {
        fprintf(stderr, "driverservice: deleting the leftover %s failed: error %lu\n", name,
                GetLastError());
        ok = 0;
    }
    CloseServiceHandle(service);
    return ok;
}

static int Start(SC_HANDLE manager, const char *name, const char *file) {
    char path[MAX_PATH];
    const DWORD length = GetFullPathNameA(file, sizeof path, path, NULL);
    if (length == 0 || length >= sizeof path ||
        GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "driverservice: no driver file %s\n", file);
        return 0;
    }
    if (!RemoveLeftover(manager, name))
        return 0;
    SC_HANDLE service = CreateServiceA(manager, name, name, SERVICE_ALL_ACCESS,
                                       SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_NORMAL, path, NULL, NULL, NULL, NULL, NULL);
    if (service == NULL) {
        fprintf(stderr, "driverservice: CreateService %s for %s failed: error %lu\n", name, path,
                GetLastError());
        return 0;
    }

    const DWORD started = GetTickCount();
    SERVICE_STATUS status;
    int ok = 0;
    /* The service manager refuses starts while it is still starting the
     * prefix's own services, as it is for a moment after the prefix is made;
     * that refusal is waited out within the same bound. */
    while (!StartServiceA(service, 0, NULL)) {
        const DWORD error = GetLastError();
        if (error == ERROR_SERVICE_ALREADY_RUNNING)
            break;
        if (error != ERROR_SERVICE_DATABASE_LOCKED || GetTickCount() - started >= WAIT_MS) {
            fprintf(stderr, "driverservice: StartService %s failed: error %lu\n", name, error);
            goto done;
        }
        Sleep(POLL_MS);
    }
    if (!WaitWhile(service, SERVICE_START_PENDING, started, &status, name))
        goto done;
    if (status.dwCurrentState != SERVICE_RUNNING) {
        fprintf(stderr, "driverservice: %s is %s after its start, exit code %lu\n", name,
                StateName(status.dwCurrentState), status.dwWin32ExitCode);
        goto done;
    }
    ok = 1;
done:
    CloseServiceHandle(service);
    return ok;
}

static int Stop(SC_HANDLE manager, const char *name) {
    SC_HANDLE service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS);
    if (service == NULL) {
        fprintf(stderr, "driverservice: OpenService %s failed: error %lu\n", name, GetLastError());
        return 0;
    }
    const int ok = StopAndWait(service, name);
    CloseServiceHandle(service);
    return ok;
}

int main(int argc, char **argv) {
    const int start = argc == 4 && strcmp(argv[1], "start") == 0;
    const int stop = argc == 3 && strcmp(argv[1], "stop") == 0;
    if (!start && !stop) {
        fprintf(stderr, "usage: driverservice start SERVICE FILE | stop SERVICE\n");
        return 2;
    }
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (manager == NULL) {
        fprintf(stderr, "driverservice: OpenSCManager failed: error %lu\n", GetLastError());
        return 1;
    }
    const int ok = start ? Start(manager, argv[2], argv[3]) : Stop(manager, argv[2]);
    CloseServiceHandle(manager);
    return ok ? 0 : 1;
}
