' The engine object from VBScript with the simulated engine installed.
Option Explicit
Dim vexo, vexo1, drives, drive
Set vexo = CreateObject("Vexo.Vexo")
Set vexo1 = CreateObject("Vexo.Vexo.1")
WScript.Echo "created: " & TypeName(vexo) & " " & TypeName(vexo1)
WScript.Echo "language file: " & vexo.LanguageFile
WScript.Echo "last error before use: " & vexo.LastError

Set drives = vexo.GetDrives(0)
WScript.Echo "drives: " & drives.Count
For Each drive In drives
    WScript.Echo "  " & drive.DeviceName & " letter=" & drive.DriveLetter & " host=" & drive.HostAdapterNo & " id=" & drive.DeviceID
Next
WScript.Echo "first drive again: " & (drives.Item(0) Is drives(0))
WScript.Echo "write speeds of the first: " & drives(0).WriteSpeeds.Count & " base " & drives(0).WriteSpeeds.BaseSpeedKBs

On Error Resume Next
Set drive = drives.Item(drives.Count)
WScript.Echo "Item(Count): " & Err.Number
Err.Clear
vexo.LanguageFile = "late.txt"
WScript.Echo "late LanguageFile: &H" & Hex(Err.Number) & " " & Err.Description
WScript.Echo "source: " & Err.Source
Err.Clear
On Error GoTo 0

WScript.Echo "last error: " & vexo.LastError
