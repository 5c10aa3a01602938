#!/bin/bash
# Checks the built program itself: a 32-bit GUI program that imports only
# from DLLs every supported Windows has, with no SSE code of its own.
#   check-pe.sh EXE [MORE-ALLOWED-DLLS [WIDE-ALLOWED]]
set -u
exe="$1"
objdump=i686-w64-mingw32-objdump
fail=0

headers=$($objdump -p "$exe") || { echo "cannot read $exe"; exit 1; }
grep -q "^Magic.*010b" <<<"$headers" || { echo "FAIL: not PE32"; fail=1; }
grep -q "^Subsystem.*00000002" <<<"$headers" || { echo "FAIL: not the GUI subsystem"; fail=1; }

allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll msvcrt.dll ${2:-}"
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || { echo "FAIL: no import table found"; fail=1; }
for dll in $dlls; do
    if [[ " $allowed " == *" $dll "* ]]; then
        echo "import: $dll"
    else
        echo "FAIL: imports $dll"
        fail=1
    fi
done

# Functions that Windows 95, 98, ME or 2000 lack: Windows would refuse to load
# a program that imports one (typically dragged in by a runtime library).
younger="GetTickCount64 AddVectoredExceptionHandler RemoveVectoredExceptionHandler
AddVectoredContinueHandler TryEnterCriticalSection GetHandleInformation SetHandleInformation
InitializeCriticalSectionEx InitializeCriticalSectionAndSpinCount InitOnceExecuteOnce
InitializeSRWLock AcquireSRWLockExclusive AcquireSRWLockShared InitializeConditionVariable
SleepConditionVariableCS SleepConditionVariableSRW WakeConditionVariable WakeAllConditionVariable
FlsAlloc FlsGetValue FlsSetValue GetModuleHandleExA GetModuleHandleExW GetSystemTimePreciseAsFileTime
CreateEventExA CreateEventExW CreateMutexExA CreateMutexExW GetNativeSystemInfo IsWow64Process
SetThreadErrorMode GetThreadErrorMode"
functions=$(awk '/DLL Name/{inside=1; next} inside && /^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[A-Za-z_]/{print $3}' <<<"$headers")
for f in $younger; do
    if grep -qx "$f" <<<"$functions"; then
        echo "FAIL: imports $f, which not every supported Windows has"
        fail=1
    fi
done

# Wide functions: Windows 95, 98 and ME export most of them as stubs that
# fail, so a binary that runs there must not import one it calls there. These
# few are the ones those systems implement; WIDE-ALLOWED (third argument)
# names more that the binary calls only on the NT family.
implemented="EnumResourceLanguagesW EnumResourceNamesW EnumResourceTypesW ExtTextOutW FindResourceExW
FindResourceW GetCharWidthW GetCommandLineW GetTextExtentExPointW GetTextExtentPoint32W GetTextExtentPointW
lstrlenW MessageBoxExW MessageBoxIndirectW MessageBoxW MultiByteToWideChar TextOutW WideCharToMultiByte ${3:-}"
wide=0
for f in $(grep -E '^[A-Za-z0-9_]+[a-z0-9]W$' <<<"$functions"); do
    if [[ " $(tr '\n' ' ' <<<"$implemented") " != *" $f "* ]]; then
        echo "FAIL: imports $f, a stub that fails on Windows 95, 98 and ME"
        fail=1
    fi
    wide=$((wide + 1))
done

# SSE/SSE2 instructions use xmm registers; MMX uses mm registers. The
# exception tables the linker places among the code are data: their bytes
# may read as any instruction, so they are left out.
code() { $objdump -d --no-show-raw-insn "$exe" | awk '/^[0-9a-f]+ <.*>:$/ { data = ($2 == "<.gcc_except_table>:") } !data'; }
sse=$(code | grep -cE '%xmm[0-9]|%mm[0-7]')
if [ "$sse" != 0 ]; then
    echo "FAIL: $sse instructions use SSE/MMX registers"
    code | grep -E '%xmm[0-9]|%mm[0-7]' | head -5
    fail=1
fi
[ $fail = 0 ] && echo "PE checks passed: $(wc -w <<<"$dlls") system DLLs, $(wc -l <<<"$functions") functions, none too young, $wide wide ones 95/98/ME implement, no SSE"
exit $fail
