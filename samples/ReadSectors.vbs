' ReadSectors.vbs - lists the partitions (tracks) of a disc image and copies
' a run of its sectors into a file of their own, for example the volume
' descriptors of a data disc (sectors 16 and on).
'
' Run it with:   cscript //nologo ReadSectors.vbs IMAGE [FIRST] [COUNT] [OUTPUT]
'   IMAGE   an ISO image, or the .cue sheet of a BIN/CUE image
'   FIRST   the first sector to copy (default 16)
'   COUNT   how many sectors (default 1)
'   OUTPUT  the file to write them to; without it the partitions are only listed
'
' Sector numbers go in and out as Vexo.VexoFSSecNo objects (two 32-bit
' halves). The count read is passed in parentheses: the object receives the
' number. VBScript cannot look into the byte arrays it reads; it passes them
' on to the output, which is opened as an image too.
Option Explicit

Dim fso, vexo, image, info, i, kind, first, count, readCount, buffer, status, output, target, size

Set fso = CreateObject("Scripting.FileSystemObject")
If WScript.Arguments.Count < 1 Then
    WScript.Echo "usage: cscript ReadSectors.vbs IMAGE [FIRST] [COUNT] [OUTPUT]"
    WScript.Quit 2
End If
first = 16
count = 1
If WScript.Arguments.Count > 1 Then first = CLng(WScript.Arguments(1))
If WScript.Arguments.Count > 2 Then count = CLng(WScript.Arguments(2))

Set vexo = CreateObject("Vexo.Vexo")
On Error Resume Next
Set image = vexo.CreateBlockAccessFromImage(fso.GetAbsolutePathName(WScript.Arguments(0)), 0)   ' 0: read-only
If Err.Number <> 0 Then
    WScript.Echo "Cannot open " & WScript.Arguments(0) & ": " & Err.Description
    WScript.Quit 1
End If
On Error GoTo 0

WScript.Echo image.PartitionCount & " partition(s)"
For i = 0 To image.PartitionCount - 1
    Set info = image.PartitionInfo(i)
    If info.PartitionType = 1 Then kind = "audio" Else kind = "data"
    WScript.Echo "  " & info.PartitionNumber & ": " & kind & ", sectors " & info.PartitionStart.LoPart & _
        " to " & (info.PartitionStart.LoPart + info.PartitionSize.LoPart - 1) & ", " & info.SectorSize & " bytes each"
Next
If WScript.Arguments.Count < 4 Then WScript.Quit 0

Set info = image.PartitionInfoForSector(SectorNumber(first))
If info.SectorSize <> 2048 Then
    WScript.Echo "Sector " & first & " holds " & info.SectorSize & " bytes; only 2048-byte sectors are copied."
    WScript.Quit 1
End If
Set readCount = CreateObject("Vexo.VexoFSSecNo")
status = image.ReadSectorsBuffered(buffer, SectorNumber(first), SectorNumber(count), (readCount))
If status <> 0 And status <> 2 Then                ' 2: the image ended before COUNT sectors
    WScript.Echo "Reading failed (" & status & ")."
    WScript.Quit 1
End If
WScript.Echo "Read " & readCount.LoPart & " sector(s) from sector " & first

' The output gets its size first (a file of spaces), then the sectors
' through a read-write (1) image access.
output = fso.GetAbsolutePathName(WScript.Arguments(3))
size = readCount.LoPart * 2048
Set target = fso.CreateTextFile(output, True)
target.Write Space(size)
target.Close
Set target = vexo.CreateBlockAccessFromImage(output, 1)
status = target.WriteSectorsBuffered(buffer, SectorNumber(0), SectorNumber(readCount.LoPart), (readCount))
target.FlushSectorCache
Set target = Nothing
If status <> 0 Then
    WScript.Echo "Writing failed (" & status & ")."
    WScript.Quit 1
End If
WScript.Echo "Wrote " & size & " bytes to " & output

Function SectorNumber(n)
    Set SectorNumber = CreateObject("Vexo.VexoFSSecNo")
    SectorNumber.LoPart = n
End Function
