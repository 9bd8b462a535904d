' An error inside an event procedure ends the host (the script would wait
' for ever for what the procedure was to do).
Dim vexo, drive, iso, done
Set vexo = CreateObject("Vexo.Vexo")
Set drive = vexo.GetDrives(0).Item(0)
Set iso = CreateObject("Vexo.VexoIsoTrack")
iso.RootFolder.Name = "root"
WScript.ConnectObject drive, "Drive_"
done = False
drive.BurnIsoAudioCD "", "T", False, iso, Nothing, Nothing, 4, 0, 0
Do While Not done
    WScript.Sleep 20
Loop
WScript.Echo "not reached"

Sub Drive_OnDoneBurn(status)
    WScript.Echo "done, now failing"
    Err.Raise 1234, "event_error.vbs", "the handler gave up"
End Sub
