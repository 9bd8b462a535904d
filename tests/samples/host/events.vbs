' Events into script procedures: a drive's burn reports progress and its end;
' a by-reference answer (abort) reaches the server and ends the burn; the
' engine object's question about a rewritable disc that is not empty is
' answered (5: go on) through WScript.CreateObject's prefix.
Option Explicit
Dim vexo, drive, iso, done, result, abortAt, asked

Set vexo = WScript.CreateObject("Vexo.Vexo", "Engine_")
Set drive = vexo.GetDrives(0).Item(0)
WScript.ConnectObject drive, "Drive_"
Set iso = CreateObject("Vexo.VexoIsoTrack")
iso.RootFolder.Name = "root"

abortAt = 999
Burn 4
WScript.Echo "burn: status " & result
abortAt = 50
Burn 4
WScript.Echo "burn aborted at 50 %: status " & result
abortAt = 999
asked = 0
Burn 4 + 256                                     ' detect a rewritable disc that is not empty
WScript.Echo "burn over a used disc: status " & result & ", asked " & asked & " time(s)"

WScript.DisconnectObject drive
On Error Resume Next
WScript.DisconnectObject drive
WScript.Echo "disconnecting twice: " & Err.Description
WScript.Echo "done"

Sub Burn(flags)
    done = False
    drive.BurnIsoAudioCD "", "T", False, iso, Nothing, Nothing, flags, 0, 0
    Do While Not done
        WScript.Sleep 20
    Loop
End Sub

Sub Drive_OnSetPhase(text)
    WScript.Echo "  phase: " & text
End Sub

Sub Drive_OnProgress(percent, abort)
    WScript.Echo "  " & percent & " %"
    If percent >= abortAt Then abort = True
End Sub

Sub Drive_OnDoneBurn(status)
    result = status
    done = True
End Sub

Sub Engine_OnNonEmptyCDRW(response)
    asked = asked + 1
    response = 5
End Sub
