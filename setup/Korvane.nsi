; The Korvane setup program. An ANSI installer, so that it runs on Windows 95
; to 2003. Built by the build (setup/CMakeLists.txt), which passes:
;   VERSION          shown version, e.g. 1.1 (from the program's version resource)
;   VERSION_NUMBERS  four numbers, e.g. 1.1.0.0
;   KORVANE_EXE, HOOK_DLL, HOST_EXE, KEYGRANT_EXE, README, ICON   files to ship
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

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
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

; Refuses while Korvane runs: a message (none in silent mode), exit code 2.
!macro REFUSE_WHILE_RUNNING
    System::Call 'kernel32::OpenMutexA(i 0x00100000, i 0, t "${KORVANE_MUTEX}") i .r0'
    ${If} $0 <> 0
        System::Call 'kernel32::CloseHandle(i r0)'
        MessageBox MB_OK|MB_ICONEXCLAMATION "$(IsRunning)" /SD IDOK
        SetErrorLevel ${EXIT_RUNNING}
        Quit
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
    !insertmacro REFUSE_WHILE_RUNNING
    ; On Windows 2000 and later only an administrator may write below
    ; Program Files and HKEY_LOCAL_MACHINE; a half-done install helps no one.
    ${If} ${IsNT}
        UserInfo::GetAccountType
        Pop $0
        ${If} $0 != "Admin"
            MessageBox MB_OK|MB_ICONEXCLAMATION "$(NeedsAdmin)" /SD IDOK
            SetErrorLevel ${EXIT_NOT_ADMIN}
            Quit
        ${EndIf}
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
; Asks a running host to end and waits (at most ten seconds) until it has:
; its mutex goes with it. Used by setup and the uninstaller alike.
!macro STOP_HOST
    System::Call 'kernel32::OpenEventA(i 0x0002, i 0, t "${HOST_QUIT}") i .r0'
    ${If} $0 <> 0
        System::Call 'kernel32::SetEvent(i r0)'
        System::Call 'kernel32::CloseHandle(i r0)'
    ${EndIf}
    StrCpy $1 0
    ${Do}
        System::Call 'kernel32::OpenMutexA(i 0x00100000, i 0, t "${HOST_MUTEX}") i .r0'
        ${If} $0 = 0
            ${Break}
        ${EndIf}
        System::Call 'kernel32::CloseHandle(i r0)'
        ${If} $1 >= 100
            ${Break}
        ${EndIf}
        Sleep 100
        IntOp $1 $1 + 1
    ${Loop}
!macroend

Function StopHost
    !insertmacro STOP_HOST
FunctionEnd

Function un.StopHost
    !insertmacro STOP_HOST
FunctionEnd

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
; A running one (an update) ends first, so that its file can be replaced.
Function InstallHost
    Call StopHost
    !insertmacro INSTALL_HELD_FILE "${HOST_EXE}" "KorvHost.exe"
    WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\KorvHost.exe"'
FunctionEnd

Function un.RemoveHost
    Call un.StopHost
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
    Delete "$INSTDIR\KorvHost.exe.new"
    Delete /REBOOTOK "$INSTDIR\KorvHost.exe"
FunctionEnd
;; ---- end of the logon host ------------------------------------------------

Section "$(SecProgram)" SecProgram
    SectionIn RO
    ; Korvane may have been started while the pages were shown.
    !insertmacro REFUSE_WHILE_RUNNING
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
        InitPluginsDir
        File "/oname=$PLUGINSDIR\KeyGrant.exe" "${KEYGRANT_EXE}"
        StrCpy $0 "-"
        ExecWait '"$PLUGINSDIR\KeyGrant.exe" "${SETTINGS_KEY}"' $0
        Delete "$PLUGINSDIR\KeyGrant.exe"
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

; ---- The effects driver (Windows 2000, XP and 2003 only) -------------------
; A kernel service that starts with the system; setup also starts it at once.
; An update stops it, replaces the file and starts it again; a file the
; system still holds is replaced (or, by the uninstaller, removed) at the
; next restart. Service calls go straight to advapi32: Windows 2000 has no sc.
!define FXDRV_SERVICE "KorvaneFx"
!define FXDRV_DISPLAY "Korvane Effects Driver"
!define FXDRV_FILE "korvfx.sys"
!define FXDRV_IMAGE "\SystemRoot\System32\drivers\${FXDRV_FILE}"
!define FXDRV_SCM_ACCESS 0xF003F      ; SC_MANAGER_ALL_ACCESS
!define FXDRV_SERVICE_ACCESS 0xF01FF  ; SERVICE_ALL_ACCESS

; Stops the driver's service when it runs, waiting up to ten seconds.
!macro FXDRV_STOP_FUNCTION UN
Function ${UN}StopEffectsDriver
    System::Call 'advapi32::OpenSCManagerA(i 0, i 0, i ${FXDRV_SCM_ACCESS}) i .r1'
    ${If} $1 = 0
        Return
    ${EndIf}
    System::Call 'advapi32::OpenServiceA(i r1, t "${FXDRV_SERVICE}", i ${FXDRV_SERVICE_ACCESS}) i .r2'
    ${If} $2 <> 0
        System::Call '*(i, i, i, i, i, i, i) i .r3'
        System::Call 'advapi32::ControlService(i r2, i 1, i r3) i .r4'
        StrCpy $5 0
        ${Do}
            System::Call 'advapi32::QueryServiceStatus(i r2, i r3) i .r4'
            System::Call '*$3(i, i .r6)'
            ${If} $4 = 0
            ${OrIf} $6 = 1
            ${OrIf} $5 >= 100
                ${Break}
            ${EndIf}
            Sleep 100
            IntOp $5 $5 + 1
        ${Loop}
        System::Free $3
        System::Call 'advapi32::CloseServiceHandle(i r2)'
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(i r1)'
FunctionEnd
!macroend
!insertmacro FXDRV_STOP_FUNCTION ""
!insertmacro FXDRV_STOP_FUNCTION "un."

Function InstallEffectsDriver
    Call StopEffectsDriver
    SetOutPath "$SYSDIR\drivers"
    ClearErrors
    File "/oname=${FXDRV_FILE}" "${DRIVER_SYS}"
    ${If} ${Errors}
        File "/oname=${FXDRV_FILE}.new" "${DRIVER_SYS}"
        Rename /REBOOTOK "$SYSDIR\drivers\${FXDRV_FILE}.new" "$SYSDIR\drivers\${FXDRV_FILE}"
    ${EndIf}
    ; Shortcuts made later take the output folder as their working folder.
    SetOutPath "$INSTDIR"

    System::Call 'advapi32::OpenSCManagerA(i 0, i 0, i ${FXDRV_SCM_ACCESS}) i .r1'
    ${If} $1 = 0
        DetailPrint "${FXDRV_SERVICE}: no service manager"
        Return
    ${EndIf}
    ; SERVICE_KERNEL_DRIVER, SERVICE_SYSTEM_START, SERVICE_ERROR_NORMAL.
    System::Call 'advapi32::OpenServiceA(i r1, t "${FXDRV_SERVICE}", i ${FXDRV_SERVICE_ACCESS}) i .r2'
    ${If} $2 <> 0
        System::Call 'advapi32::ChangeServiceConfigA(i r2, i 1, i 1, i 1, t "${FXDRV_IMAGE}", i 0, i 0, i 0, i 0, i 0, t "${FXDRV_DISPLAY}") i .r4'
    ${Else}
        System::Call 'advapi32::CreateServiceA(i r1, t "${FXDRV_SERVICE}", t "${FXDRV_DISPLAY}", i ${FXDRV_SERVICE_ACCESS}, i 1, i 1, i 1, t "${FXDRV_IMAGE}", i 0, i 0, i 0, i 0, i 0) i .r2'
    ${EndIf}
    ${If} $2 <> 0
        ; At once, not only at the next start of the system.
        System::Call 'advapi32::StartServiceA(i r2, i 0, i 0) i .r4'
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
        System::Call 'advapi32::CloseServiceHandle(i r2)'
    ${Else}
        DetailPrint "${FXDRV_SERVICE}: the service could not be created"
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(i r1)'
FunctionEnd

Function un.RemoveEffectsDriver
    Call un.StopEffectsDriver
    System::Call 'advapi32::OpenSCManagerA(i 0, i 0, i ${FXDRV_SCM_ACCESS}) i .r1'
    ${If} $1 <> 0
        System::Call 'advapi32::OpenServiceA(i r1, t "${FXDRV_SERVICE}", i ${FXDRV_SERVICE_ACCESS}) i .r2'
        ${If} $2 <> 0
            System::Call 'advapi32::DeleteService(i r2) i .r4'
            System::Call 'advapi32::CloseServiceHandle(i r2)'
        ${EndIf}
        System::Call 'advapi32::CloseServiceHandle(i r1)'
    ${EndIf}
    Delete /REBOOTOK "$SYSDIR\drivers\${FXDRV_FILE}"
    Delete "$SYSDIR\drivers\${FXDRV_FILE}.new"
FunctionEnd

Section "-EffectsDriver" SecEffectsDriver
    ${If} ${IsNT}
        Call InstallEffectsDriver
    ${EndIf}
SectionEnd

Section "-un.EffectsDriver"
    !insertmacro REFUSE_WHILE_RUNNING
    ${If} ${IsNT}
        Call un.RemoveEffectsDriver
    ${EndIf}
SectionEnd
; ---- end of the effects driver -------------------------------------------

Section "$(SecDesktop)" SecDesktop
    SetShellVarContext all
    CreateShortCut "$DESKTOP\Korvane.lnk" "$INSTDIR\Korvane.exe" "" "$INSTDIR\Korvane.exe" 0
SectionEnd

; Last: the host starts now, as it will at every logon.
Section "-StartHost"
    Exec '"$INSTDIR\KorvHost.exe"'
SectionEnd

Function un.onInit
    !insertmacro REFUSE_WHILE_RUNNING
FunctionEnd

Section "Uninstall"
    !insertmacro REFUSE_WHILE_RUNNING
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
        DeleteRegKey HKLM "${SETTINGS_KEY}"
        DeleteRegKey /ifempty HKLM "SOFTWARE\Velmora"
    ${EndIf}
SectionEnd

