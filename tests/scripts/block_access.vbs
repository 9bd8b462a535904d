' Sector-level access from a script: an ISO image made by xorriso, first
' read-only and then read-write (sector 16 is copied to sector 20 and
' flushed; the test around this script compares the file), a drive's sparse
' medium above 2^32 sectors, its VMS sessions, and the errors a script sees.
'   block_access.vbs READ-ONLY-IMAGE READ-WRITE-IMAGE
' Sector counts go in and out as Vexo.VexoFSSecNo objects; the count read
' is passed in parentheses (by value): the object itself receives the number.
Option Explicit
Dim vexo, img, rw, info, r, buf, e, drives, reader, writer, vms, s

Sub Report(label)
    If Err.Number = 0 Then
        WScript.Echo label & ": ok"
    Else
        WScript.Echo label & ": &H" & Hex(Err.Number) & " " & Err.Description
    End If
    Err.Clear
End Sub

Function Sec(hi, lo)
    Set Sec = CreateObject("Vexo.VexoFSSecNo")
    Sec.HiPart = hi
    Sec.LoPart = lo
End Function

Set vexo = CreateObject("Vexo.Vexo")
On Error Resume Next

' ---- the image, read-only
Set img = vexo.CreateBlockAccessFromImage(WScript.Arguments(0), 0) : Report "open read-only"
WScript.Echo "partitions: " & img.PartitionCount
Set info = img.PartitionInfo(0)
WScript.Echo "partition " & info.PartitionNumber & ": sector size " & info.SectorSize & ", type " & _
    info.PartitionType & ", start " & info.PartitionStart.LoPart & ", sectors " & info.PartitionSize.LoPart
Set r = Sec(0, 0)
e = img.ReadSectorsUnBuffered(buf, Sec(0, 16), Sec(0, 1), (r)) : Report "read sector 16"
WScript.Echo "  error " & e & ", read " & r.LoPart & ", array of signed bytes: " & (VarType(buf) = 8192 + 16)
e = img.WriteSectorsBuffered(buf, Sec(0, 20), Sec(0, 1), (r)) : Report "write to the read-only image"
WScript.Echo "  error " & e & ", written " & r.LoPart
e = img.ReadSectorsBuffered(buf, Sec(0, 16), Sec(0, 0), (r)) : Report "read 0 sectors"
e = img.ReadSectorsBuffered(buf, Sec(0, 16), Sec(1, 0), (r)) : Report "read 2^32 sectors"
Set info = img.PartitionInfo(1) : Report "PartitionInfo(1)"
Set img = Nothing

' ---- the image, read-write: sector 16 copied to sector 20
Set rw = vexo.CreateBlockAccessFromImage(WScript.Arguments(1), 1) : Report "open read-write"
e = rw.ReadSectorsUnBuffered(buf, Sec(0, 16), Sec(0, 1), (r)) : Report "read sector 16"
e = rw.WriteSectorsBuffered("sector", Sec(0, 20), Sec(0, 1), (r)) : Report "write a string"
e = rw.WriteSectorsBuffered(buf, Sec(0, 20), Sec(0, 2), (r)) : Report "write 2048 bytes as two sectors"
e = rw.WriteSectorsBuffered(buf, Sec(0, 20), Sec(0, 1), (r)) : Report "write sector 20"
WScript.Echo "  error " & e & ", written " & r.LoPart
rw.FlushSectorCache : Report "flush"
Set rw = Nothing

' ---- a drive's medium
Set drives = vexo.GetDrives(0)
WScript.Echo "access modes: " & drives(0).SupportedAccessModes & " and " & drives(1).SupportedAccessModes
Set reader = drives(0).CreateBlockReader(0) : Report "reader without a medium"
Set reader = drives(1).CreateBlockReader(0) : Report "reader"
e = reader.ReadSectorsUnBuffered(buf, Sec(1, 0), Sec(0, 4), (r)) : Report "read at 2^32"
WScript.Echo "  error " & e & ", read " & r.LoPart
e = reader.WriteSectorsUnBuffered(buf, Sec(1, 0), Sec(0, 1), (r)) : Report "write through a reader"
Set writer = drives(1).CreateBlockWriter(1) : Report "writer"
e = writer.WriteSectorsUnBuffered(buf, Sec(1, 0), Sec(0, 4), (r)) : Report "write at 2^32"
WScript.Echo "  error " & e & ", written " & r.LoPart & ", high half " & r.HiPart
Set writer = drives(1).CreateBlockWriter(4) : Report "writer in a mode the medium lacks"

' ---- virtual multisession
Set vms = drives(0).GetVMSInfo() : Report "sessions of a medium without them"
Set vms = drives(1).GetVMSInfo() : Report "sessions"
WScript.Echo "sessions: " & vms.Count & ", next writable " & vms.NextWritableAddress
For Each s In vms
    WScript.Echo "  " & s.SessionName & " " & Year(s.CreationTime) & "-" & Month(s.CreationTime) & "-" & _
        Day(s.CreationTime) & " " & Hour(s.CreationTime) & ":" & Minute(s.CreationTime) & ":" & _
        Second(s.CreationTime) & " next " & s.NextWritableAddress
Next

On Error GoTo 0
WScript.Echo "done"
