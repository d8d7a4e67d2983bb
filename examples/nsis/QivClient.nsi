; Example installer and uninstaller of a game client that drive QivDepends.exe.
;
; Build (Debian: package nsis):
;   makensis -DQIV_EXE=path/QivDepends.exe -DQIV_VERSION_INI=path/version.ini \
;            [-DOUTFILE=QivClientSetup.exe] QivClient.nsi
;
; Installer command line (all optional; /D= must come last, unquoted):
;   QivClientSetup.exe [/S] [/TRANSACTION=..] [/OFFER=..] [/VENDOR=..] [/REGION=..]
;                      [/GAME=..] [/GCLID=..] [/CUSTOM=..] [/D=C:\Install Dir]
;   /CUSTOM= switches the calls to the game-custom form, passing that value along.
; Uninstaller command line (silent mode takes the feedback from here):
;   uninstall.exe [/S] [/LANG=en] [/FACTORS=2,5] [/STAR=3] [/COMMENTS=text]

Unicode true
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include nsDialogs.nsh
!include "${__FILEDIR__}/qivdepends.nsh"

!ifndef QIV_EXE
  !error "define QIV_EXE (path of QivDepends.exe)"
!endif
!ifndef QIV_VERSION_INI
  !error "define QIV_VERSION_INI (path of the version.ini shipped beside it)"
!endif
!ifndef OUTFILE
  !define OUTFILE QivClientSetup.exe
!endif
; Signing: a command that signs the file it is given in place, for example
; -DQIV_SIGN_COMMAND="bash scripts/sign-release.sh". makensis runs it on the
; uninstaller before packing it and on the finished installer.
!ifdef QIV_SIGN_COMMAND
  !uninstfinalize '${QIV_SIGN_COMMAND} "%1"' = 0
  !finalize '${QIV_SIGN_COMMAND} "%1"' = 0
!endif

!define PRODUCT "Qiv Client"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QivClient"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

; Attribution from the installer's own command line.
Var Transaction
Var Offer
Var Vendor
Var Region
Var Game
Var Gclid
Var Custom
; Stages already reported: Back and Next show a page again, the funnel counts it once.
Var Reported_start
Var Reported_eula
Var Reported_path
Var Reported_ready
Var Reported_complete
; The program the reports run: the copy in $PLUGINSDIR until the client's own is installed.
Var QivExe

!define MUI_PAGE_CUSTOMFUNCTION_SHOW OnWelcomeShow
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_SHOW OnLicenseShow
!insertmacro MUI_PAGE_LICENSE "${__FILEDIR__}/eula.txt"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW OnDirectoryShow
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_CUSTOMFUNCTION_PRE OnInstFilesPre
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_SHOW OnFinishShow
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
UninstPage custom un.FeedbackPage un.FeedbackLeave
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Reports STAGE once. The report runs on its own: the wizard never waits for it.
!macro ReportStage STAGE
  ${If} $Reported_${STAGE} != "1"
    StrCpy $Reported_${STAGE} "1"
    Push "${STAGE}"
    Call ReportStage
  ${EndIf}
!macroend

Function ReportStage
  Exch $0
  ${If} $Custom == ""
    !insertmacro QivPostInstallEvent "$QivExe" "$0" "$INSTDIR\Register.ini" \
        "$Transaction" "$Offer" "$Vendor" "$Region" "$Game" "$Gclid"
  ${Else}
    !insertmacro QivPostInstallEventGameCustom "$QivExe" "$0" "$INSTDIR\Register.ini" \
        "$Custom" "$Transaction" "$Offer" "$Vendor" "$Region" "$Game" "$Gclid"
  ${EndIf}
  Pop $0
FunctionEnd

Function .onInit
  ${GetParameters} $R0
  ${GetOptions} $R0 "/TRANSACTION=" $Transaction
  ${GetOptions} $R0 "/OFFER=" $Offer
  ${GetOptions} $R0 "/VENDOR=" $Vendor
  ${GetOptions} $R0 "/REGION=" $Region
  ${GetOptions} $R0 "/GAME=" $Game
  ${GetOptions} $R0 "/GCLID=" $Gclid
  ${GetOptions} $R0 "/CUSTOM=" $Custom
  ClearErrors
  ; Silent mode has no pages: every stage is reported from the install section, with
  ; the installed program, so nothing is left in the temporary folder.
  ${IfNot} ${Silent}
    ; The pages before the install folder exists run the reports from a copy here,
    ; in the temporary folder: the one place there is before the files are installed,
    ; and one the user's own unelevated programs can write. From "complete" on, and in
    ; the uninstaller, the reports run the installed program. NSIS deletes $PLUGINSDIR
    ; when the installer ends; a copy that a report still runs then (a slow network)
    ; goes at the next restart.
    InitPluginsDir
    SetOutPath "$PLUGINSDIR"
    File "/oname=QivDepends.exe" "${QIV_EXE}"
    File "/oname=version.ini" "${QIV_VERSION_INI}"
    StrCpy $QivExe "$PLUGINSDIR\QivDepends.exe"
  ${EndIf}
