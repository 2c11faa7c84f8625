// SPDX-License-Identifier: GPL-3.0-or-later
// What a serial port's overlapped I/O reports, with and without an I/O completion port.
//
//   wine-serial-repro.exe COM1 event   waits on event objects, as most programs do
//   wine-serial-repro.exe COM1 iocp    waits on a completion port tied to the handle, as Qt
//                                      SerialPort's Windows backend does
//
// Opens the port for reading, waits for a character to arrive (WaitCommEvent with EV_RXCHAR),
// then reads what is there with an overlapped ReadFile. Prints each step. Exits 0 when both
// completed the way Windows documents (with a completion packet each, when a completion port is
// tied to the handle) and the text arrived, 1 when a step never completed within 5 s, 2 when
// the port could not be set up.
#include <stdio.h>
#include <string.h>
#include <windows.h>

enum { kPatienceMs = 5000 };

static HANDLE port;
static HANDLE completion;

// Waits for the overlapped operation `ov` to finish; returns the bytes moved, or -1 on time-out.
static long Finish(OVERLAPPED* ov, const char* what) {
    DWORD bytes = 0;
    if (completion) {
        ULONG_PTR key = 0;
        OVERLAPPED* done = NULL;
        if (!GetQueuedCompletionStatus(completion, &bytes, &key, &done, kPatienceMs)) {
            printf("%s: no completion packet within %d ms (error %lu)\n", what, kPatienceMs,
                   GetLastError());
            return -1;
        }
        printf("%s: completion packet for %s, %lu bytes\n", what,
               done == ov ? "this operation" : "another operation", bytes);
        return (long)bytes;
    }
    if (WaitForSingleObject(ov->hEvent, kPatienceMs) != WAIT_OBJECT_0) {
        printf("%s: not complete within %d ms\n", what, kPatienceMs);
        return -1;
    }
    if (!GetOverlappedResult(port, ov, &bytes, FALSE)) {
        printf("%s: completed with error %lu\n", what, GetLastError());
        return -1;
    }
    printf("%s: completed, %lu bytes\n", what, bytes);
    return (long)bytes;
}

int main(int argc, char** argv) {
    if (argc != 3 || (strcmp(argv[2], "event") != 0 && strcmp(argv[2], "iocp") != 0)) {
        fprintf(stderr, "usage: wine-serial-repro COMn event|iocp\n");
        return 2;
    }
    setvbuf(stdout, NULL, _IONBF, 0);
    char name[64];
    snprintf(name, sizeof name, "\\\\.\\%s", argv[1]);
    port = CreateFileA(name, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, NULL);
    if (port == INVALID_HANDLE_VALUE) {
        printf("%s: cannot open (error %lu)\n", name, GetLastError());
        return 2;
    }
    DCB dcb = {0};
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 0, 0}; // reads return what is there at once
    if (!SetCommState(port, &dcb) || !SetCommTimeouts(port, &timeouts) ||
        !SetCommMask(port, EV_RXCHAR)) {
        printf("cannot set up the port (error %lu)\n", GetLastError());
        return 2;
    }
    if (strcmp(argv[2], "iocp") == 0) {
        completion = CreateIoCompletionPort(port, NULL, 1, 0);
        if (!completion) {
            printf("cannot make a completion port (error %lu)\n", GetLastError());
            return 2;
        }
    }

    // Readings arrive ten times a second: after this the wait finds one there.
    Sleep(500);

    // A wait that does not complete is noted and the read tried all the same: that shows whether
    // the line itself works.
    int result = 0;
    OVERLAPPED wait = {0};
    wait.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    DWORD mask = 0;
    if (WaitCommEvent(port, &mask, &wait)) {
        printf("WaitCommEvent: returned at once, mask 0x%lx\n", mask);
        if (completion && Finish(&wait, "WaitCommEvent") < 0)
            result = 1;
    } else if (GetLastError() == ERROR_IO_PENDING) {
        printf("WaitCommEvent: pending\n");
        if (Finish(&wait, "WaitCommEvent") < 0)
            result = 1;
        else
            printf("WaitCommEvent: mask 0x%lx\n", mask);
    } else {
        printf("WaitCommEvent: failed (error %lu)\n", GetLastError());
        result = 1;
    }

    COMSTAT status = {0};
    DWORD errors = 0;
    ClearCommError(port, &errors, &status);
    printf("waiting in the driver: %lu bytes\n", status.cbInQue);

    char text[256] = {0};
    OVERLAPPED read = {0};
    read.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    DWORD got = 0;
    long bytes = -1;
    if (ReadFile(port, text, sizeof text - 1, &got, &read)) {
        printf("ReadFile: returned at once, %lu bytes\n", got);
        bytes = completion ? Finish(&read, "ReadFile") : (long)got;
    } else if (GetLastError() == ERROR_IO_PENDING) {
        printf("ReadFile: pending\n");
        bytes = Finish(&read, "ReadFile");
    } else {
        printf("ReadFile: failed (error %lu)\n", GetLastError());
        return 2;
    }
    if (bytes <= 0)
        return 1;
    text[bytes] = 0;
    printf("read: %s\n", text);
    return result;
}
