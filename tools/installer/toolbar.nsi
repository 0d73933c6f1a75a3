; The installer of one configured toolbar: both DLLs, the configuration, its
; banner and notice file, the installation's registry values in both registry
; views, the registration of each DLL with its own regsvr32, and an
; uninstaller that takes all of it away again.
;
; Made by make_installer.sh, which passes:
;   TOOLBAR_NAME  [Options] "Toolbar Name"      TOOLBAR_FILE  the configuration's base name
;   COMPANY       [Options] "Company Name"      VERSION  [Options] "Config Version", when set
;   CONFIG        the configuration file        BANNER, NOTICE  the banner and Copyrights.txt, when there are
;   ANIMATION, ANIMATION_NAME  the animated banner the configuration names, and its name
;   DLL64, DLL32  Pelliquester.dll of the x86_64 and of the i686 build
;   ICON          the toolbar's icon, for the list of installed programs
;   OUTFILE       the installer to write
;   SIGN_UNINSTALLER  a command that signs the file it is given, when the
;                 uninstaller is to be signed
;
; The uninstaller removes the toolbar's user state too (the values the toolbar
; keeps, the search history, the current user's copies) when the user agrees;
; silently (/S) it keeps them unless /PURGE is given.
;
; One band class serves one toolbar per machine: installing a toolbar first
; removes the one installed elsewhere (another publisher's, or this one in
; another directory), keeping the user state, so that nothing is left behind
; unlisted. An uninstaller takes the registration away only while it is its
; own.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define BAND_ID "{239C3CF1-51CD-435E-8519-61775A6780CF}"
!define BAND_KEY "SOFTWARE\Microsoft\Internet Explorer\Explorer Bars\${BAND_ID}"
!define TOOLBAR_LIST_KEY "SOFTWARE\Microsoft\Internet Explorer\Toolbar"
!define BARS_KEY "SOFTWARE\Microsoft\Internet Explorer\Explorer Bars"
; One band class serves one toolbar per machine, so one entry serves them all.
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelliquester ${BAND_ID}"
!define USER_FOLDER "Pelliquester\${TOOLBAR_NAME}"

Name "${TOOLBAR_NAME}"
OutFile "${OUTFILE}"
!ifdef SIGN_UNINSTALLER
  ; Without the comparison makensis would carry on with an unsigned
  ; uninstaller when signing fails.
  !uninstfinalize '"${SIGN_UNINSTALLER}" "%1"' = 0
!endif
InstallDir "$PROGRAMFILES64\${TOOLBAR_NAME}"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var Purge

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "${TOOLBAR_NAME} needs 64-bit Windows." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  ; An upgrade goes where this toolbar is installed, unless /D= says else
  ; (a /D= naming the default directory cannot be told apart from none).
  ${If} $INSTDIR == "$PROGRAMFILES64\${TOOLBAR_NAME}"
    SetRegView 64
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayName"
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == "${TOOLBAR_NAME}"
    ${AndIf} $1 != ""
      StrCpy $INSTDIR $1
    ${EndIf}
  ${EndIf}
FunctionEnd

; The toolbar installed in another directory (another publisher's, or this
; one moved by /D=) is uninstalled silently, keeping the user state: its
; files would otherwise stay with no entry to remove them, and its
; uninstaller would later take away what this installer registers.
Function RemoveInstallationElsewhere
  SetRegView 64
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == ""
  ${OrIf} $0 == $INSTDIR
  ${OrIfNot} ${FileExists} "$0\Uninstall.exe"
    Return
  ${EndIf}
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "DisplayName"
  DetailPrint "Removing $1 from $0"
  InitPluginsDir
  CopyFiles /SILENT "$0\Uninstall.exe" "$PLUGINSDIR\replaced-uninstall.exe"
  ExecWait '"$PLUGINSDIR\replaced-uninstall.exe" /S _?=$0' $2
  Delete "$PLUGINSDIR\replaced-uninstall.exe"
  ${If} $2 != 0
    MessageBox MB_OK|MB_ICONSTOP "Removing $1 from $0 failed (code $2)." /SD IDOK
    SetErrorLevel 4
    Abort
  ${EndIf}
FunctionEnd

; The three values the band reads to find its configuration, in one view.
!macro WriteInstallation VIEW
  SetRegView ${VIEW}
  WriteRegStr HKLM "${BAND_KEY}" "InstallPath" "$INSTDIR"
  WriteRegStr HKLM "${BAND_KEY}" "Toolbar Name" "${TOOLBAR_NAME}"
  WriteRegStr HKLM "${BAND_KEY}" "Toolbar File" "${TOOLBAR_FILE}"
!macroend

