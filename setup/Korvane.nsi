; The Korvane setup program. An ANSI installer, so that it runs on Windows 95
; to 2003. Built by the build (setup/CMakeLists.txt), which passes:
;   VERSION          shown version, e.g. 1.1 (from the program's version resource)
;   VERSION_NUMBERS  four numbers, e.g. 1.1.0.0
;   KORVANE_EXE, HOOK_DLL, HOST_EXE, SETUPAID_EXE, README, ICON   files to ship
;   DRIVER_SYS       the effects driver of Windows 2000, XP and 2003
;   OUTFILE          the setup program to write
Unicode false
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include MUI2.nsh
!include LogicLib.nsh
!include WinVer.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "Korvane"
!define PUBLISHER "Velmora"
!define SETTINGS_KEY "SOFTWARE\Velmora\Korvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane"
; The program holds this mutex while it runs.
!define KORVANE_MUTEX "{D6B8A211-00B7-4fe9-877B-2AF6EC9F21E6}"
!define UNINSTALLER "Deinstallieren.exe"
; The logon host (KorvHost.exe): held while it runs, and asked to end by its event.
!define HOST_MUTEX "KorvaneHost.Running"
!define HOST_QUIT "KorvaneHost.Quit"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Korvane"
; Exit codes in silent mode.
!define EXIT_RUNNING 2
!define EXIT_NO_ACCESS 3
!define EXIT_NOT_ADMIN 4
; Nothing changed: Korvane's driver was removed and Windows must restart
; before it can be installed again.
!define EXIT_RESTART_FIRST 5
; Installed or removed, but the driver still loaded takes a restart to go.
!define EXIT_RESTART_TO_FINISH 6
; Nothing changed: 64-bit Windows cannot load the 32-bit driver.
!define EXIT_64BIT 7
; A service call failed; what this run had changed is undone where it can be.
!define EXIT_FAILED 8

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Velmora\Korvane"
; An update goes where the installed version is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PUBLISHER} ${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION_NUMBERS}"
VIAddVersionKey /LANG=1031 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1031 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1031 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1031 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Korvane.exe"
!define MUI_FINISHPAGE_RUN_TEXT "$(RunKorvane)"

; 1 when setup runs as the user at this desktop (never after a Run As
; install): only then does it start anything for that user.
Var ShellUser
; 1 when the running driver could not be unloaded: the new one (or none)
; takes over at the next start of Windows.
Var DriverHeld

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one shown where Windows speaks neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"