FunctionEnd

Function OnWelcomeShow
  !insertmacro ReportStage start
FunctionEnd

Function OnLicenseShow
  !insertmacro ReportStage eula
FunctionEnd

Function OnDirectoryShow
  !insertmacro ReportStage path
FunctionEnd

Function OnInstFilesPre
  !insertmacro ReportStage ready
FunctionEnd

Function OnFinishShow
  !insertmacro ReportStage complete
FunctionEnd

Section "Client" SecClient
  SetOutPath "$INSTDIR"
  File "/oname=QivDepends.exe" "${QIV_EXE}"
  File "/oname=version.ini" "${QIV_VERSION_INI}"
  StrCpy $QivExe "$INSTDIR\QivDepends.exe"
  ${If} ${Silent}
    !insertmacro ReportStage start
    !insertmacro ReportStage eula
    !insertmacro ReportStage path
    !insertmacro ReportStage ready
  ${EndIf}
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  ${If} ${Silent}
    !insertmacro ReportStage complete
  ${EndIf}
SectionEnd

; Uninstaller -------------------------------------------------------------------------

Var UninstallLanguage
Var Factors
Var Star
Var Comments
Var ReasonSlow
Var ReasonAds
Var ReasonCrash
Var ReasonOther
Var StarList
Var CommentsBox

Function un.onInit
  ${GetParameters} $R0
  ${GetOptions} $R0 "/LANG=" $UninstallLanguage
  ${GetOptions} $R0 "/FACTORS=" $Factors
  ${GetOptions} $R0 "/STAR=" $Star
  ${GetOptions} $R0 "/COMMENTS=" $Comments
  ClearErrors
  ${If} $UninstallLanguage == ""
    StrCpy $UninstallLanguage "en"
  ${EndIf}
FunctionEnd

Function un.FeedbackPage
  !insertmacro MUI_HEADER_TEXT "Why are you leaving?" "Your answers help us improve ${PRODUCT}."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateCheckbox} 0 0 100% 12u "It is too slow"
  Pop $ReasonSlow
  ${NSD_CreateCheckbox} 0 14u 100% 12u "Too many advertisements"
  Pop $ReasonAds
  ${NSD_CreateCheckbox} 0 28u 100% 12u "It crashes"
  Pop $ReasonCrash
  ${NSD_CreateCheckbox} 0 42u 100% 12u "Something else"
  Pop $ReasonOther
  ${NSD_CreateLabel} 0 60u 40% 12u "Your rating (1 to 5):"
  Pop $0
  ${NSD_CreateDropList} 40% 58u 20% 60u ""
  Pop $StarList
  ${NSD_CB_AddString} $StarList "1"
  ${NSD_CB_AddString} $StarList "2"
  ${NSD_CB_AddString} $StarList "3"
  ${NSD_CB_AddString} $StarList "4"
  ${NSD_CB_AddString} $StarList "5"
  ${NSD_CreateText} 0 76u 100% 40u ""
  Pop $CommentsBox
  nsDialogs::Show
FunctionEnd

!macro CollectFactor CHECKBOX NUMBER
  ${NSD_GetState} ${CHECKBOX} $0
  ${If} $0 == ${BST_CHECKED}
    ${If} $Factors != ""
      StrCpy $Factors "$Factors,"
    ${EndIf}
    StrCpy $Factors "$Factors${NUMBER}"
  ${EndIf}
!macroend

Function un.FeedbackLeave
  StrCpy $Factors ""
  !insertmacro CollectFactor $ReasonSlow 1
  !insertmacro CollectFactor $ReasonAds 2
  !insertmacro CollectFactor $ReasonCrash 3
  !insertmacro CollectFactor $ReasonOther 4
  ${NSD_GetText} $StarList $Star
  ${NSD_GetText} $CommentsBox $Comments
FunctionEnd

Section "Uninstall"
  ; Every call runs the client's own program in $INSTDIR, which only administrators
  ; can write in a per-machine install (Program Files), never a copy in the temporary
  ; folder, which the user's own unelevated programs can write. A call still sending
  ; when the files go (a dead network) keeps it there until the next restart.
  ${If} "$Factors$Star$Comments" != ""
    !insertmacro QivUninstallFeedback "$INSTDIR\QivDepends.exe" "$UninstallLanguage" \
        "$Factors" "$Star" "$Comments"
  ${EndIf}
  ; Waited for until it has read the attribution and the game list (see the macro):
  ; the games go next.
  !insertmacro QivUninstallSoftware "$INSTDIR\QivDepends.exe" "$UninstallLanguage" "0" \
      "$INSTDIR"
  !insertmacro QivUninstallGames "$INSTDIR\QivDepends.exe" "UninstallGame"

  ; A report of a recent install, or a call above, may still be running the program.
  Delete /REBOOTOK "$INSTDIR\QivDepends.exe"
  Delete "$INSTDIR\version.ini"
  Delete "$INSTDIR\Register.ini"
  Delete "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
