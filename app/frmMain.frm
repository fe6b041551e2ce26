; frmMain: its buttons as the designer saved them. Left, Top, Width and Height are twips within
; the button's container; the other keys are the button's own saved properties.

[cmdBrowse]
Left = 12495
Top = 180
Width = 1335
Height = 330
BTYPE = 3
TX = "Durchsuchen..."
ENAB = True
FONT = Font("MS Sans Serif", 8.25)
COLTYPE = 2
FOCUSR = False
BCOL = 14933984
FCOL = 0
FCOLO = 12582912
MPTR = Int16(0)
MICON = Picture()

[CmdSettings]
Left = 75
Top = 2505
Width = 375
Height = 1425
BTYPE = 3
TX = "6"
ENAB = True
FONT = Font("Webdings", 14.25)
COLTYPE = 2
FOCUSR = False
BCOL = 14933984
FCOL = 0
FCOLO = 12582912
MPTR = Int16(0)
MICON = Picture()

[CmdBrowser]
Left = 90
Top = 300
Width = 360
Height = 1440
BTYPE = 3
TX = "4"
ENAB = True
FONT = Font("Webdings", 14.25)
COLTYPE = 2
FOCUSR = False
BCOL = 14933984
FCOL = 0
FCOLO = 12582912
MPTR = Int16(0)
MICON = Picture()

[CmdRootDir]
Left = 8100
Top = 120
Width = 735
Height = 255
BTYPE = 3
TX = "çç"
ENAB = True
FONT = Font("Wingdings", 9.75, Bold)
COLTYPE = 2
FOCUSR = False
BCOL = 14933984
FCOL = 0
FCOLO = 12582912
MPTR = Int16(0)
MICON = Picture()

[CmdDirBack]
Left = 8880
Top = 120
Width = 735
Height = 255
BTYPE = 3
TX = "ç"
ENAB = True
FONT = Font("Wingdings", 9.75, Bold)
COLTYPE = 2
FOCUSR = False
BCOL = 14933984
FCOL = 0
FCOLO = 12582912
MPTR = Int16(0)
MICON = Picture()

[CmdRecord]
Left = 240
Top = 1920
Width = 1560
Height = 930
BTYPE = 3
TX = "="
ENAB = True
FONT = Font("Webdings", 36, Bold)
COLTYPE = 2
FOCUSR = False
BCOL = 12632256
FCOL = 192
FCOLO = 255
MPTR = Int16(0)
MICON = Picture()

[CmdPause]
Left = 5460
Top = 1920
Width = 1560
Height = 930
BTYPE = 3
TX = ";"
ENAB = True
FONT = Font("Webdings", 36, Bold)
COLTYPE = 2
FOCUSR = False
BCOL = 12632256
FCOL = 32896
FCOLO = 49344
MPTR = Int16(0)
MICON = Picture()

[CmdStop]
Left = 1980
Top = 1920
Width = 3300
Height = 930
BTYPE = 3
TX = "<"
ENAB = True
FONT = Font("Webdings", 36, Bold)
COLTYPE = 2
FOCUSR = False
BCOL = 12632256
FCOL = 8388608
FCOLO = 12582912
MPTR = Int16(0)
MICON = Picture()

[CmdPlay]
Left = 1980
Top = 3000
Width = 3300
Height = 930
BTYPE = 3
TX = "4"
ENAB = True
FONT = Font("Webdings", 36, Bold)
COLTYPE = 2
FOCUSR = False
BCOL = 12632256
FCOL = 32768
FCOLO = 49152
MPTR = Int16(0)
MICON = Picture()

[CmdPrev]
Left = 240
Top = 3000
Width = 1560
Height = 930
BTYPE = 3
TX = "9"
ENAB = True
FONT = Font("Webdings", 36, Bold)
COLTYPE = 2
FOCUSR = False
BCOL = 12632256
FCOL = 0
FCOLO = 4210752
MPTR = Int16(0)
MICON = Picture()

[CmdNext]
Left = 5460
Top = 3000
Width = 1560
Height = 930
BTYPE = 3
TX = ":"
ENAB = True
FONT = Font("Webdings", 36, Bold)
COLTYPE = 2
FOCUSR = False
BCOL = 12632256
FCOL = 0
FCOLO = 4210752
MPTR = Int16(0)
MICON = Picture()

[CmdReset]
Left = 6360
Top = 300
Width = 675
Height = 255
BTYPE = 3
TX = "Reset"
ENAB = True
FONT = Font("MS Sans Serif", 8.25)
COLTYPE = 2
FOCUSR = False
BCOL = 14933984
FCOL = 0
FCOLO = 12582912
MPTR = Int16(0)
MICON = Picture()
