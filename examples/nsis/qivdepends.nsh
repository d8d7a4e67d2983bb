; QivDepends from an NSIS installer and uninstaller: the command lines, one macro each.
;
; Every argument is quoted, so paths and values with blanks arrive whole; an empty
; value is passed as "" and keeps its place. Two rules of the Windows command line:
;   - a value cannot hold a double quote;
;   - backslashes before a closing quote must be doubled: a directory with its
;     trailing backslash is written "$INSTDIR\\" and arrives as C:\Dir\.
; QivDepends always exits with 0 and shows nothing, so ExecWait takes no status
; variable; its diagnostics are its debug-output lines (DebugView, or Wine's
; WINEDEBUG=warn+debugstr).

!ifndef QIVDEPENDS_NSH
!define QIVDEPENDS_NSH

; One install stage: start, eula, path, ready or complete. At "complete" the program
; stores the attribution in REGISTER_INI (a full path, usually $INSTDIR\Register.ini)
; for the uninstaller; the installer itself writes nothing there.
!macro QivPostInstallEvent EXE STAGE REGISTER_INI TRANSACTION OFFER VENDOR REGION GAME GCLID
  ExecWait '"${EXE}" PostInstallEvent "${STAGE}" "${REGISTER_INI}" "${TRANSACTION}" "${OFFER}" "${VENDOR}" "${REGION}" "${GAME}" "${GCLID}"'
!macroend

; The same with the game-custom form: the word gamecustom and one value of the game's
; own (CUSTOM, which QivDepends ignores) before the six attribution values.
!macro QivPostInstallEventGameCustom EXE STAGE REGISTER_INI CUSTOM TRANSACTION OFFER VENDOR REGION GAME GCLID
  ExecWait '"${EXE}" PostInstallEvent "${STAGE}" "${REGISTER_INI}" "gamecustom" "${CUSTOM}" "${TRANSACTION}" "${OFFER}" "${VENDOR}" "${REGION}" "${GAME}" "${GCLID}"'
!macroend

; The uninstall feedback: FACTORS as the page collected them (e.g. 2,5), STAR 1 to 5.
!macro QivUninstallFeedback EXE LANGUAGE FACTORS STAR COMMENTS
  ExecWait '"${EXE}" UninstallSoftwareFeedback "${LANGUAGE}" "${FACTORS}" "${STAR}" "${COMMENTS}"'
!macroend

; The uninstall event with the stored attribution. DIR is the directory that holds
; Register.ini WITHOUT a trailing backslash: the macro adds it (doubled, see above),
; since the program appends "Register.ini" directly. GAMES_FLAG 0 lists the
; installed games in the event, 1 does not.
!macro QivUninstallSoftware EXE LANGUAGE GAMES_FLAG DIR
  ExecWait '"${EXE}" UninstallSoftware "${LANGUAGE}" "${GAMES_FLAG}" "${DIR}\\"'
!macroend

; Removes every registered game: shortcuts, registry items, folder and registration.
; (MODE "" removes only the shortcuts.)
!macro QivUninstallGames EXE MODE
  ExecWait '"${EXE}" UninstallGames "${MODE}"'
!macroend

!endif