LangString RunKorvane ${LANG_GERMAN} "Korvane starten"
LangString RunKorvane ${LANG_ENGLISH} "Start Korvane"
LangString SecProgram ${LANG_GERMAN} "Korvane (erforderlich)"
LangString SecProgram ${LANG_ENGLISH} "Korvane (required)"
LangString SecDesktop ${LANG_GERMAN} "Verknüpfung auf dem Desktop"
LangString SecDesktop ${LANG_ENGLISH} "Desktop shortcut"
LangString IsRunning ${LANG_GERMAN} "Korvane läuft gerade.$\r$\nBitte beenden Sie Korvane und starten Sie dieses Programm dann noch einmal.$\r$\n$\r$\nEs wurde nichts geändert."
LangString IsRunning ${LANG_ENGLISH} "Korvane is running.$\r$\nPlease close Korvane, then start this program again.$\r$\n$\r$\nNothing has been changed."
LangString NeedsAdmin ${LANG_GERMAN} "Bitte starten Sie Setup als Administrator: nur ein Administrator kann Korvane für alle Benutzer installieren.$\r$\n$\r$\nEs wurde nichts geändert."
LangString NeedsAdmin ${LANG_ENGLISH} "Please run setup as an administrator: only an administrator can install Korvane for every user.$\r$\n$\r$\nNothing has been changed."
LangString NoAccess ${LANG_GERMAN} "Den Benutzern konnte kein Zugriff auf die Einstellungen von Korvane gegeben werden (Fehler $0).$\r$\nKorvane funktioniert dann nur für Administratoren."
LangString NoAccess ${LANG_ENGLISH} "Users could not be given access to Korvane's settings (error $0).$\r$\nKorvane will then work for administrators only."
LangString KeepSettings ${LANG_GERMAN} "Sollen Ihre Einstellungen von Korvane (Regler, Lautstärke, Fensterform) für eine spätere Installation erhalten bleiben?"
LangString KeepSettings ${LANG_ENGLISH} "Keep your Korvane settings (knobs, volume, window form) for a later installation?"
LangString ReadmeName ${LANG_GERMAN} "Liesmich"
LangString ReadmeName ${LANG_ENGLISH} "Read me"
LangString UninstallName ${LANG_GERMAN} "Korvane deinstallieren"
LangString UninstallName ${LANG_ENGLISH} "Uninstall Korvane"
LangString HostRunning ${LANG_GERMAN} "Korvane läuft noch in der Sitzung eines anderen Benutzers und konnte nicht beendet werden.$\r$\nBitte melden Sie die anderen Benutzer ab und starten Sie dieses Programm dann noch einmal.$\r$\n$\r$\nEs wurde nichts geändert."
LangString HostRunning ${LANG_ENGLISH} "Korvane is still running in another user's session and could not be ended.$\r$\nPlease log the other users off, then start this program again.$\r$\n$\r$\nNothing has been changed."
LangString Is64Bit ${LANG_GERMAN} "Korvane läuft nicht unter einer 64-Bit-Version von Windows: sein Treiber ist ein 32-Bit-Treiber.$\r$\n$\r$\nEs wurde nichts geändert."
LangString Is64Bit ${LANG_ENGLISH} "Korvane does not run on a 64-bit version of Windows: its driver is a 32-bit driver.$\r$\n$\r$\nNothing has been changed."
LangString RestartFirst ${LANG_GERMAN} "Korvane wurde entfernt, und Windows wurde seither nicht neu gestartet.$\r$\nBitte starten Sie Windows neu und dann dieses Programm noch einmal.$\r$\n$\r$\nEs wurde nichts geändert."
LangString RestartFirst ${LANG_ENGLISH} "Korvane was removed and Windows has not been restarted since.$\r$\nPlease restart Windows, then start this program again.$\r$\n$\r$\nNothing has been changed."
LangString RestartToFinish ${LANG_GERMAN} "Der Treiber von Korvane wird noch benutzt. Die Änderung wird beim nächsten Start von Windows wirksam.$\r$\n$\r$\nWindows jetzt neu starten?"
LangString RestartToFinish ${LANG_ENGLISH} "Korvane's driver is still in use. The change takes effect when Windows starts next.$\r$\n$\r$\nRestart Windows now?"
LangString ServiceFailed ${LANG_GERMAN} "Der Treiber von Korvane konnte nicht eingerichtet werden (Fehler $R7 bei $R6)."
LangString ServiceFailed ${LANG_ENGLISH} "Korvane's driver could not be set up (error $R7 at $R6)."
LangString HostAtLogon ${LANG_GERMAN} "Setup läuft nicht als der angemeldete Benutzer: die Effekte beginnen bei dessen nächster Anmeldung."
LangString HostAtLogon ${LANG_ENGLISH} "Setup does not run as the logged-on user: the effects start at that user's next logon."

; The helper of the NT family (SetupAid.cpp), unpacked once per run.
!macro SETUPAID_FUNCTION UN
Function ${UN}UnpackSetupAid
    InitPluginsDir
    ${IfNot} ${FileExists} "$PLUGINSDIR\SetupAid.exe"
        File "/oname=$PLUGINSDIR\SetupAid.exe" "${SETUPAID_EXE}"
    ${EndIf}
FunctionEnd
!macroend
!insertmacro SETUPAID_FUNCTION ""
!insertmacro SETUPAID_FUNCTION "un."

