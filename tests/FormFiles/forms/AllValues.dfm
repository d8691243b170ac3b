object Form1: TForm1
  Left = 0
  Top = -5
  Width = 1000
  Height = 70000
  Tag = -2147483648
  HelpContext = 4294967296
  BigNumber = -9223372036854775808
  Ratio = 1.500000000000000000
  Whole = 2.000000000000000000
  Precise = 64.677180000000010000
  FromDouble = 0.8000000000000000444
  Huge = 1E+300
  Tiny = -0.000000000250000000
  Tinier = 2.5E-20
  NegativeZero = -0.000000000000000000
  Price = 12.34c
  Debt = -0.0001c
  Budget = 424300000c
  Scale = 0.5s
  Created = 45000.5d
  Stamp = 42264.8488657407d
  NoDate = 0d
  Caption = 'Total = 5'
  Hint = 'It'#39's a '#233't'#233' caf'#233
  Greek = #945#946#947
  Accented = 'r'#233'sum'#233
  Han = #20013#25991
  Emoji = #55357#56832
  LoneSurrogate = 'a'#55357
  StoredLong = 'Connect' + ''
  Empty = ''
  Controls = #13#10#9'tab'
  LongText = 
    'ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKL' +
    'MNOPQRSTUVWXYZ0123456789'
  Color = clBtnFace
  ActiveControl = Panel1.Button1
  Visible = True
  Enabled = False
  PopupMenu = nil
  Font.Style = [fsBold, fsItalic]
  Anchors = []
  Items.Strings = (
    'one'
    'two'
    
      'ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKL' +
      'MNOPQRSTUVWXYZ'
    '')
  Mixed = (
    1
    'x'
    (
      2
      ())
    Ident
    <
      item
        A = 1
      end>)
  EmptyList = ()
  Data = {
    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F
    FF80}
  NoData = {}
  Small = {00}
  OneLine = {000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F}
  Columns = <>
  object Panel1: TPanel
    Align = alTop
    object Panel2: TPanel
      object Button1: TButton
        Caption = '&OK'
        ShortCut = 16467
      end
    end
  end
  inherited Grid: TDBGrid [2]
    Columns = <
      item
        Expanded = False
      end
      item
        Title.Caption = 'Second'
      end
      item
        Title.Caption = 'Third'
        Width = 64
      end>
  end
  inline Frame11: TFrame1
    object Label1: TLabel
      Caption = 'In frame'
    end
  end
  object TTimer
    Interval = 250
  end
end
