; The Windows installer: makensis -DVERSION=x.y.z -DSTAGE=<folder> -DOUT=<file> velmora.nsi
; The teacher's data lives in %APPDATA%\Velmora: the uninstaller leaves it there.
; A 64-bit installer: it runs where the program does, Wine without its 32-bit half too.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "x64.nsh"

!define NAME "Velmora"
!define CAPTION "Velmora 班级学生管理"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"

Name "${CAPTION}"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\${NAME}"
InstallDirRegKey HKLM "Software\${NAME}" "InstallDir"
BrandingText "${CAPTION} ${VERSION}"

!define MUI_ICON "${STAGE}/velmora.ico"
!define MUI_UNICON "${STAGE}/velmora.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\VelmoraSQL.exe"
!define MUI_FINISHPAGE_RUN_TEXT "启动 ${CAPTION}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${CAPTION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${CAPTION} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "GPL-3.0-or-later"

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP "${CAPTION} 需要 64 位的 Windows。"
        Abort
    ${EndIf}
    SetRegView 64
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

Section "Velmora"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File /r "${STAGE}/*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\${CAPTION}"
    CreateShortcut "$SMPROGRAMS\${CAPTION}\${CAPTION}.lnk" "$INSTDIR\VelmoraSQL.exe" "" "$INSTDIR\velmora.ico"
    CreateShortcut "$SMPROGRAMS\${CAPTION}\帮助.lnk" "$INSTDIR\Help.chm"
    CreateShortcut "$SMPROGRAMS\${CAPTION}\卸载 ${NAME}.lnk" "$INSTDIR\uninstall.exe"
    CreateShortcut "$DESKTOP\${CAPTION}.lnk" "$INSTDIR\VelmoraSQL.exe" "" "$INSTDIR\velmora.ico"
    WriteRegStr HKLM "Software\${NAME}" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${CAPTION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Velmora"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velmora.ico"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    Delete "$DESKTOP\${CAPTION}.lnk"
    RMDir /r "$SMPROGRAMS\${CAPTION}"
    ; Only what the installer put there: the program folder's files.
    RMDir /r "$INSTDIR\platforms"
    RMDir /r "$INSTDIR\sqldrivers"
    RMDir /r "$INSTDIR\styles"
    RMDir /r "$INSTDIR\imageformats"
    RMDir /r "$INSTDIR\translations"
    RMDir /r "$INSTDIR\guide"
    Delete "$INSTDIR\*.dll"
    Delete "$INSTDIR\*.exe"
    Delete "$INSTDIR\Help.chm"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\qt.conf"
    Delete "$INSTDIR\velmora.ico"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "Software\${NAME}"
SectionEnd