; Refuses while Korvane runs: a message (none in silent mode), exit code 2.
; A mutex that exists but may not be opened (another user's Korvane) counts
; as running; on the NT family every session's is looked at.
!macro REFUSE_WHILE_RUNNING UN
    System::Call 'kernel32::OpenMutexA(i 0x00100000, i 0, t "${KORVANE_MUTEX}") i .r0 ?e'
    Pop $1
    ${If} $0 <> 0
        System::Call 'kernel32::CloseHandle(i r0)'
        StrCpy $1 5
    ${ElseIf} ${IsNT}
    ${AndIf} $1 <> 5
        Call ${UN}UnpackSetupAid
        ExecWait '"$PLUGINSDIR\SetupAid.exe" running "${KORVANE_MUTEX}"' $1
        ${If} $1 <> 0
            StrCpy $1 5
        ${EndIf}
    ${EndIf}
    ${If} $1 = 5
        MessageBox MB_OK|MB_ICONEXCLAMATION "$(IsRunning)" /SD IDOK
        SetErrorLevel ${EXIT_RUNNING}
        Quit
    ${EndIf}
!macroend

; On the NT family only an administrator may install or remove the driver
; and write below Program Files and HKEY_LOCAL_MACHINE; a half-done run, or
; a limited user's uninstall taking everyone's settings, helps no one.
!macro REFUSE_UNLESS_ADMIN
    ${If} ${IsNT}
        UserInfo::GetAccountType
        Pop $0
        ${If} $0 != "Admin"
            MessageBox MB_OK|MB_ICONEXCLAMATION "$(NeedsAdmin)" /SD IDOK
            SetErrorLevel ${EXIT_NOT_ADMIN}
            Quit
        ${EndIf}
    ${EndIf}
!macroend

; Writes one setting with its default, only where the key has no value of
; that name (of any type): the user's own settings survive a new install.
!macro DEFAULT_SETTING NAME VALUE
    Push "${NAME}"
    Call SettingExists
    Pop $1
    ${If} $1 == 0
        WriteRegDWORD HKLM "${SETTINGS_KEY}" "${NAME}" ${VALUE}
    ${EndIf}
!macroend

Function .onInit
    StrCpy $ShellUser 1
    StrCpy $DriverHeld 0
    !insertmacro REFUSE_WHILE_RUNNING ""
    ; XP x64 and 2003 x64 redirect the system folder and load no 32-bit driver.
    ${If} ${RunningX64}
        MessageBox MB_OK|MB_ICONSTOP "$(Is64Bit)" /SD IDOK
        SetErrorLevel ${EXIT_64BIT}
        Quit
    ${EndIf}
    !insertmacro REFUSE_UNLESS_ADMIN
    ${If} ${IsNT}
        Call CheckDriverService
        Call UnpackSetupAid
        ExecWait '"$PLUGINSDIR\SetupAid.exe" shelluser' $0
        ${If} $0 <> 0
            StrCpy $ShellUser 0
        ${EndIf}
    ${EndIf}
FunctionEnd

; A Run As install starts nothing on the user's desktop with its own rights.
Function FinishShow
    ${If} $ShellUser <> 1
        SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
        ShowWindow $mui.FinishPage.Run ${SW_HIDE}
    ${EndIf}
FunctionEnd

; Stack in: value name. Stack out: 1 when the settings key has it, else 0.
Function SettingExists
    Exch $R0
    Push $R1
    Push $R2
    StrCpy $R2 0
    ${Do}
        ClearErrors
        EnumRegValue $R1 HKLM "${SETTINGS_KEY}" $R2
        ${If} ${Errors}
        ${OrIf} $R1 == ""
            StrCpy $R0 0
            ${Break}
        ${EndIf}
        ${If} $R1 == $R0
            StrCpy $R0 1
            ${Break}
        ${EndIf}
        IntOp $R2 $R2 + 1
    ${Loop}
    Pop $R2
    Pop $R1
    Exch $R0
FunctionEnd

;; ---- The logon host ------------------------------------------------------
; Ends the host of every session before its file or the driver it reads is
; touched (on Windows 9x there is one session, and one host). Refuses, with
; nothing changed, while one stays.
!macro END_HOSTS UN
    ${If} ${IsNT}
        Call ${UN}UnpackSetupAid
        ExecWait '"$PLUGINSDIR\SetupAid.exe" endhosts' $0
    ${Else}
        Call ${UN}EndHost9x
        Pop $0
    ${EndIf}
    ${If} $0 <> 0
        MessageBox MB_OK|MB_ICONEXCLAMATION "$(HostRunning)" /SD IDOK
        SetErrorLevel ${EXIT_RUNNING}
        Quit
    ${EndIf}
!macroend

; Windows 9x: asks the host to end, again until it has (a host still
; starting makes its event only after a first ask), at most twenty seconds.
; Stack out: 0 when none runs.
!macro END_HOST_9X_FUNCTION UN
Function ${UN}EndHost9x
    StrCpy $1 0
    ${Do}
        System::Call 'kernel32::OpenMutexA(i 0x00100000, i 0, t "${HOST_MUTEX}") i .r0'
        ${If} $0 = 0
            Push 0
            Return
        ${EndIf}
        System::Call 'kernel32::CloseHandle(i r0)'
        System::Call 'kernel32::OpenEventA(i 0x0002, i 0, t "${HOST_QUIT}") i .r0'
        ${If} $0 <> 0
            System::Call 'kernel32::SetEvent(i r0)'
            System::Call 'kernel32::CloseHandle(i r0)'
        ${EndIf}
        ${If} $1 >= 80
            Push 1
            Return
        ${EndIf}
        Sleep 250
        IntOp $1 $1 + 1
    ${Loop}
FunctionEnd
!macroend
!insertmacro END_HOST_9X_FUNCTION ""
!insertmacro END_HOST_9X_FUNCTION "un."

; Installs a file that a running program may hold (the wave hook stays in
; the programs it was in): replaced now when it can be, else at the restart.
!macro INSTALL_HELD_FILE SOURCE NAME
    Delete "$INSTDIR\${NAME}"
    ${If} ${FileExists} "$INSTDIR\${NAME}"
        File "/oname=$INSTDIR\${NAME}.new" "${SOURCE}"
        Rename /REBOOTOK "$INSTDIR\${NAME}.new" "$INSTDIR\${NAME}"
    ${Else}
        File "/oname=$INSTDIR\${NAME}" "${SOURCE}"
    ${EndIf}
!macroend

; The host on every Windows: it brings the engine into each program from
; logon (95, 98, ME); on 2000 and later it carries the driver's state.
; Running ones ended before anything was changed (the first section).
Function InstallHost
    !insertmacro INSTALL_HELD_FILE "${HOST_EXE}" "KorvHost.exe"
    WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\KorvHost.exe"'
FunctionEnd

Function un.RemoveHost
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
    Delete "$INSTDIR\KorvHost.exe.new"
    Delete /REBOOTOK "$INSTDIR\KorvHost.exe"
FunctionEnd
;; ---- end of the logon host ------------------------------------------------

; First: nothing is changed while Korvane or a host that cannot be ended runs.
Section "-Prepare"
    ; Korvane may have been started while the pages were shown.
    !insertmacro REFUSE_WHILE_RUNNING ""
    !insertmacro END_HOSTS ""
SectionEnd

; ---- The effects driver (Windows 2000, XP and 2003 only) -------------------
; A kernel service that starts with the system; setup also starts it at once.
; An update stops it, replaces the file and starts it again; a driver the
; system cannot unload yet (a handle still open) is replaced at the next
; restart, and setup says so. Service calls go straight to advapi32 (Windows
; 2000 has no sc), and each one is checked.
!define FXDRV_SERVICE "KorvaneFx"
!define FXDRV_DISPLAY "Korvane Effects Driver"
!define FXDRV_FILE "korvfx.sys"
!define FXDRV_IMAGE "\SystemRoot\System32\drivers\${FXDRV_FILE}"
!define FXDRV_SCM_ACCESS 0xF003F      ; SC_MANAGER_ALL_ACCESS
!define FXDRV_SERVICE_ACCESS 0xF01FF  ; SERVICE_ALL_ACCESS
!define ERROR_SERVICE_MARKED_FOR_DELETE 1072
!define ERROR_SERVICE_ALREADY_RUNNING 1056

; Ends the run after a failed service call: $R6 names the call, $R7 has the
; error. Exit code 8.
!macro SERVICE_FAILED
    DetailPrint "$(ServiceFailed)"
    MessageBox MB_OK|MB_ICONSTOP "$(ServiceFailed)" /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Quit
!macroend

; Before anything is changed: a service marked for deletion (removed, no
; restart since) cannot be configured or started again, and one still
; stopping holds the old driver; both wait for the restart.
Function CheckDriverService
    System::Call 'advapi32::OpenSCManagerA(i 0, i 0, i ${FXDRV_SCM_ACCESS}) i .r1 ?e'
    Pop $R7
    ${If} $1 = 0
        StrCpy $R6 OpenSCManager
        !insertmacro SERVICE_FAILED
    ${EndIf}
    System::Call 'advapi32::OpenServiceA(i r1, t "${FXDRV_SERVICE}", i ${FXDRV_SERVICE_ACCESS}) i .r2 ?e'
    Pop $5
    StrCpy $6 ""
    ${If} $2 = 0
    ${AndIf} $5 = ${ERROR_SERVICE_MARKED_FOR_DELETE}
        StrCpy $6 stuck
    ${ElseIf} $2 <> 0
        ; No change at all: fails only for a service marked for deletion.
        System::Call 'advapi32::ChangeServiceConfigA(i r2, i -1, i -1, i -1, i 0, i 0, i 0, i 0, i 0, i 0, i 0) i .r4 ?e'
        Pop $5
        System::Call '*(i, i, i, i, i, i, i) i .r3'
        System::Call 'advapi32::QueryServiceStatus(i r2, i r3) i .r6'
        System::Call '*$3(i, i .r7)'
        System::Free $3
        System::Call 'advapi32::CloseServiceHandle(i r2)'
        ${If} $4 = 0
        ${AndIf} $5 = ${ERROR_SERVICE_MARKED_FOR_DELETE}
            StrCpy $6 stuck
        ${ElseIf} $6 <> 0
        ${AndIf} $7 = 3
            StrCpy $6 stuck
        ${EndIf}
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(i r1)'
    ${If} $6 == stuck
        MessageBox MB_OK|MB_ICONEXCLAMATION "$(RestartFirst)" /SD IDOK
        SetErrorLevel ${EXIT_RESTART_FIRST}
        Quit
    ${EndIf}
FunctionEnd

; Stops the driver's service when it runs, waiting up to ten seconds.
; Stack out: 1 when it is stopped (or not there), 0 when the system still
; holds it (a handle open: the unload waits for it).
!macro FXDRV_STOP_FUNCTION UN
Function ${UN}StopEffectsDriver
    System::Call 'advapi32::OpenSCManagerA(i 0, i 0, i ${FXDRV_SCM_ACCESS}) i .r1 ?e'
    Pop $R7
    ${If} $1 = 0
        StrCpy $R6 OpenSCManager
        !insertmacro SERVICE_FAILED
    ${EndIf}
    StrCpy $R5 1
    System::Call 'advapi32::OpenServiceA(i r1, t "${FXDRV_SERVICE}", i ${FXDRV_SERVICE_ACCESS}) i .r2'
    ${If} $2 <> 0
        System::Call '*(i, i, i, i, i, i, i) i .r3'
        System::Call 'advapi32::ControlService(i r2, i 1, i r3) i .r4'
        StrCpy $5 0
        ${Do}
            System::Call 'advapi32::QueryServiceStatus(i r2, i r3) i .r4'
            System::Call '*$3(i, i .r6)'
            ${If} $4 = 0
            ${OrIf} $5 >= 100
                StrCpy $R5 0
                ${Break}
            ${EndIf}
            ${If} $6 = 1
                ${Break}
            ${EndIf}
            Sleep 100
            IntOp $5 $5 + 1
        ${Loop}
        System::Free $3
        System::Call 'advapi32::CloseServiceHandle(i r2)'
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(i r1)'
    Push $R5
FunctionEnd
!macroend
!insertmacro FXDRV_STOP_FUNCTION ""
!insertmacro FXDRV_STOP_FUNCTION "un."

Function InstallEffectsDriver
    Call StopEffectsDriver
    Pop $0
    ${If} $0 <> 1
        StrCpy $DriverHeld 1
    ${EndIf}
    ; Whether this run makes the file and the service, to be taken back on failure.
    StrCpy $R4 0
    ${IfNot} ${FileExists} "$SYSDIR\drivers\${FXDRV_FILE}"
        StrCpy $R4 1
    ${EndIf}
    SetOutPath "$SYSDIR\drivers"
    ClearErrors
    ${If} $DriverHeld = 0
        File "/oname=${FXDRV_FILE}" "${DRIVER_SYS}"
    ${Else}
        SetErrors
    ${EndIf}
    ${If} ${Errors}
        ClearErrors
        File "/oname=${FXDRV_FILE}.new" "${DRIVER_SYS}"
        ${If} ${Errors}
            StrCpy $R6 "$SYSDIR\drivers\${FXDRV_FILE}"
            StrCpy $R7 ?
            !insertmacro SERVICE_FAILED
        ${EndIf}
        Rename /REBOOTOK "$SYSDIR\drivers\${FXDRV_FILE}.new" "$SYSDIR\drivers\${FXDRV_FILE}"
        StrCpy $DriverHeld 1
    ${EndIf}
    ; Shortcuts made later take the output folder as their working folder.
    SetOutPath "$INSTDIR"

    System::Call 'advapi32::OpenSCManagerA(i 0, i 0, i ${FXDRV_SCM_ACCESS}) i .r1 ?e'
    Pop $R7
    ${If} $1 = 0
        StrCpy $R6 OpenSCManager
        Call UndoNewDriver
        !insertmacro SERVICE_FAILED
    ${EndIf}
    ; SERVICE_KERNEL_DRIVER, SERVICE_SYSTEM_START, SERVICE_ERROR_NORMAL.
    System::Call 'advapi32::OpenServiceA(i r1, t "${FXDRV_SERVICE}", i ${FXDRV_SERVICE_ACCESS}) i .r2'
    ${If} $2 <> 0
        System::Call 'advapi32::ChangeServiceConfigA(i r2, i 1, i 1, i 1, t "${FXDRV_IMAGE}", i 0, i 0, i 0, i 0, i 0, t "${FXDRV_DISPLAY}") i .r4 ?e'
        Pop $R7
        StrCpy $R6 ChangeServiceConfig
    ${Else}
        System::Call 'advapi32::CreateServiceA(i r1, t "${FXDRV_SERVICE}", t "${FXDRV_DISPLAY}", i ${FXDRV_SERVICE_ACCESS}, i 1, i 1, i 1, t "${FXDRV_IMAGE}", i 0, i 0, i 0, i 0, i 0) i .r2 ?e'
        Pop $R7
        StrCpy $R6 CreateService
        StrCpy $4 $2
    ${EndIf}
    ${If} $4 = 0
        ${If} $2 <> 0
            System::Call 'advapi32::CloseServiceHandle(i r2)'
        ${EndIf}
        System::Call 'advapi32::CloseServiceHandle(i r1)'
        Call UndoNewDriver
        !insertmacro SERVICE_FAILED
    ${EndIf}
    ${If} $DriverHeld = 0
        ; At once, not only at the next start of the system.
        System::Call 'advapi32::StartServiceA(i r2, i 0, i 0) i .r4 ?e'
        Pop $R7
        ${If} $4 = 0
        ${AndIf} $R7 <> ${ERROR_SERVICE_ALREADY_RUNNING}
            StrCpy $R6 StartService
        ${Else}
            StrCpy $R6 ""
        ${EndIf}
        System::Call '*(i, i, i, i, i, i, i) i .r3'
        StrCpy $5 0
        ${Do}
            System::Call 'advapi32::QueryServiceStatus(i r2, i r3) i .r4'
            System::Call '*$3(i, i .r6)'
            ; Until it no longer says START_PENDING.
            ${If} $4 = 0
            ${OrIf} $6 <> 2
            ${OrIf} $5 >= 100
                ${Break}
            ${EndIf}
            Sleep 100
            IntOp $5 $5 + 1
        ${Loop}
        System::Free $3
        DetailPrint "${FXDRV_SERVICE}: state $6"
        ${If} $R6 == ""
        ${AndIf} $6 <> 4
            StrCpy $R6 StartService
            StrCpy $R7 "state $6"
        ${EndIf}
        ${If} $R6 == StartService
            ; A new driver that does not run is taken back (an update's file stays).
            ${If} $R4 = 1
                System::Call 'advapi32::DeleteService(i r2)'
            ${EndIf}
            System::Call 'advapi32::CloseServiceHandle(i r2)'
            System::Call 'advapi32::CloseServiceHandle(i r1)'
            Call UndoNewDriver
            !insertmacro SERVICE_FAILED
        ${EndIf}
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(i r2)'
    System::Call 'advapi32::CloseServiceHandle(i r1)'
FunctionEnd

; The driver file this run put where there was none goes again. The service's
; process may still hold the image for a moment after a failed start, so try
; for up to five seconds before leaving it to the next restart.
Function UndoNewDriver
    ${If} $R4 = 1
        StrCpy $R8 0
        ${Do}
            Delete "$SYSDIR\drivers\${FXDRV_FILE}"
            ${IfNot} ${FileExists} "$SYSDIR\drivers\${FXDRV_FILE}"
                ${Break}
            ${EndIf}
            ${If} $R8 >= 50
                Delete /REBOOTOK "$SYSDIR\drivers\${FXDRV_FILE}"
                ${Break}
            ${EndIf}
            Sleep 100
            IntOp $R8 $R8 + 1
        ${Loop}
    ${EndIf}
FunctionEnd

Function un.RemoveEffectsDriver
    Call un.StopEffectsDriver
    Pop $0
    ${If} $0 <> 1
        StrCpy $DriverHeld 1
    ${EndIf}
    System::Call 'advapi32::OpenSCManagerA(i 0, i 0, i ${FXDRV_SCM_ACCESS}) i .r1 ?e'
    Pop $R7
    ${If} $1 = 0
        StrCpy $R6 OpenSCManager
        !insertmacro SERVICE_FAILED
    ${EndIf}
    System::Call 'advapi32::OpenServiceA(i r1, t "${FXDRV_SERVICE}", i ${FXDRV_SERVICE_ACCESS}) i .r2'
    ${If} $2 <> 0
        System::Call 'advapi32::DeleteService(i r2) i .r4 ?e'
        Pop $R7
        System::Call 'advapi32::CloseServiceHandle(i r2)'
        ${If} $4 = 0
        ${AndIf} $R7 <> ${ERROR_SERVICE_MARKED_FOR_DELETE}
            System::Call 'advapi32::CloseServiceHandle(i r1)'
            StrCpy $R6 DeleteService
            !insertmacro SERVICE_FAILED
        ${EndIf}
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(i r1)'
    Delete /REBOOTOK "$SYSDIR\drivers\${FXDRV_FILE}"
    Delete "$SYSDIR\drivers\${FXDRV_FILE}.new"
FunctionEnd

Section "-EffectsDriver" SecEffectsDriver
    ${If} ${IsNT}
        Call InstallEffectsDriver
    ${EndIf}
SectionEnd
; ---- end of the effects driver -------------------------------------------

Section "$(SecProgram)" SecProgram
    SectionIn RO
    SetShellVarContext all

    SetOutPath "$INSTDIR"
    File "/oname=Korvane.exe" "${KORVANE_EXE}"
    File "/oname=Liesmich.txt" "${README}"
    Call InstallHost
    ; The engine: on Windows 95, 98 and ME Korvane and the host load it; on
    ; 2000 and later only the host does, handing it the driver's state.
    !insertmacro INSTALL_HELD_FILE "${HOOK_DLL}" "WavHok32.dll"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    ; The settings key: the program opens it but never creates it.
    !insertmacro DEFAULT_SETTING "3D Volume" 6
    !insertmacro DEFAULT_SETTING "Vibe volume" 6
    !insertmacro DEFAULT_SETTING "Soundfields volume" 0
    !insertmacro DEFAULT_SETTING "Headphones enabled" 0
    !insertmacro DEFAULT_SETTING "UI minimized" 0
    !insertmacro DEFAULT_SETTING "Master volume" 20

    ; Windows 2000 and later: a limited user may otherwise not open the key
    ; with the full access the program asks for. Windows 9x has no key
    ; permissions.
    ${If} ${IsNT}
        Call UnpackSetupAid
        StrCpy $0 "-"
        ExecWait '"$PLUGINSDIR\SetupAid.exe" grant "${SETTINGS_KEY}"' $0
        ${If} $0 != 0
            DetailPrint "$(NoAccess)"
            MessageBox MB_OK|MB_ICONEXCLAMATION "$(NoAccess)" /SD IDOK
            SetErrorLevel ${EXIT_NO_ACCESS}
        ${EndIf}
    ${EndIf}

    CreateDirectory "$SMPROGRAMS\Korvane"
    CreateShortCut "$SMPROGRAMS\Korvane\Korvane.lnk" "$INSTDIR\Korvane.exe" "" "$INSTDIR\Korvane.exe" 0
    CreateShortCut "$SMPROGRAMS\Korvane\$(UninstallName).lnk" "$INSTDIR\${UNINSTALLER}"
    CreateShortCut "$SMPROGRAMS\Korvane\$(ReadmeName).lnk" "$INSTDIR\Liesmich.txt"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Korvane.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "$(SecDesktop)" SecDesktop
    SetShellVarContext all
    CreateShortCut "$DESKTOP\Korvane.lnk" "$INSTDIR\Korvane.exe" "" "$INSTDIR\Korvane.exe" 0
SectionEnd

; Last: the host starts now, as it will at every logon, but only as the
; user at this desktop: never with an administrator's rights on a limited
; user's desktop (a Run As install), where any program of the user's could
; reach into it.
Section "-StartHost"
    ${If} $ShellUser = 1
        Exec '"$INSTDIR\KorvHost.exe"'
    ${Else}
        DetailPrint "$(HostAtLogon)"
        MessageBox MB_OK|MB_ICONINFORMATION "$(HostAtLogon)" /SD IDOK
    ${EndIf}
SectionEnd

; A driver still held: the restart is asked for (setup's finish page offers
; it; silently, exit code 6).
!macro MARK_RESTART
    ${If} $DriverHeld = 1
        SetRebootFlag true
        SetErrorLevel ${EXIT_RESTART_TO_FINISH}
    ${EndIf}
!macroend

Section "-MarkRestart"
    !insertmacro MARK_RESTART
SectionEnd

Function un.onInit
    StrCpy $DriverHeld 0
    !insertmacro REFUSE_WHILE_RUNNING "un."
    !insertmacro REFUSE_UNLESS_ADMIN
FunctionEnd

Function un.onUninstSuccess
    ${If} $DriverHeld = 1
        MessageBox MB_YESNO|MB_ICONQUESTION "$(RestartToFinish)" /SD IDNO IDNO +2
        Reboot
    ${EndIf}
FunctionEnd

; First: nothing is removed while Korvane or a host that cannot be ended
; runs; the hosts let go of the driver before it is stopped.
Section "-un.Prepare"
    !insertmacro REFUSE_WHILE_RUNNING "un."
    !insertmacro END_HOSTS "un."
SectionEnd

Section "-un.EffectsDriver"
    ${If} ${IsNT}
        Call un.RemoveEffectsDriver
    ${EndIf}
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    Call un.RemoveHost

    Delete "$DESKTOP\Korvane.lnk"
    Delete "$SMPROGRAMS\Korvane\Korvane.lnk"
    Delete "$SMPROGRAMS\Korvane\$(UninstallName).lnk"
    Delete "$SMPROGRAMS\Korvane\$(ReadmeName).lnk"
    ; Shortcuts an install in the other language left.
    Delete "$SMPROGRAMS\Korvane\Korvane deinstallieren.lnk"
    Delete "$SMPROGRAMS\Korvane\Uninstall Korvane.lnk"
    Delete "$SMPROGRAMS\Korvane\Liesmich.lnk"
    Delete "$SMPROGRAMS\Korvane\Read me.lnk"
    RMDir "$SMPROGRAMS\Korvane"

    Delete "$INSTDIR\Korvane.exe"
    Delete "$INSTDIR\Liesmich.txt"
    ; Another program may still hold the engine (the hooks brought it in).
    ; Then it goes at the next restart, and its folder with it; a replacement
    ; an update left waiting for that restart goes now.
    Delete "$INSTDIR\WavHok32.dll.new"
    Delete /REBOOTOK "$INSTDIR\WavHok32.dll"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir /REBOOTOK "$INSTDIR"
    ; The maker's folder only where setup put it.
    ${If} $INSTDIR == "$PROGRAMFILES\Velmora\Korvane"
        RMDir /REBOOTOK "$PROGRAMFILES\Velmora"
    ${EndIf}

    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ; The settings stay unless the user says otherwise; silently they stay
    ; unless /PURGE is given.
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/PURGE" $1
    ${IfNot} ${Errors}
        StrCpy $2 purge
    ${ElseIfNot} ${Silent}
        MessageBox MB_YESNO|MB_ICONQUESTION "$(KeepSettings)" /SD IDYES IDYES keep
        StrCpy $2 purge
        keep:
    ${EndIf}
    ${If} $2 == purge
        ; Users may write below the key, links included: only Korvane's own
        ; values go, then the key if nothing else is left in it. A tree
        ; delete would follow a link there into whatever it names.
        DeleteRegValue HKLM "${SETTINGS_KEY}" "3D Volume"
        DeleteRegValue HKLM "${SETTINGS_KEY}" "Vibe volume"
        DeleteRegValue HKLM "${SETTINGS_KEY}" "Soundfields volume"
        DeleteRegValue HKLM "${SETTINGS_KEY}" "Headphones enabled"
        DeleteRegValue HKLM "${SETTINGS_KEY}" "UI minimized"
        DeleteRegValue HKLM "${SETTINGS_KEY}" "Master volume"
        DeleteRegKey /ifempty HKLM "${SETTINGS_KEY}"
        DeleteRegKey /ifempty HKLM "SOFTWARE\Velmora"
    ${EndIf}
    !insertmacro MARK_RESTART
SectionEnd
