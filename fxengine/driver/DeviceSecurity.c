#include "fxengine/driver/DeviceSecurity.h"

/* Well-known SIDs, built here: Windows 2000 exports no ready-made ones that
   every kernel of these systems shares. */
typedef struct WellKnownSid {
    UCHAR revision;
    UCHAR subAuthorityCount;
    UCHAR authority[6];
    ULONG subAuthority[2];
} WellKnownSid;

static const WellKnownSid kLocalSystem = {1, 1, {0, 0, 0, 0, 0, 5}, {18, 0}};
static const WellKnownSid kAdministrators = {1, 2, {0, 0, 0, 0, 0, 5}, {32, 544}};
static const WellKnownSid kInteractive = {1, 1, {0, 0, 0, 0, 0, 5}, {4, 0}};

NTSTATUS DeviceSecurity_Apply(PDEVICE_OBJECT device, ACCESS_MASK interactiveAccess)
{
    /* Three entries of at most two sub-authorities: well under this. */
    ULONG aclBuffer[48];
    PACL acl = (PACL)aclBuffer;
    SECURITY_DESCRIPTOR sd;
    HANDLE handle;
    NTSTATUS status;

    status = RtlCreateAcl(acl, sizeof(aclBuffer), ACL_REVISION);
    if (NT_SUCCESS(status))
        status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, (PSID)&kLocalSystem);
    if (NT_SUCCESS(status))
        status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, (PSID)&kAdministrators);
    if (NT_SUCCESS(status))
        status = RtlAddAccessAllowedAce(acl, ACL_REVISION, interactiveAccess, (PSID)&kInteractive);
    if (NT_SUCCESS(status))
        status = RtlCreateSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    if (NT_SUCCESS(status))
        status = RtlSetDaclSecurityDescriptor(&sd, TRUE, acl, FALSE);
    if (!NT_SUCCESS(status))
        return status;

    /* A kernel handle of our own, so no process can reach it meanwhile. */
    status = ObOpenObjectByPointer(device, OBJ_KERNEL_HANDLE, NULL, WRITE_DAC, NULL, KernelMode, &handle);
    if (!NT_SUCCESS(status))
        return status;
    status = ZwSetSecurityObject(handle, DACL_SECURITY_INFORMATION, &sd);
    ZwClose(handle);
    return status;
}
