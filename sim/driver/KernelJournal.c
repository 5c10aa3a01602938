#include "KernelJournal.h"

#include <ntifs.h> /* ZwLockFile */

static const WCHAR kJournalPath[] = L"\\??\\C:\\korvane-sim\\journal.log";

/* A journal deleted by a test stays "delete pending" while another writer
   still has it open; a few short waits let that writer finish. */
#define JOURNAL_OPEN_ATTEMPTS 20

static void ShortWait(void)
{
    LARGE_INTEGER interval;
    interval.QuadPart = -5 * 10000; /* 5 ms, relative */
    KeDelayExecutionThread(KernelMode, FALSE, &interval);
}

unsigned long long KernelJournal_Now(void)
{
    LARGE_INTEGER now;
    KeQuerySystemTime(&now);
    return JournalLine_Milliseconds((unsigned long long)now.QuadPart);
}

void KernelJournal_Append(const JournalLine* line)
{
    UNICODE_STRING path;
    OBJECT_ATTRIBUTES attributes;
    IO_STATUS_BLOCK io;
    HANDLE file;
    NTSTATUS status;
    int attempt;

    RtlInitUnicodeString(&path, kJournalPath);
    InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                               NULL, NULL);
    /* Append-only access: every write lands at the current end of the file,
       also when the DLLs write to it in between. */
    for (attempt = 0;; ++attempt) {
        status = ZwCreateFile(&file, FILE_APPEND_DATA | SYNCHRONIZE, &attributes, &io, NULL,
                              FILE_ATTRIBUTE_NORMAL,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN_IF,
                              FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, NULL, 0);
        if (NT_SUCCESS(status))
            break;
        /* No folder (not deployed): nothing to wait for. */
        if (status == STATUS_OBJECT_PATH_NOT_FOUND || attempt + 1 >= JOURNAL_OPEN_ATTEMPTS)
            return;
        ShortWait();
    }
    {
        /* Appends take turns with the DLLs' (see JOURNAL_TURN_LOCK_OFFSET_HIGH):
           Wine looks up the end and writes there in two steps. */
        LARGE_INTEGER turn, one;
        turn.QuadPart = (LONGLONG)JOURNAL_TURN_LOCK_OFFSET_HIGH << 32;
        one.QuadPart = 1;
        status = ZwLockFile(file, NULL, NULL, NULL, &io, &turn, &one, 0, FALSE, TRUE);
        /* Wine takes no status block here (it answers "not implemented"). */
        if (status == STATUS_NOT_IMPLEMENTED)
            status = ZwLockFile(file, NULL, NULL, NULL, NULL, &turn, &one, 0, FALSE, TRUE);
        ZwWriteFile(file, NULL, NULL, NULL, &io, (PVOID)line->text, line->length, NULL, NULL);
        if (NT_SUCCESS(status))
            ZwUnlockFile(file, &io, &turn, &one, 0);
    }
    ZwClose(file);
}
