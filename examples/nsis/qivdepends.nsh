; QivDepends from an NSIS installer and uninstaller: the command lines, one macro each.
;
; Every argument is quoted, so paths and values with blanks arrive whole; an empty
; value is passed as "" and keeps its place. Two rules of the Windows command line:
;   - a value cannot hold a double quote;
;   - backslashes before a closing quote must be doubled: a directory with its
;     trailing backslash is written "$INSTDIR\\" and arrives as C:\Dir\.
; QivDepends always exits with 0 and shows nothing, so no macro reads a status; its
; diagnostics are its debug-output lines (DebugView, or Wine's WINEDEBUG=warn+seh).
;
; A request waits up to two minutes for a service that does not answer, so no macro
; that reaches the network makes the installer wait for it: the stage reports and the
; feedback run on their own (Exec), and the uninstall event is waited for only as long
; as it needs to read its inputs (QIV_READ_WAIT_MS). A program that is still running
; when the (un)installer ends keeps its file until it exits: delete it with /REBOOTOK.
; The installer runs elevated: run the program where only administrators can write,
; the client's own copy in a per-machine $INSTDIR, wherever it is installed already.

!ifndef QIVDEPENDS_NSH
!define QIVDEPENDS_NSH

!include LogicLib.nsh

; How long the uninstaller lets the uninstall event run before it goes on: enough to
; start and read Register.ini and the game list, which it does before it sends anything.
!ifndef QIV_READ_WAIT_MS
  !define QIV_READ_WAIT_MS 10000
!endif

; One install stage: start, eula, path, ready or complete. At "complete" the program
; stores the attribution in REGISTER_INI (a full path, usually $INSTDIR\Register.ini)
; for the uninstaller; the installer itself writes nothing there. The installer goes on
; at once; the report finishes in the background.
!macro QivPostInstallEvent EXE STAGE REGISTER_INI TRANSACTION OFFER VENDOR REGION GAME GCLID
  Exec '"${EXE}" PostInstallEvent "${STAGE}" "${REGISTER_INI}" "${TRANSACTION}" "${OFFER}" "${VENDOR}" "${REGION}" "${GAME}" "${GCLID}"'
!macroend

; The same with the game-custom form: the word gamecustom and one value of the game's
; own (CUSTOM, which QivDepends ignores) before the six attribution values.
!macro QivPostInstallEventGameCustom EXE STAGE REGISTER_INI CUSTOM TRANSACTION OFFER VENDOR REGION GAME GCLID
  Exec '"${EXE}" PostInstallEvent "${STAGE}" "${REGISTER_INI}" "gamecustom" "${CUSTOM}" "${TRANSACTION}" "${OFFER}" "${VENDOR}" "${REGION}" "${GAME}" "${GCLID}"'
!macroend

; The uninstall feedback: FACTORS as the page collected them (e.g. 2,5), STAR 1 to 5.
; It reads nothing of the client's, so the uninstaller does not wait for it.
!macro QivUninstallFeedback EXE LANGUAGE FACTORS STAR COMMENTS
  Exec '"${EXE}" UninstallSoftwareFeedback "${LANGUAGE}" "${FACTORS}" "${STAR}" "${COMMENTS}"'
!macroend

; The uninstall event with the stored attribution. DIR is the directory that holds
; Register.ini WITHOUT a trailing backslash: the macro adds it (doubled, see above),
; since the program appends "Register.ini" directly. GAMES_FLAG 0 lists the
; installed games in the event, 1 does not. The program reads Register.ini and the
; game list first, so the uninstaller waits for it QIV_READ_WAIT_MS at most and may
; then remove the games and files; the event itself is sent in the background.
!macro QivUninstallSoftware EXE LANGUAGE GAMES_FLAG DIR
  !insertmacro QivStartAndWait '"${EXE}" UninstallSoftware "${LANGUAGE}" "${GAMES_FLAG}" "${DIR}\\"' \
      ${QIV_READ_WAIT_MS}
!macroend

; Removes every registered game: shortcuts, registry items, folder and registration.
; (MODE "" removes only the shortcuts.) Local work only, so it is waited for.
!macro QivUninstallGames EXE MODE
  ExecWait '"${EXE}" UninstallGames "${MODE}"'
!macroend

; Starts COMMAND_LINE and waits until it ends, MILLISECONDS at most; after that it
; keeps running on its own. (ExecWait has no time limit.) Keeps $0-$4.
!macro QivStartAndWait COMMAND_LINE MILLISECONDS
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $0 `${COMMAND_LINE}`
  System::Call '*(&l4, p, p, p, i, i, i, i, i, i, i, i, &i2, &i2, p, p, p, p) p .r1'
  System::Call '*(p, p, i, i) p .r2'
  System::Call 'kernel32::CreateProcessW(p 0, w r0, p 0, p 0, i 0, i 0, p 0, p 0, p r1, p r2) i .r3'
  ${If} $3 <> 0
    System::Call '*$2(p .r3, p .r4)'
    System::Call 'kernel32::WaitForSingleObject(p r3, i ${MILLISECONDS})'
    System::Call 'kernel32::CloseHandle(p r3)'
    System::Call 'kernel32::CloseHandle(p r4)'
  ${EndIf}
  System::Free $1
  System::Free $2
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
!macroend

!endif
