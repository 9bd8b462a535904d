' Bad input from a script: null and empty strings, wrong types, huge
' numbers, missing arguments and over-long texts. Every call must come back
' with an error number (or a plain answer), never end the script host.
Option Explicit
Dim vexo, drives, drive, info, s
Set vexo = CreateObject("Vexo.Vexo")

Sub Try(label)
    If Err.Number = 0 Then
        WScript.Echo label & ": ok"
    Else
        WScript.Echo label & ": &H" & Hex(Err.Number)
    End If
    Err.Clear
End Sub

On Error Resume Next
vexo.OverburnSize = "many"                 : Try "OverburnSize text"
vexo.OverburnSize = 1E+20                  : Try "OverburnSize huge"
vexo.LanguageFile = Null                   : Try "LanguageFile Null"
vexo.LanguageFile = ""                     : Try "LanguageFile empty"
s = vexo.LanguageFile                      : Try "LanguageFile read back '" & s & "'"
vexo.VexoFilesPath = String(5000, "x")     : Try "VexoFilesPath 5000 chars"
vexo.VexoFilesPath = ""                    : Try "VexoFilesPath empty"
Set drives = vexo.GetDrives()              : Try "GetDrives no argument"
Set drives = vexo.GetDrives("abc")         : Try "GetDrives text"
Set drives = vexo.GetDrives(1E+20)         : Try "GetDrives huge"
Set drives = vexo.GetDrives(0)             : Try "GetDrives 0"
WScript.Echo "drives: " & drives.Count
Set drive = drives.Item(-1)                : Try "Item(-1)"
Set drive = drives.Item("first")           : Try "Item text"
Set drive = drives.Item(Null)              : Try "Item Null"
Set drive = drives.Item(2147483647)        : Try "Item max"
Set drive = drives.Item(0)                 : Try "Item(0)"
s = drive.WriteSpeeds.Item(100000)         : Try "WriteSpeeds.Item(100000)"
s = drive.WriteSpeeds.Item(-2147483647)    : Try "WriteSpeeds.Item(min)"
s = vexo.TypeNameOfMedia(-1)               : Try "TypeNameOfMedia(-1)"
s = vexo.TypeNameOfMedia("cd")             : Try "TypeNameOfMedia text"
Set info = vexo.GetDiscImageInfo(Null)     : Try "GetDiscImageInfo Null"
Set info = vexo.GetDiscImageInfo("")       : Try "GetDiscImageInfo empty"
Set info = vexo.GetDiscImageInfo(String(70000, "a")) : Try "GetDiscImageInfo 70000 chars"
Set info = vexo.GetDiscImageInfo("no such image.iso") : Try "GetDiscImageInfo missing file"
WScript.Echo "  gives Nothing: " & (info Is Nothing)
vexo.RuntimeLanguageFile = String(70000, "b") : Try "RuntimeLanguageFile 70000 chars"
s = vexo.LastErrors(-5, 0)                 : Try "LastErrors(-5)"
s = vexo.LastErrors(2147483647, -1)        : Try "LastErrors(max, -1)"
vexo.EnableDriveChangeCallback "yes"       : Try "EnableDriveChangeCallback text"
vexo.DVDOverburnSize = -1                  : Try "DVDOverburnSize -1"
vexo.NoSuchMember                          : Try "unknown member"
On Error GoTo 0
WScript.Echo "still running"