; The toolbar is listed before its DLLs are registered: an installation
; whose registration fails is left in the list, to be removed from there.
!macro Register REGSVR32 DLL
  ExecWait '"${REGSVR32}" /s "$INSTDIR\${DLL}"' $0
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "Registering ${DLL} failed (code $0). Remove ${TOOLBAR_NAME} from the list of installed programs." /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}
!macroend

; A DLL that a browser holds cannot be overwritten: the new one is written
; beside it and takes its place now, or at the next restart (exit code 3010).
!macro PutDll NAME SOURCE
  File "/oname=${NAME}.new" "${SOURCE}"
  ClearErrors
  Delete "$INSTDIR\${NAME}"
  ${If} ${Errors}
    DetailPrint "${NAME} is in use: it is replaced at the next restart"
    Rename /REBOOTOK "$INSTDIR\${NAME}.new" "$INSTDIR\${NAME}"
  ${Else}
    Rename "$INSTDIR\${NAME}.new" "$INSTDIR\${NAME}"
  ${EndIf}
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "${NAME} could not be replaced." /SD IDOK
    SetErrorLevel 5
    Abort
  ${EndIf}
!macroend

Section "Install"
  Call RemoveInstallationElsewhere
  SetOutPath "$INSTDIR"
  !insertmacro PutDll "Pelliquester.dll" "${DLL64}"
  !insertmacro PutDll "Pelliquester32.dll" "${DLL32}"
  ; Files an older version had and this one may not: the banner and notice
  ; fall back to the built-in ones.
  Delete "$INSTDIR\${TOOLBAR_FILE}.bmp"
  Delete "$INSTDIR\Copyrights.txt"
  File "/oname=${TOOLBAR_FILE}.ini" "${CONFIG}"
  !ifdef BANNER
    File "/oname=${TOOLBAR_FILE}.bmp" "${BANNER}"
  !endif
  !ifdef NOTICE
    File "/oname=Copyrights.txt" "${NOTICE}"
  !endif
  File "/oname=Pelliquester.ico" "${ICON}"
  !ifdef ANIMATION
    File "/oname=${ANIMATION_NAME}" "${ANIMATION}"
  !endif
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; Registration enters the toolbar's name from these values, and 32-bit
  ; browsers read the 32-bit view: both views first.
  !insertmacro WriteInstallation 64
  !insertmacro WriteInstallation 32

  SetRegView 64
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${TOOLBAR_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  ; With _?= the uninstaller does the work itself instead of handing it to a
  ; copy and ending at once: whoever runs this waits for the removal.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  !ifdef VERSION
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  !endif
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Pelliquester.ico"
  ; In kilobytes, of what is in the directory now.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"

  ; The installer is a 32-bit program: System32 means the 64-bit one only
  ; without the redirection.
  ${DisableX64FSRedirection}
  !insertmacro Register "$WINDIR\System32\regsvr32.exe" "Pelliquester.dll"
  ${EnableX64FSRedirection}
  !insertmacro Register "$WINDIR\SysWOW64\regsvr32.exe" "Pelliquester32.dll"

  ${If} ${RebootFlag}
    SetErrorLevel 3010
  ${EndIf}
SectionEnd

; --- uninstallation

; Unregistering removes the band's key whole, the user state in it too; what
; is to be kept is read first and written back afterwards.
!macro ForEachKeptValue MACRO
  !insertmacro ${MACRO} 64 Date "Date"
  !insertmacro ${MACRO} 64 SearchType "Search Type"
  !insertmacro ${MACRO} 64 Search "Search"
  !insertmacro ${MACRO} 64 SpeedBtn1 "SpeedBtn1"
  !insertmacro ${MACRO} 32 Date "Date"
  !insertmacro ${MACRO} 32 SearchType "Search Type"
  !insertmacro ${MACRO} 32 Search "Search"
  !insertmacro ${MACRO} 32 SpeedBtn1 "SpeedBtn1"
!macroend

!macro DeclareKeptValue VIEW ID NAME
  Var Kept${VIEW}${ID}
  Var Has${VIEW}${ID}
!macroend
!insertmacro ForEachKeptValue DeclareKeptValue

!macro KeepValue VIEW ID NAME
  SetRegView ${VIEW}
  ClearErrors
  ReadRegStr $Kept${VIEW}${ID} HKLM "${BAND_KEY}" "${NAME}"
  ${If} ${Errors}
    StrCpy $Has${VIEW}${ID} 0
  ${Else}
    StrCpy $Has${VIEW}${ID} 1
  ${EndIf}
!macroend

!macro PutBackValue VIEW ID NAME
  ${If} $Has${VIEW}${ID} == 1
    SetRegView ${VIEW}
    WriteRegStr HKLM "${BAND_KEY}" "${NAME}" $Kept${VIEW}${ID}
  ${EndIf}
!macroend

; What registration wrote, in one view, should unregistering have left any.
!macro RemoveRegistration VIEW
  SetRegView ${VIEW}
  DeleteRegKey HKCR "CLSID\${BAND_ID}"
  DeleteRegValue HKLM "${TOOLBAR_LIST_KEY}" "${BAND_ID}"
  DeleteRegValue HKLM "${BARS_KEY}" "${BAND_ID}"
  DeleteRegValue HKLM "${BAND_KEY}" "InstallPath"
  DeleteRegValue HKLM "${BAND_KEY}" "Toolbar Name"
  DeleteRegValue HKLM "${BAND_KEY}" "Toolbar File"
  DeleteRegKey HKLM "${BAND_KEY}\MRUKeywords"
  ${If} $Purge == 1
    DeleteRegKey HKLM "${BAND_KEY}"
    DeleteRegKey HKCU "${BAND_KEY}"
  ${Else}
    DeleteRegKey /ifempty HKLM "${BAND_KEY}"
  ${EndIf}
!macroend

Var Registered

Section "Uninstall"
  ; Another toolbar installed since owns the registration, the band's key
  ; and the entry now.
  SetRegView 64
  ReadRegStr $0 HKLM "${BAND_KEY}" "InstallPath"
  StrCpy $Registered 0
  ${If} $0 == $INSTDIR
  ${OrIf} $0 == ""
    StrCpy $Registered 1
  ${EndIf}

  StrCpy $Purge 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PURGE" $1
  ${IfNot} ${Errors}
    StrCpy $Purge 1
  ${ElseIfNot} ${Silent}
    MessageBox MB_YESNO|MB_ICONQUESTION "Remove your searches and the toolbar's settings as well?$\n$\nAnswer No to keep them for a later installation of ${TOOLBAR_NAME}." IDNO +2
    StrCpy $Purge 1
  ${EndIf}

  ${If} $Registered == 1
    ${If} $Purge == 0
      !insertmacro ForEachKeptValue KeepValue
    ${EndIf}

    ${DisableX64FSRedirection}
    ExecWait '"$WINDIR\System32\regsvr32.exe" /u /s "$INSTDIR\Pelliquester.dll"'
    ${EnableX64FSRedirection}
    ExecWait '"$WINDIR\SysWOW64\regsvr32.exe" /u /s "$INSTDIR\Pelliquester32.dll"'
    !insertmacro ForEachKeptValue PutBackValue
    !insertmacro RemoveRegistration 64
    !insertmacro RemoveRegistration 32
  ${EndIf}

  ; A browser that still has a DLL loaded lets go of it at the next restart.
  Delete /REBOOTOK "$INSTDIR\Pelliquester.dll"
  Delete /REBOOTOK "$INSTDIR\Pelliquester32.dll"
  ; A DLL an upgrade could not replace waits beside it for the restart.
  Delete /REBOOTOK "$INSTDIR\Pelliquester.dll.new"
  Delete /REBOOTOK "$INSTDIR\Pelliquester32.dll.new"
  Delete "$INSTDIR\${TOOLBAR_FILE}.ini"
  Delete "$INSTDIR\${TOOLBAR_FILE}.bmp"
  Delete "$INSTDIR\Copyrights.txt"
  Delete "$INSTDIR\Pelliquester.ico"
  !ifdef ANIMATION
    Delete "$INSTDIR\${ANIMATION_NAME}"
  !endif
  ; What updates of the configuration leave beside it.
  Delete "$INSTDIR\${TOOLBAR_FILE} Internet.ini"
  Delete "$INSTDIR\${TOOLBAR_FILE} Default.ini"
  Delete "$INSTDIR\${TOOLBAR_FILE} Update.ini"
  ${If} $Purge == 1
    Delete "$INSTDIR\${TOOLBAR_NAME}.txt"
    SetShellVarContext current
    RMDir /r "$LOCALAPPDATA\${USER_FOLDER}"
    RMDir "$LOCALAPPDATA\Pelliquester"
    RMDir /r "$PROFILE\AppData\LocalLow\${USER_FOLDER}"
    RMDir "$PROFILE\AppData\LocalLow\Pelliquester"
  ${EndIf}
  ; Run in place (the entry's QuietUninstallString), the uninstaller cannot
  ; delete itself: it moves out of the directory and goes at the next restart.
  ; (A running program can be moved on its own volume only.)
  ${If} $EXEDIR == $INSTDIR
    GetTempFileName $0
    Delete $0
    ClearErrors
    Rename "$INSTDIR\Uninstall.exe" $0
    ${If} ${Errors}
      Delete /REBOOTOK "$INSTDIR\Uninstall.exe"
      RMDir /REBOOTOK "$INSTDIR"
    ${Else}
      Delete /REBOOTOK $0
    ${EndIf}
  ${Else}
    Delete "$INSTDIR\Uninstall.exe"
  ${EndIf}
  RMDir "$INSTDIR"

  SetRegView 64
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
  ${OrIf} $0 == ""
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
