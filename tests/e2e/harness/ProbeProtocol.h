// Shared between the in-process probe (korvprobe.dll, loaded into the
// program by a WH_GETMESSAGE hook) and the tests that ask it questions.
#pragma once

// Posted to the console: the hook, running on the console's thread, answers.
#define KORVPROBE_DUMP_SYSMENU_MSG "KorvProbe.DumpSystemMenu"
// Whether a module is loaded in the process: the test writes the module's
// name into the shared memory before posting. (Another process's memory
// cannot be read from outside here, nor the loader list listed.)
#define KORVPROBE_QUERY_MODULE_MSG "KorvProbe.QueryModule"
// The tools of the tooltip windows of the window's thread and the tip shown now.
#define KORVPROBE_DUMP_TOOLTIPS_MSG "KorvProbe.DumpToolTips"
// Leak check: takes GDI objects until the request's count is reached (or no
// more come), frees them again and answers "highwater <index>", the highest
// handle index reached. A process that leaked objects reaches higher.
#define KORVPROBE_GDI_HIGH_WATER_MSG "KorvProbe.GdiHighWater"
// The cursor the window's thread shows: "cursor <name>", name one of drag,
// hover (the program's resources 132 and 133), arrow, none, hand (the same
// image as the help viewer's cursor 106) or other.
#define KORVPROBE_CURSOR_MSG "KorvProbe.Cursor"
// Speed of one repaint: the request is the repeat count; the answer
// "paint <ms> blit <ms>", medians of one full repaint of the window (erase and
// paint) and of one copy of the background picture to the window's DC.
#define KORVPROBE_BENCH_PAINT_MSG "KorvProbe.BenchPaint"
// For the idle figure's breakdown: stops the window's timer whose id the
// request gives (the status relay's, 666); answers "killed 1" or "killed 0".
#define KORVPROBE_KILL_TIMER_MSG "KorvProbe.KillTimer"
// A barrier: answers "idle" once the window's thread has taken every input,
// posted and sent message that was waiting when the question came, and has
// read the display's events waiting for it (pointer echoes among them) and
// taken the input they made (a thread timer is set; its WM_TIMER comes only
// when nothing else waits, and the display is read again then).
#define KORVPROBE_IDLE_MSG "KorvProbe.Idle"
// Timer turns: the request is "<timer id> <turns>"; answers "turns" when the
// window's thread takes that timer's WM_TIMER for the turns-th time from then.
#define KORVPROBE_TIMER_TURNS_MSG "KorvProbe.TimerTurns"
// Shows a message box owned by the window, from its own thread, as a
// component inside the program would; answers "box" just before.
#define KORVPROBE_MESSAGE_BOX_MSG "KorvProbe.MessageBox"
// The icon a message box of the process shows: "icon <name>", name one of
// information, exclamation, hand, question (the system's), none or other.
#define KORVPROBE_BOX_ICON_MSG "KorvProbe.BoxIcon"
// The answer goes into this shared memory, then this event is set.
#define KORVPROBE_MAPPING_NAME "KorvProbe.Answer"
#define KORVPROBE_DONE_EVENT "KorvProbe.Done"
#define KORVPROBE_HOOK_EXPORT "KorvProbeGetMsgProc"

enum { KORVPROBE_ANSWER_SIZE = 64 * 1024 };

// Module answer: "loaded 1" or "loaded 0".
// System menu answer layout: a NUL-terminated text. First line "items <n>", then one
// line per menu item in menu order:
//   <id as 0x%08X> <state as 0x%08X> <text bytes as they are>
// A separator has the state bit MF_SEPARATOR and an empty text. "error ..."
// as the first line means the probe could not read the menu.
// Tooltip answer: one line per tool, "tool <id of the tool's window> <text>",
// and "shown <id> <text>" for the tool whose tip is visible now, if any.
