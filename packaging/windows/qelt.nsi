; The Windows installer of Qelt: qelt-<version>-setup.exe, made by scripts/windows/package.sh
; (make windows-package), which passes
;   VERSION  the version of the CMake project, VERSION4 the same in four numbers
;   STAGE    the folder laid out as the program's folder is to be (programs, help\, examples\)
;   OUTFILE  where the installer goes
;   FILE_LIST  the Delete and RMDir lines that remove what STAGE holds, deepest first
; Engineers install it on their office PCs with a Chinese Windows 10 or 11, often without an
; administrator at hand to ask, so the pages are in Chinese and the defaults need no changing:
; Program Files\Qelt, a Start-menu folder, a desktop shortcut, and an entry in 应用和功能 (Add or
; remove programs) through which it is removed again. `setup.exe /S` installs without a page
; (the tests do that under wine), `uninstall.exe /S` removes without a question.

; A 64-bit installer for 64-bit programs: a 32-bit Windows refuses it outright instead of
; installing what cannot run there, and wine without its 32-bit half runs it in the tests.
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "WinVer.nsh"

!ifndef VERSION | VERSION4 | STAGE | OUTFILE | FILE_LIST
    !error "package.sh passes VERSION, VERSION4, STAGE, OUTFILE and FILE_LIST"
!endif

!define PRODUCT "Qelt"
!define PRODUCT_ZH "Qelt 钻孔坐标计算"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Qelt"
!define MENU_FOLDER "$SMPROGRAMS\Qelt"

Name "${PRODUCT_ZH} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Qelt"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION4}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT_ZH}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT_ZH} ${VERSION} 安装程序"
VIAddVersionKey /LANG=2052 "CompanyName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"

!define MUI_ABORTWARNING
; The installer runs as administrator; the program started from its last page must not, or its
; tables land in Program Files and "Documents" is the administrator's: Explorer starts it as the
; user who is logged on.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION RunAsUser
!define MUI_FINISHPAGE_RUN_TEXT "运行 Qelt"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\help\qelt.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "查看使用手册"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Function .onInit
    ; The programs take paths in UTF-8 through their manifest, which Windows honours from
    ; Windows 10 1903 (build 18362) on; before that, Chinese folder and file names fail.
    ${IfNot} ${AtLeastBuild} 18362
        MessageBox MB_OK|MB_ICONSTOP "Qelt 需要 Windows 10 1903 版或更新版本（或 Windows 11）。这台电脑的 Windows 不能按 UTF-8 读写含中文的文件名，程序在这里不能运行，安装已取消。" /SD IDOK
        Abort
    ${EndIf}
    ; The 64-bit view of the registry, where 应用和功能 looks for 64-bit programs.
    SetRegView 64
    ; Shortcuts for everyone who uses the PC, as the programs are installed for all of them.
    SetShellVarContext all
FunctionEnd

Function RunAsUser
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\qelt.exe"'
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Qelt" main
    SectionIn RO
    SetOutPath "$INSTDIR"
    ; Everything the program's folder holds, as package.sh laid it out: qelt.exe finds its
    ; manual as help\qelt.html beside itself.
    File /r "${STAGE}/*"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "${MENU_FOLDER}"
    CreateShortcut "${MENU_FOLDER}\Qelt.lnk" "$INSTDIR\qelt.exe" "" "$INSTDIR\qelt.exe" 0
    CreateShortcut "${MENU_FOLDER}\Qelt 使用手册.lnk" "$INSTDIR\help\qelt.html"
    CreateShortcut "${MENU_FOLDER}\卸载 Qelt.lnk" "$INSTDIR\uninstall.exe"
    CreateShortcut "$DESKTOP\Qelt.lnk" "$INSTDIR\qelt.exe" "" "$INSTDIR\qelt.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_ZH}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qelt.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ; The size 应用和功能 shows, in KiB.
    SectionGetSize ${main} $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    ; Only what the installer put there (package.sh lists it): tables a user wrote beside the
    ; examples stay, and so do their folders then, as RMDir leaves a folder that is not empty.
    !include "${FILE_LIST}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"

    Delete "${MENU_FOLDER}\Qelt.lnk"
    Delete "${MENU_FOLDER}\Qelt 使用手册.lnk"
    Delete "${MENU_FOLDER}\卸载 Qelt.lnk"
    RMDir "${MENU_FOLDER}"
    Delete "$DESKTOP\Qelt.lnk"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
