; The Windows installer of pelmar-cli. It puts the program, its README, the help page and the
; copyright notices into one folder (by default in the user's own programs, so that no
; administrator is needed), adds that folder to the user's PATH, makes a Start menu folder
; with the help page and the README, and an entry in the list of installed programs. Its
; uninstaller takes every one of these away again, and the settings pelmar-cli kept in the
; registry. Silent: setup.exe /S [/D=FOLDER], uninstall.exe /S.
;
; Built by the build (target installer), which gives the version and the files:
;   makensis -DVERSION=1.7 -DEXE=pelmar-cli.exe -DREADME=README.txt -DHELP=pelmar-help.html
;            -DCOPYRIGHT=copyright.txt -DICON=Pelmar.ico -DOUTFILE=setup.exe pelmar-cli.nsi

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
; The same files give the same installer: no file times of the machine that built it.
SetDateSave off
RequestExecutionLevel user

!include LogicLib.nsh
!include WinMessages.nsh
!include WordFunc.nsh
!include FileFunc.nsh

!define PRODUCT "Pelmar"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelmar"
!define SETTINGS_KEY "Software\Veldrin Software\Pelmar"
!define COMPANY_KEY "Software\Veldrin Software"
!define STARTMENU "$SMPROGRAMS\Pelmar"

Name "Pelmar ${VERSION} (pelmar-cli)"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Pelmar"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
Icon "${ICON}"
UninstallIcon "${ICON}"
BrandingText "Pelmar ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIFileVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "Pelmar"
VIAddVersionKey /LANG=1033 "CompanyName" "Veldrin Software"
VIAddVersionKey /LANG=1033 "FileDescription" "Pelmar ${VERSION} setup (pelmar-cli)"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Veldrin Software"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; PATH is one text of folders separated by ";". The installer's texts hold at most
; NSIS_MAX_STRLEN characters: a PATH that long may have been cut when it was read, and is
; then left as it is (writing it back would lose folders), with a word to the user.
!macro PATH_EDIT UN
Function ${UN}EditPath
  Exch $R0 ; "+FOLDER" to add, "-FOLDER" to remove
  Push $R1
  Push $R2
  Push $R3
  ClearErrors
  ReadRegStr $R1 HKCU "Environment" "Path"
  ${If} ${Errors}
    StrCpy $R1 ""
  ${EndIf}
  StrLen $R2 $R1
  StrLen $R3 $R0
  IntOp $R3 $R3 + $R2
  ${If} $R3 >= ${NSIS_MAX_STRLEN}
    DetailPrint "Your PATH is too long to change safely: $INSTDIR is left as it was there."
    MessageBox MB_ICONEXCLAMATION|MB_OK "Your PATH is too long to change safely. Please change it yourself: the folder is$\r$\n$INSTDIR" /SD IDOK
    StrCpy $R0 0
  ${Else}
    ${${UN}WordAdd} "$R1" ";" "$R0" $R2
    ${If} $R2 == $R1
      StrCpy $R0 0 ; nothing to change
    ${ElseIf} $R2 == ""
      DeleteRegValue HKCU "Environment" "Path"
      StrCpy $R0 1
    ${Else}
      WriteRegExpandStr HKCU "Environment" "Path" $R2
      StrCpy $R0 1
    ${EndIf}
    ${If} $R0 == 1
      ; Programs started from now on see the new PATH.
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${EndIf}
  ${EndIf}
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0 ; 1 when PATH was changed
FunctionEnd
!macroend
!insertmacro PATH_EDIT ""
!insertmacro PATH_EDIT "un."

; A folder with ";" in its name cannot stand in PATH.
Function .onVerifyInstDir
  StrCpy $R1 0
  ${Do}
    StrCpy $R2 $INSTDIR 1 $R1
    ${If} $R2 == ";"
      Abort
    ${EndIf}
    IntOp $R1 $R1 + 1
  ${LoopUntil} $R2 == ""
FunctionEnd

Section "pelmar-cli"
  SetOutPath "$INSTDIR"
  File "/oname=pelmar-cli.exe" "${EXE}"
  File "/oname=README.txt" "${README}"
  File "/oname=pelmar-help.html" "${HELP}"
  File "/oname=copyright.txt" "${COPYRIGHT}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "${STARTMENU}"
  CreateShortCut "${STARTMENU}\Pelmar Help.lnk" "$INSTDIR\pelmar-help.html"
  CreateShortCut "${STARTMENU}\pelmar-cli README.lnk" "$INSTDIR\README.txt"
  CreateShortCut "${STARTMENU}\Uninstall Pelmar.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Pelmar ${VERSION} (pelmar-cli)"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Veldrin Software"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\pelmar-cli.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  Push "+$INSTDIR"
  Call EditPath
  Pop $0
  ; A folder that was on PATH before stays there after the uninstall.
  ${If} $0 == 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "PathAdded" 1
  ${EndIf}
SectionEnd

Section "Uninstall"
  ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "PathAdded"
  ${If} $0 == 1
    Push "-$INSTDIR"
    Call un.EditPath
    Pop $0
  ${EndIf}

  Delete "${STARTMENU}\Pelmar Help.lnk"
  Delete "${STARTMENU}\pelmar-cli README.lnk"
  Delete "${STARTMENU}\Uninstall Pelmar.lnk"
  RMDir "${STARTMENU}"

  Delete "$INSTDIR\pelmar-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\pelmar-help.html"
  Delete "$INSTDIR\copyright.txt"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: files of the user's own in the folder stay. The same for the folder of
  ; the user's own programs, which the installer may have made.
  RMDir "$INSTDIR"
  RMDir "$LOCALAPPDATA\Programs"

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "${COMPANY_KEY}"
SectionEnd
