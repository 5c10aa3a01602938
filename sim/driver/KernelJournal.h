/* Appends journal lines from kernel mode. Each record opens, appends and closes
   the file, so a test may truncate or delete it between runs. */
#ifndef KORVANE_SIM_KERNEL_JOURNAL_H
#define KORVANE_SIM_KERNEL_JOURNAL_H

#include <ntddk.h>

#include "sim/core/JournalFormat.h"

unsigned long long KernelJournal_Now(void);
void KernelJournal_Append(const JournalLine* line);

#endif
