' CopyDisc.vbs - copies the disc in one drive onto a blank disc in a
' recorder (or into a disc image), sector by sector, audio and data tracks
' alike.
'
' Run it with:   cscript //nologo CopyDisc.vbs [SOURCE] [TARGET] [IMAGE]
'   SOURCE  the number of the drive holding the original (default 1)
'   TARGET  the number of the recorder to write with (default 0)
'   IMAGE   write a disc image to this path instead of a disc (image recorder)
' The numbers are positions in the engine's device list (ListRecorders.vbs
' prints it).
Option Explicit

Dim vexo, drives, source, target, sourceNo, targetNo, done, result

sourceNo = 1
targetNo = 0
If WScript.Arguments.Count > 0 Then sourceNo = CInt(WScript.Arguments(0))
If WScript.Arguments.Count > 1 Then targetNo = CInt(WScript.Arguments(1))

Set vexo = CreateObject("Vexo.Vexo")
Set drives = vexo.GetDrives(0)
If sourceNo >= drives.Count Or targetNo >= drives.Count Or sourceNo = targetNo Then
    WScript.Echo "Name two different drives of the " & drives.Count & " the engine lists."
    WScript.Quit 2
End If
Set source = drives.Item(sourceNo)
Set target = drives.Item(targetNo)
WScript.Echo "From: " & source.DeviceName
WScript.Echo "To:   " & target.DeviceName
If WScript.Arguments.Count > 2 Then
    target.InitImageRecorder WScript.Arguments(2), 0
    WScript.Echo "Writing the image " & WScript.Arguments(2)
End If

' Events come from the recorder that writes.
WScript.ConnectObject target, "Target_"

' On the fly (the original is read while the copy is written, no image file
' in between), 3 retries per unreadable sector, read errors not ignored,
' ISRC and catalogue number copied, no raw reading. Burn flags: write (4),
' disc at once (8), close the session (16). Speeds 0: as fast as possible.
done = False
target.BurnDiscCopy source, True, "", False, 0, 3, False, False, True, False, 4 + 8 + 16, 0, 0
Do While Not done
    WScript.Sleep 100
Loop
If result = 0 Then
    WScript.Echo "The copy is done."
Else
    WScript.Echo "The copy failed (" & result & "): " & vexo.LastError
    WScript.Quit 1
End If

Sub Target_OnProgress(percent, abort)
    WScript.Echo "  " & percent & " %"
End Sub

Sub Target_OnSetPhase(text)
    WScript.Echo "  " & text
End Sub

Sub Target_OnDoneBurn(status)
    result = status
    done = True
End Sub
