' ListSessions.vbs - lists the sessions of a multisession (virtual
' multisession) rewritable disc: each session's name, when it was written,
' and where the next one will start.
'
' Run it with:   cscript //nologo ListSessions.vbs [DRIVE]
'   DRIVE  the number of the drive in the engine's list; without it every
'          drive is asked and the first that holds such a disc is listed
Option Explicit

Dim vexo, drives, drive, sessions, session, i, from, till

Set vexo = CreateObject("Vexo.Vexo")
Set drives = vexo.GetDrives(0)
from = 0
till = drives.Count - 1
If WScript.Arguments.Count > 0 Then
    from = CInt(WScript.Arguments(0))
    till = from
    If from >= drives.Count Then
        WScript.Echo "There is no drive number " & from & "."
        WScript.Quit 2
    End If
End If

' GetVMSInfo fails with "Non-VMS medium inserted!" for any other disc.
For i = from To till
    Set drive = drives.Item(i)
    On Error Resume Next
    Set sessions = drive.GetVMSInfo()
    If Err.Number = 0 Then
        On Error GoTo 0
        WScript.Echo drive.DeviceName & ": " & sessions.Count & " session(s)"
        For Each session In sessions
            WScript.Echo "  " & session.SessionName & "  written " & _
                FormatDateTime(session.CreationTime, 2) & " " & FormatDateTime(session.CreationTime, 4) & _
                "  next session at block " & session.NextWritableAddress
        Next
        WScript.Echo "Next writable block: " & sessions.NextWritableAddress
        WScript.Quit 0
    End If
    WScript.Echo drive.DeviceName & ": " & Err.Description
    Err.Clear
    On Error GoTo 0
Next
WScript.Quit 1
