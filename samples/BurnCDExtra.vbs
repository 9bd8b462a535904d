' BurnCDExtra.vbs - burns a CD-extra (Enhanced CD): the WAV and MP3 files of
' one folder as the audio session, which every CD player plays, and the
' contents of another folder as a data session behind it, which computers
' read.
'
' Run it with:   cscript //nologo BurnCDExtra.vbs AUDIO-FOLDER DATA-FOLDER [RECORDER] [IMAGE]
'   AUDIO-FOLDER  the .wav (44.1 kHz, 16-bit, stereo) and .mp3 files, one track each, in name order
'   DATA-FOLDER   the folder whose contents become the data session's root
'   RECORDER      the number of the recorder in the engine's list (default 0)
'   IMAGE         write a disc image to this path instead of a disc (image recorder)
Option Explicit

Dim fso, audio, data, vexo, drives, drive, tracks, track, iso, names, file, i, j, swap
Dim recorder, done, result

Set fso = CreateObject("Scripting.FileSystemObject")
If WScript.Arguments.Count < 2 Then
    WScript.Echo "usage: cscript BurnCDExtra.vbs AUDIO-FOLDER DATA-FOLDER [RECORDER] [IMAGE]"
    WScript.Quit 2
End If
Set audio = fso.GetFolder(WScript.Arguments(0))
Set data = fso.GetFolder(WScript.Arguments(1))
recorder = 0
If WScript.Arguments.Count > 2 Then recorder = CInt(WScript.Arguments(2))

Set vexo = CreateObject("Vexo.Vexo")
Set drives = vexo.GetDrives(0)
If drives.Count <= recorder Then
    WScript.Echo "There is no recorder number " & recorder & "."
    WScript.Quit 1
End If
Set drive = drives.Item(recorder)
WScript.Echo "Recorder: " & drive.DeviceName
If WScript.Arguments.Count > 3 Then
    drive.InitImageRecorder WScript.Arguments(3), 0
    WScript.Echo "Writing the image " & WScript.Arguments(3)
End If

' The audio session: one track per file, sorted by name.
names = Array()
For Each file In audio.Files
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
    WScript.Echo "No .wav or .mp3 file in " & audio.Path
    WScript.Quit 1
End If
Set tracks = CreateObject("Vexo.VexoAudioTracks")
For i = 0 To UBound(names)
    Set track = CreateObject("Vexo.VexoAudioTrack")
    track.Filename = names(i)
    track.Title = fso.GetBaseName(names(i))
    If LCase(fso.GetExtensionName(names(i))) = "mp3" Then track.TrackType = 2 Else track.TrackType = 0
    If i > 0 Then track.PauseInBlksBeforeThisTrack = 150
    tracks.Add track
    WScript.Echo "Audio track " & (i + 1) & ": " & track.Title
Next

' The data session: a data track whose root folder mirrors DATA-FOLDER.
Set iso = CreateObject("Vexo.VexoIsoTrack")
iso.Name = UCase(Left(data.Name, 16))
iso.BurnOptions = 1 + 4 + 8                     ' Joliet, Rock Ridge, ISO 9660
AddFolder data, iso.RootFolder
WScript.Echo "Data session: volume " & iso.Name

Sub AddFolder(from, into)
    Dim sub_, f, folder, item
    For Each sub_ In from.SubFolders
        Set folder = CreateObject("Vexo.VexoFolder")
        folder.Name = sub_.Name
        into.Folders.Add folder
        AddFolder sub_, folder
    Next
    For Each f In from.Files
        Set item = CreateObject("Vexo.VexoFile")
        item.Name = f.Name
        item.SourceFilePath = f.Path
        into.Files.Add item
    Next
End Sub

' CDExtra = True puts the audio first and the data track in a second session.
' Write (4), disc at once (8), close the session (16), CD-TEXT (32).
WScript.ConnectObject drive, "Drive_"
done = False
drive.BurnIsoAudioCD "", audio.Name, True, iso, tracks, Nothing, 4 + 8 + 16 + 32, 0, 0
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

Sub Drive_OnDoneBurn(status)
    result = status
    done = True
End Sub
