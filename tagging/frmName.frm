; frmName: its buttons as the designer saved them. Left, Top, Width and Height are twips within
; the button's container; the other keys are the button's own saved properties.

[CmdButton1]
Left = 2760
Top = 2100
Width = 2535
Height = 375
BTYPE = 3
TX = "Felder leeren  (STANDARD)"
ENAB = True
FONT = Font("MS Sans Serif", 8.25)
COLTYPE = 2
FOCUSR = False
BCOL = 14933984
FCOL = 0
FCOLO = 12582912
MPTR = Int16(0)
MICON = Picture()

[CmdButton2]
Left = 120
Top = 2580
Width = 5175
Height = 615
BTYPE = 3
TX = "Ü B E R N E H M E N"
ENAB = True
FONT = Font("MS Sans Serif", 12, Bold)
COLTYPE = 2
FOCUSR = False
BCOL = 14933984
FCOL = 0
FCOLO = 12582912
MPTR = Int16(0)
MICON = Picture()

[CmdButton3]
Left = 120
Top = 2100
Width = 2535
Height = 375
BTYPE = 3
TX = "Letzte Einträge laden"
ENAB = True
FONT = Font("MS Sans Serif", 8.25)
COLTYPE = 2
FOCUSR = False
BCOL = 14933984
FCOL = 0
FCOLO = 12582912
MPTR = Int16(0)
MICON = Picture()
