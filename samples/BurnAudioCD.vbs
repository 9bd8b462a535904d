' BurnAudioCD.vbs - burns an audio CD from the WAV and MP3 files of a folder,
' one track per file in name order, and reports the burn's progress.
'
' Run it with:   cscript //nologo BurnAudioCD.vbs FOLDER [RECORDER] [IMAGE]
'   FOLDER    the folder holding the .wav (44.1 kHz, 16-bit, stereo) and .mp3 files
'   RECORDER  the number of the recorder in the engine's list (default 0)
'   IMAGE     write a disc image to this path instead of a disc (image recorder)
Option Explicit

Dim fso, folder, vexo, drives, drive, tracks, track, file, names, i, j, swap
Dim recorder, connected, done, result

Set fso = CreateObject("Scripting.FileSystemObject")
If WScript.Arguments.Count < 1 Then
    WScript.Echo "usage: cscript BurnAudioCD.vbs FOLDER [RECORDER] [IMAGE]"
    WScript.Quit 2
End If
Set folder = fso.GetFolder(WScript.Arguments(0))
recorder = 0
If WScript.Arguments.Count > 1 Then recorder = CInt(WScript.Arguments(1))

Set vexo = CreateObject("Vexo.Vexo")
Set drives = vexo.GetDrives(0)                 ' 0: every recorder the engine sees
If drives.Count <= recorder Then
    WScript.Echo "There is no recorder number " & recorder & "."
    WScript.Quit 1
End If
Set drive = drives.Item(recorder)
WScript.Echo "Recorder: " & drive.DeviceName
If WScript.Arguments.Count > 2 Then
    drive.InitImageRecorder WScript.Arguments(2), 0   ' the burn writes this image file
    WScript.Echo "Writing the image " & WScript.Arguments(2)
End If

' The files, sorted by name: the track order of the disc.
names = Array()
For Each file In folder.Files
    Select Case LCase(fso.GetExtensionName(file.Name))
        Case "wav", "mp3"
            ReDim Preserve names(UBound(names) + 1)
            names(UBound(names)) = file.Path
    End Select
Next
For i = 0 To UBound(names) - 1
    For j = i + 1 To UBound(names)
        If LCase(names(j)) < LCase(names(i)) Then swap = names(i): names(i) = names(j): names(j) = swap
    Next
Next
If UBound(names) < 0 Then
    WScript.Echo "No .wav or .mp3 file in " & folder.Path
    WScript.Quit 1
End If

' One audio track per file. A collection takes at most 99 tracks.
Set tracks = CreateObject("Vexo.VexoAudioTracks")
For i = 0 To UBound(names)
    Set track = CreateObject("Vexo.VexoAudioTrack")
    track.Filename = names(i)
    track.Title = fso.GetBaseName(names(i))
    If LCase(fso.GetExtensionName(names(i))) = "mp3" Then
        track.TrackType = 2                     ' VEXO_AUDIO_TRACK_FILE_MP3
    Else
        track.TrackType = 0                     ' VEXO_AUDIO_TRACK_FILE_WAV
        ' The length in 2352-byte blocks, after the 44-byte header.
        track.LengthInBlocks = Int((fso.GetFile(names(i)).Size - 44 + 2351) / 2352)
    End If
    If i > 0 Then track.PauseInBlksBeforeThisTrack = 150   ' two seconds between tracks
    tracks.Add track
    WScript.Echo "Track " & (i + 1) & ": " & track.Title
Next

' The drive reports through its events; the handlers below are the
' subroutines whose names start with "Drive_".
On Error Resume Next
WScript.ConnectObject drive, "Drive_"
connected = (Err.Number = 0)
Err.Clear
On Error GoTo 0

' Write (4), disc at once (8), close the session (16), CD-TEXT (32); speed 0
' is the recorder's fastest; media type 0 means any disc.
If Not connected Then
    WScript.Echo "This script host cannot receive events (WScript.ConnectObject): nothing is burnt."
    WScript.Echo "Run it with Windows Script Host (cscript.exe on Windows)."
    WScript.Quit 1
End If
done = False
drive.BurnIsoAudioCD "", folder.Name, False, Nothing, tracks, Nothing, 4 + 8 + 16 + 32, 0, 0
Do While Not done
    WScript.Sleep 100
Loop
If result = 0 Then
    WScript.Echo "The disc is done."
Else
    WScript.Echo "The burn failed (" & result & "): " & vexo.LastError
    WScript.Quit 1
End If

Sub Drive_OnProgress(percent, abort)
    WScript.Echo "  " & percent & " %"
End Sub

Sub Drive_OnSetPhase(text)
    WScript.Echo "  " & text
End Sub

Sub Drive_OnDoneBurn(status)
    result = status
    done = True
End Sub
