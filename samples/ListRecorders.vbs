' ListRecorders.vbs - lists the recorders the burning engine sees, with
' their drive letters and writing speeds.
'
' Run it with:   cscript //nologo ListRecorders.vbs
' The engine installed on the machine is used (the folder named in
' HKLM\SOFTWARE\Quarn\Shared "VexoAPI").
Option Explicit

Dim vexo, drives, drive, speeds, i, line

Set vexo = CreateObject("Vexo.Vexo")

' Every error the server raises carries its text in Err.Description.
On Error Resume Next
Set drives = vexo.GetDrives(0)       ' 0: devices for every kind of media
If Err.Number <> 0 Then
    WScript.Echo "Cannot list the recorders: " & Err.Description
    WScript.Echo "The engine says: " & vexo.LastError
    WScript.Quit 1
End If
On Error GoTo 0

WScript.Echo drives.Count & " device(s)"
For Each drive In drives
    WScript.Echo drive.DeviceName & "  (drive " & drive.DriveLetter & ":, adapter " & _
                 drive.HostAdapterNo & ", id " & drive.DeviceID & ")"
    Set speeds = drive.WriteSpeeds
    If speeds.Count = 0 Then
        WScript.Echo "    writing speeds: not available"
    Else
        line = ""
        For i = 0 To speeds.Count - 1
            line = line & " " & speeds.Item(i)
        Next
        WScript.Echo "    writing speeds:" & line & "  (base " & speeds.BaseSpeedKBs & " KB/s)"
    End If
Next
