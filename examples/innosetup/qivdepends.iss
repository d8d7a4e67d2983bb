; QivDepends from an Inno Setup installer and uninstaller: the command lines, one
; function each, for the [Code] section (#include "qivdepends.iss" before your own).
;
; Every argument is quoted, so paths and values with blanks arrive whole; an empty
; value is passed as "" and keeps its place. Two rules of the Windows command line:
;   - a value cannot hold a double quote;
;   - backslashes before a closing quote must be doubled: a directory with its
;     trailing backslash is passed as "C:\Dir\\" and arrives as C:\Dir\.
; QivDepends always exits with 0 and shows nothing, so no function reads a status;
; its diagnostics are its debug-output lines (DebugView, or Wine's WINEDEBUG=warn+seh).
;
; A request waits up to two minutes for a service that does not answer, so nothing
; that reaches the network makes the (un)installer wait for it: the stage reports and
; the feedback start with ewNoWait, and the uninstall event is waited for only as long
; as it needs to read its inputs (QIV_READ_WAIT_MS). A program that still runs when
; the (un)installer ends keeps its file until it exits: delete it with QivDeleteLater.
; The installer runs elevated: run the program where only administrators can write,
; the client's own copy (or a copy beside it) in a per-machine {app}, wherever it is
; installed already.

#ifndef QIV_READ_WAIT_MS
  ; Enough to start and read Register.ini and the game list, which the uninstall
  ; event does before it sends anything.
  #define QIV_READ_WAIT_MS 10000
#endif

[Code]
function QivQuoted(const Value: String): String;
begin
  Result := '"' + Value + '"';
end;

procedure QivStart(const Exe, Parameters: String);
var
  ResultCode: Integer;
begin
  Exec(Exe, Parameters, '', SW_HIDE, ewNoWait, ResultCode);
end;

function QivAttribution(const Transaction, Offer, Vendor, Region, Game, Gclid: String): String;
begin
  Result := QivQuoted(Transaction) + ' ' + QivQuoted(Offer) + ' ' + QivQuoted(Vendor) + ' ' +
    QivQuoted(Region) + ' ' + QivQuoted(Game) + ' ' + QivQuoted(Gclid);
end;

{ One install stage: start, eula, path, ready or complete. At "complete" the program
  stores the attribution in RegisterIni (a full path, usually the client folder's Register.ini) for
  the uninstaller; the installer itself writes nothing there. The installer goes on at
  once; the report finishes in the background. }
procedure QivPostInstallEvent(const Exe, Stage, RegisterIni, Transaction, Offer, Vendor,
  Region, Game, Gclid: String);
begin
  QivStart(Exe, 'PostInstallEvent ' + QivQuoted(Stage) + ' ' + QivQuoted(RegisterIni) + ' ' +
    QivAttribution(Transaction, Offer, Vendor, Region, Game, Gclid));
end;

{ The same with the game-custom form: the word gamecustom and one value of the game's
  own (Custom, which QivDepends ignores) before the six attribution values. }
procedure QivPostInstallEventGameCustom(const Exe, Stage, RegisterIni, Custom, Transaction,
  Offer, Vendor, Region, Game, Gclid: String);
begin
  QivStart(Exe, 'PostInstallEvent ' + QivQuoted(Stage) + ' ' + QivQuoted(RegisterIni) +
    ' "gamecustom" ' + QivQuoted(Custom) + ' ' +
    QivAttribution(Transaction, Offer, Vendor, Region, Game, Gclid));
end;

{ The uninstall feedback: Factors as the page collected them (e.g. 2,5), Star 1 to 5.
  It reads nothing of the client's, so the uninstaller does not wait for it. }
procedure QivUninstallFeedback(const Exe, Language, Factors, Star, Comments: String);
begin
  QivStart(Exe, 'UninstallSoftwareFeedback ' + QivQuoted(Language) + ' ' + QivQuoted(Factors) +
    ' ' + QivQuoted(Star) + ' ' + QivQuoted(Comments));
end;

{ The uninstall event with the stored attribution. Dir is the directory that holds
  Register.ini WITHOUT a trailing backslash: the function adds it, doubled, since the
  program appends "Register.ini" directly. GamesFlag 0 lists the installed games in
  the event, 1 does not. The program reads Register.ini and the game list first, so
  this waits for it QIV_READ_WAIT_MS at most; the event itself is sent in the
  background. Exec gives no process handle, but the file of a running program cannot
  be deleted: Exe must be a copy that only this call runs, and the wait ends when it
  could be deleted (True) or the time is up (False: it still runs). }
function QivUninstallSoftware(const Exe, Language, GamesFlag, Dir: String): Boolean;
var
  Waited: Integer;
begin
  QivStart(Exe, 'UninstallSoftware ' + QivQuoted(Language) + ' ' + QivQuoted(GamesFlag) + ' ' +
    QivQuoted(Dir + '\\'));
  Waited := 0;
  Result := DeleteFile(Exe);
  while not Result and (Waited < {#QIV_READ_WAIT_MS}) do
  begin
    Sleep(100);
    Waited := Waited + 100;
    Result := DeleteFile(Exe);
  end;
end;

{ Deletes a file now, or at the next restart if a program still runs from it; the
  same for an empty folder. (Restart deletions need administrative rights.) }
procedure QivDeleteLater(const Path: String);
begin
  if FileExists(Path) then
  begin
    if not DeleteFile(Path) then
      RestartReplace(Path, '');
  end
  else if DirExists(Path) then
  begin
    if not RemoveDir(Path) then
      RestartReplace(Path, '');
  end;
end;
