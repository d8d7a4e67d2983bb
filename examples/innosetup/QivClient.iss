; Example installer and uninstaller of a game client that drive QivDepends.exe.
;
; Build (the Inno Setup 6 compiler; under Wine: wine ISCC.exe ... < /dev/null):
;   ISCC.exe /Q /DQIV_EXE=path\QivDepends.exe /DQIV_VERSION_INI=path\version.ini
;            [/Ooutput-folder] [/FQivClientSetup] QivClient.iss
;
; Installer command line (all optional; Inno's own switches as well):
;   QivClientSetup.exe [/SILENT | /VERYSILENT] [/TRANSACTION=..] [/OFFER=..] [/VENDOR=..]
;                      [/REGION=..] [/GAME=..] [/GCLID=..] [/CUSTOM=..] [/DIR="C:\Install Dir"]
;   /CUSTOM= switches the calls to the game-custom form, passing that value along.
; Uninstaller command line (silent mode takes the feedback from here):
;   unins000.exe [/VERYSILENT] [/LANG=en] [/FACTORS=2,5] [/STAR=3] [/COMMENTS=text]

#include "qivdepends.iss"

#ifndef QIV_EXE
  #error define QIV_EXE (path of QivDepends.exe)
#endif
#ifndef QIV_VERSION_INI
  #error define QIV_VERSION_INI (path of the version.ini shipped beside it)
#endif

#define Product "Qiv Client"

[Setup]
AppId=QivClient
AppName={#Product}
AppVersion=1.0
DefaultDirName={autopf}\{#Product}
DisableWelcomePage=no
DisableDirPage=no
DisableProgramGroupPage=yes
LicenseFile=eula.txt
PrivilegesRequired=admin
OutputDir=.
OutputBaseFilename=QivClientSetup
Compression=lzma2
SolidCompression=yes
WizardStyle=modern

[Files]
; A report of a recent install may still run the client's program at uninstall time.
Source: "{#QIV_EXE}"; DestDir: "{app}"; DestName: "QivDepends.exe"; Flags: ignoreversion uninsrestartdelete
Source: "{#QIV_VERSION_INI}"; DestDir: "{app}"; DestName: "version.ini"; AfterInstall: OnProgramInstalled
; The copy the pages before {app} exists run, extracted into {tmp} on first use.
Source: "{#QIV_EXE}"; DestName: "QivDepends.exe"; Flags: dontcopy
Source: "{#QIV_VERSION_INI}"; DestName: "version.ini"; Flags: dontcopy

[Run]
; The last stage, once the files are in place; nothing waits for it. {param:NAME|}
; reads /NAME=value from the installer's command line, "" is a quote.
Filename: "{app}\QivDepends.exe"; Parameters: "PostInstallEvent ""complete"" ""{app}\Register.ini"" ""{param:TRANSACTION|}"" ""{param:OFFER|}"" ""{param:VENDOR|}"" ""{param:REGION|}"" ""{param:GAME|}"" ""{param:GCLID|}"""; Flags: runhidden nowait; Check: not IsGameCustom
Filename: "{app}\QivDepends.exe"; Parameters: "PostInstallEvent ""complete"" ""{app}\Register.ini"" ""gamecustom"" ""{param:CUSTOM|}"" ""{param:TRANSACTION|}"" ""{param:OFFER|}"" ""{param:VENDOR|}"" ""{param:REGION|}"" ""{param:GAME|}"" ""{param:GCLID|}"""; Flags: runhidden nowait; Check: IsGameCustom

[UninstallRun]
; Local work only, so it is waited for; it runs after the uninstall event has read the
; game list (CurUninstallStepChanged below).
Filename: "{app}\QivDepends.exe"; Parameters: "UninstallGames ""UninstallGame"""; Flags: runhidden waituntilterminated; RunOnceId: "QivUninstallGames"

[UninstallDelete]
; Written by the program at the "complete" stage, unknown to the uninstaller's log.
Type: files; Name: "{app}\Register.ini"

[Code]
var
  { Stages already reported: Back and Next show a page again, the funnel counts it once. }
  Reported: String;
  // The program the reports run: the copy in {tmp} until the client's own is installed.
  // {tmp} is the one place there is before the files are installed, and one the user's
  // own unelevated programs can write; from then on the reports run the installed one.
  ReportExe: String;

function Param(const Name: String): String;
begin
  Result := ExpandConstant('{param:' + Name + '|}');
end;

function IsGameCustom: Boolean;
begin
  Result := Param('CUSTOM') <> '';
end;

{ Reports Stage once. The report runs on its own: the wizard never waits for it. }
procedure ReportStage(const Stage: String);
var
  RegisterIni: String;
begin
  if Pos('<' + Stage + '>', Reported) > 0 then
    Exit;
  Reported := Reported + '<' + Stage + '>';
  if ReportExe = '' then
  begin
    ExtractTemporaryFile('QivDepends.exe');
    ExtractTemporaryFile('version.ini');
    ReportExe := ExpandConstant('{tmp}\QivDepends.exe');
  end;
  // {app} has no value before the directory page is left: the folder it shows.
  RegisterIni := AddBackslash(WizardDirValue) + 'Register.ini';
  if IsGameCustom then
    QivPostInstallEventGameCustom(ReportExe, Stage, RegisterIni, Param('CUSTOM'),
      Param('TRANSACTION'), Param('OFFER'), Param('VENDOR'), Param('REGION'), Param('GAME'),
      Param('GCLID'))
  else
    QivPostInstallEvent(ReportExe, Stage, RegisterIni, Param('TRANSACTION'), Param('OFFER'),
      Param('VENDOR'), Param('REGION'), Param('GAME'), Param('GCLID'));
end;

procedure CurPageChanged(CurPageID: Integer);
begin
  { A silent install reports from the installed program (OnProgramInstalled), so it
    leaves nothing in the temporary folder. }
  if WizardSilent then
    Exit;
  case CurPageID of
    wpWelcome: ReportStage('start');
    wpLicense: ReportStage('eula');
    wpSelectDir: ReportStage('path');
    wpReady: ReportStage('ready');
  end;
end;

{ The client's program and its version.ini are in place: the stages not reported yet
  (all of them in a silent install) run it. }
procedure OnProgramInstalled;
begin
  ReportExe := ExpandConstant('{app}\QivDepends.exe');
  ReportStage('start');
  ReportStage('eula');
  ReportStage('path');
  ReportStage('ready');
end;

procedure DeinitializeSetup;
var
  Copy: String;
begin
  // Setup deletes {tmp} after this, but not a file in use: a copy that a report still
  // runs then (a slow network) goes at the next restart, with its folder.
  Copy := ExpandConstant('{tmp}\QivDepends.exe');
  if FileExists(Copy) and not DeleteFile(Copy) then
  begin
    RestartReplace(Copy, '');
    QivDeleteLater(ExpandConstant('{tmp}\version.ini'));
    RestartReplace(ExpandConstant('{tmp}'), '');
  end;
end;

{ Uninstaller ------------------------------------------------------------------------ }

var
  Language, Factors, Star, Comments: String;

{ The uninstaller's feedback page: four reasons, a rating and a comment. }
procedure AskFeedback;
var
  Form: TSetupForm;
  Reasons: array of TNewCheckBox;
  Rating: TNewComboBox;
  Remarks: TNewMemo;
  Done: TNewButton;
  Index: Integer;
begin
  Form := CreateCustomForm;
  try
    Form.ClientWidth := ScaleX(360);
    Form.ClientHeight := ScaleY(250);
    Form.Position := poScreenCenter;
    Form.Caption := 'Why are you leaving?';
    SetArrayLength(Reasons, 4);
    for Index := 0 to 3 do
    begin
      Reasons[Index] := TNewCheckBox.Create(Form);
      Reasons[Index].Parent := Form;
      Reasons[Index].SetBounds(ScaleX(12), ScaleY(12 + 22 * Index), ScaleX(336), ScaleY(18));
    end;
    Reasons[0].Caption := 'It is too slow';
    Reasons[1].Caption := 'Too many advertisements';
    Reasons[2].Caption := 'It crashes';
    Reasons[3].Caption := 'Something else';
    Rating := TNewComboBox.Create(Form);
    Rating.Parent := Form;
    Rating.Style := csDropDownList;
    Rating.SetBounds(ScaleX(12), ScaleY(104), ScaleX(120), ScaleY(21));
    Rating.Items.Text := '1'#13#10'2'#13#10'3'#13#10'4'#13#10'5';
    Remarks := TNewMemo.Create(Form);
    Remarks.Parent := Form;
    Remarks.SetBounds(ScaleX(12), ScaleY(134), ScaleX(336), ScaleY(70));
    Done := TNewButton.Create(Form);
    Done.Parent := Form;
    Done.Caption := 'OK';
    Done.ModalResult := mrOk;
    Done.Default := True;
    Done.SetBounds(ScaleX(273), ScaleY(214), ScaleX(75), ScaleY(23));
    Form.ShowModal;
    for Index := 0 to 3 do
      if Reasons[Index].Checked then
      begin
        if Factors <> '' then
          Factors := Factors + ',';
        Factors := Factors + IntToStr(Index + 1);
      end;
    Star := Rating.Text;
    { One line: the command line has no room for line breaks. }
    Comments := Trim(Remarks.Lines.Text);
    StringChangeEx(Comments, #13#10, ' ', True);
  finally
    Form.Free;
  end;
end;

// Once the uninstall is confirmed; silent mode takes the answers from the command line.
procedure CollectFeedback;
begin
  Language := ExpandConstant('{param:LANG|en}');
  if UninstallSilent then
  begin
    Factors := Param('FACTORS');
    Star := Param('STAR');
    Comments := Param('COMMENTS');
  end
  else
    AskFeedback;
  // A quoted argument cannot hold a double quote.
  StringChangeEx(Comments, '"', '''', True);
end;

// The uninstall event's own copy of the program, with version.ini and Register.ini,
// in a folder of {app}: the wait for it (QivUninstallSoftware) needs a copy that only
// it runs, and {app} is where only administrators can write in a per-machine install,
// unlike {tmp}, which the user's own unelevated programs can write.
function EventFolder: String;
begin
  Result := ExpandConstant('{app}\event');
end;

function CopyProgram: String;
begin
  Result := EventFolder;
  ForceDirectories(Result);
  CopyFile(ExpandConstant('{app}\QivDepends.exe'), Result + '\QivDepends.exe', False);
  CopyFile(ExpandConstant('{app}\version.ini'), Result + '\version.ini', False);
  CopyFile(ExpandConstant('{app}\Register.ini'), Result + '\Register.ini', False);
end;

// The copy goes now, or at the next restart if the event still sends.
procedure DeleteCopyLater;
begin
  QivDeleteLater(EventFolder + '\QivDepends.exe');
  QivDeleteLater(EventFolder + '\version.ini');
  QivDeleteLater(EventFolder + '\Register.ini');
  QivDeleteLater(EventFolder);
end;

procedure CurUninstallStepChanged(CurUninstallStep: TUninstallStep);
var
  Folder: String;
begin
  // usUninstall comes before [UninstallRun] removes the games. Every call runs the
  // installed program in {app} (the feedback the client's own, which
  // uninsrestartdelete keeps for the next restart if it still sends).
  if CurUninstallStep = usUninstall then
  begin
    CollectFeedback;
    if Factors + Star + Comments <> '' then
      QivUninstallFeedback(ExpandConstant('{app}\QivDepends.exe'), Language, Factors, Star,
        Comments);
    { Waited for until it has read the attribution and the game list: the games go next. }
    Folder := CopyProgram;
    // Ended: the copy goes before the uninstall removes {app}.
    if QivUninstallSoftware(Folder + '\QivDepends.exe', Language, '0', Folder) then
      DeleteCopyLater;
  end;
  // Still sending when the files went: the copy and {app} go at the next restart.
  if (CurUninstallStep = usPostUninstall) and DirExists(EventFolder) then
  begin
    DeleteCopyLater;
    QivDeleteLater(ExpandConstant('{app}'));
  end;
end;
