' BurnAtOnce.vbs - burns a disc image's sectors as a data disc of pieces
' (PIECE.001, PIECE.002, ...), for example to keep a large image on discs
' whose files must stay small. The pieces exist only while the burn runs:
' the engine asks for each file's bytes when it writes it (burn-at-once),
' and the script produces them by reading the image's sectors.
'
' Run it with:   cscript //nologo BurnAtOnce.vbs SOURCE [PIECE-SECTORS] [RECORDER] [IMAGE]
'   SOURCE         the image file to split (read as 2048-byte sectors)
'   PIECE-SECTORS  the sectors in one piece (default 256, half a megabyte)
'   RECORDER       the number of the recorder in the engine's list (default 0)
'   IMAGE          write a disc image to this path instead of a disc (image recorder)
'
' VBScript cannot make arrays of bytes; the byte arrays the sector reader
' hands out are passed on to the file's stream as they are.
Option Explicit

Dim fso, vexo, drives, drive, recorder, source, sectors, piece, container, root, producer
Dim pieces, producers, done, result, i, name, stem

Set fso = CreateObject("Scripting.FileSystemObject")
If WScript.Arguments.Count < 1 Then
    WScript.Echo "usage: cscript BurnAtOnce.vbs SOURCE [PIECE-SECTORS] [RECORDER] [IMAGE]"
    WScript.Quit 2
End If
piece = 256
recorder = 0
If WScript.Arguments.Count > 1 Then piece = CLng(WScript.Arguments(1))
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

' The source, opened read-only (0) for sector access.
Set source = vexo.CreateBlockAccessFromImage(fso.GetAbsolutePathName(WScript.Arguments(0)), 0)
sectors = source.PartitionInfo(0).PartitionSize.LoPart
stem = UCase(fso.GetBaseName(WScript.Arguments(0)))
WScript.Echo fso.GetFileName(WScript.Arguments(0)) & ": " & sectors & " sectors"

' The disc: one produced file per piece. Every file has a producer of its
' own, whose id tells the handler which piece is asked for.
Set container = CreateObject("Vexo.VexoFileSystemDescContainer")
container.Name2 = Left(stem, 16)
container.BurnOptions = 1 + 4                   ' Joliet and Rock Ridge names
Set root = container.RootDirectoryContainer
Set producers = CreateObject("Scripting.Dictionary")   ' keeps the producers alive
Set pieces = CreateObject("Scripting.Dictionary")   ' producer id -> piece number
i = 0
Do While i * piece < sectors
    Set producer = WScript.CreateObject("Vexo.VexoFileProducer", "Producer_")
    pieces.Add producer.id, i
    producers.Add producer.id, producer
    name = stem & "." & Right("00" & (i + 1), 3)
    ' The length goes in as two 32-bit halves: high, then low.
    root.AddFile name, producer, 0, PieceSectors(i) * 2048, 0, 0
    WScript.Echo "  " & name & ": sectors " & (i * piece) & " to " & (i * piece + PieceSectors(i) - 1)
    i = i + 1
Loop

' Write (4), disc at once (8), close the session (16); no temporary folder.
WScript.ConnectObject drive, "Drive_"
done = False
drive.BurnAtOnce container, "", 4 + 8 + 16, 0
Do While Not done
    WScript.Sleep 100
Loop
If result = 0 Then
    WScript.Echo "The disc is done."
Else
    WScript.Echo "The burn failed (" & result & "): " & vexo.LastError
    WScript.Quit 1
End If

' Called while the burn runs, when the engine writes the piece: the piece's
' sectors are read in runs of 16 and written to the stream. An error left
' in errorCode (3: not available) fails the burn.
Sub Producer_OnProduceFile(id, stream, errorCode)
    Dim at, left_, n, buffer, readCount, status
    at = pieces.Item(id) * piece
    left_ = PieceSectors(pieces.Item(id))
    Set readCount = CreateObject("Vexo.VexoFSSecNo")
    Do While left_ > 0
        n = 16
        If left_ < n Then n = left_
        status = source.ReadSectorsBuffered(buffer, SectorNumber(at), SectorNumber(n), (readCount))
        If status <> 0 Or readCount.LoPart <> n Then
            WScript.Echo "  reading sector " & at & " failed (" & status & ")"
            errorCode = 3
            Exit Sub
        End If
        stream.Write buffer, n * 2048
        at = at + n
        left_ = left_ - n
    Loop
End Sub

' The sectors in piece number n (the last piece may be shorter).
Function PieceSectors(n)
    PieceSectors = piece
    If sectors - n * piece < piece Then PieceSectors = sectors - n * piece
End Function

Function SectorNumber(n)
    Set SectorNumber = CreateObject("Vexo.VexoFSSecNo")
    SectorNumber.LoPart = n
End Function

Sub Drive_OnProgress(percent, abort)
    WScript.Echo "  " & percent & " %"
End Sub

Sub Drive_OnDoneBurn(status)
    result = status
    done = True
End Sub
