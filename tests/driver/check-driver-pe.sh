#!/bin/bash
# Checks the built driver: a 32-bit native image that imports only from the
# kernel, and only functions the kernel of Windows 2000 already exports (a new
# import must be checked against that system before it joins the list).
#   check-driver-pe.sh SYS
set -u
sys="$1"
fail=0
headers=$(i686-w64-mingw32-objdump -p "$sys") || { echo "cannot read $sys"; exit 1; }
grep -q "^Magic.*010b" <<<"$headers" || { echo "FAIL: not PE32"; fail=1; }
grep -q "^Subsystem.*00000001" <<<"$headers" || { echo "FAIL: not the native subsystem"; fail=1; }
grep -q "^CheckSum.*[1-9a-f]" <<<"$headers" || { echo "FAIL: no image checksum"; fail=1; }

dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z')
[ "$dlls" = "ntoskrnl.exe" ] || { echo "FAIL: imports from: $dlls"; fail=1; }
known="IoAcquireCancelSpinLock IoReleaseCancelSpinLock IoCreateDevice IoDeleteDevice IoCreateSymbolicLink
IoDeleteSymbolicLink IofCompleteRequest RtlInitUnicodeString memcpy memset
RtlCreateAcl RtlAddAccessAllowedAce RtlCreateSecurityDescriptor RtlSetDaclSecurityDescriptor
ObOpenObjectByPointer ZwSetSecurityObject ZwClose"
functions=$(awk '/DLL Name/{inside=1; next} inside && /^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[A-Za-z_]/{print $3}' <<<"$headers")
for f in $functions; do
    if [[ " $(tr '\n' ' ' <<<"$known") " != *" $f "* ]]; then
        echo "FAIL: imports $f, not on the list checked against Windows 2000"
        fail=1
    fi
done
if i686-w64-mingw32-objdump -d --no-show-raw-insn "$sys" | grep -qE '%xmm[0-9]|%mm[0-7]'; then
    echo "FAIL: SSE/MMX instructions"
    fail=1
fi
[ $fail = 0 ] && echo "driver PE checks passed: $(wc -w <<<"$functions") kernel functions"
exit $fail
