object TestAllForm: TTestAllForm
  Left = 120
  Top = 80
  BorderStyle = bsDialog
  Caption = 'Every control'
  ClientHeight = 300
  ClientWidth = 420
  Color = clBtnFace
  Constraints.MinHeight = 200
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Shell Dlg 2'
  Font.Style = []
  KeyPreview = True
  Menu = MainMenu1
  Position = poScreenCenter
  ShowHint = True
  OnCreate = FormCreate
  OnKeyDown = FormKeyDown
  PixelsPerInch = 96
  TextHeight = 13
  object Timer1: TTimer
    Enabled = False
    Interval = 100
    OnTimer = Timer1Timer
    Left = 8
    Top = 8
  end
  object MainMenu1: TMainMenu
    Left = 40
    Top = 8
    object FileItem: TMenuItem
      Caption = '&File'
      object ExitItem: TMenuItem
        Caption = 'E&xit'
        ShortCut = 16465
        OnClick = ExitItemClick
      end
    end
  end
  object ControlBar1: TKivControlBar
    Left = 0
    Top = 0
    Width = 420
    Height = 30
    Align = alTop
    TabOrder = 6
    object ToolBar1: TKivToolBar
      Left = 11
      Top = 2
      Width = 150
      Height = 22
      TabOrder = 0
      Align = alNone
      ShowCaptions = True
      object ToolButton1: TToolButton
        Left = 0
        Top = 0
        Width = 40
        Height = 22
        Caption = 'Go'
      end
    end
  end
  object NameLabel: TKivLabel
    Left = 8
    Top = 40
    Width = 60
    Height = 13
    AutoSize = False
    Caption = '&Name:'
    FocusControl = Memo1
  end
  object Memo1: TKivMemo
    Left = 8
    Top = 60
    Width = 300
    Height = 120
    Anchors = [akLeft, akTop, akRight, akBottom]
    TabOrder = 0
    Lines.Strings = (
      'First line'
      'Second line')
    MaxLength = 200
    ScrollBars = ssVertical
    WantReturns = False
  end
  object Panel1: TKivPanel
    Left = 316
    Top = 60
    Width = 96
    Height = 120
    Anchors = [akTop, akRight]
    TabOrder = 1
    Caption = 'Panel'
    object InnerButton: TKivButton
      Left = 8
      Top = 80
      Width = 80
      Height = 25
      Hint = 'Inner|Does nothing at all'
      TabOrder = 0
      Caption = '&Inner'
    end
  end
  object Bevel1: TKivBevel
    Left = 0
    Top = 190
    Width = 420
    Height = 2
    Anchors = [akLeft, akRight, akBottom]
    Shape = bsTopLine
  end
  object OkButton: TKivButton
    Left = 256
    Top = 240
    Width = 75
    Height = 25
    Anchors = [akRight, akBottom]
    TabOrder = 3
    Caption = 'OK'
    Default = True
    ModalResult = 1
    OnClick = OkButtonClick
  end
  object CancelButton: TKivButton
    Left = 337
    Top = 240
    Width = 75
    Height = 25
    Anchors = [akRight, akBottom]
    TabOrder = 2
    Caption = 'Cancel'
    Cancel = True
    ModalResult = 2
  end
  object FailButton: TKivButton
    Left = 8
    Top = 240
    Width = 75
    Height = 25
    Anchors = [akLeft, akBottom]
    TabOrder = 4
    Caption = 'Fail'
    OnClick = FailButtonClick
  end
  object FaultButton: TKivButton
    Left = 89
    Top = 240
    Width = 75
    Height = 25
    Anchors = [akLeft, akBottom]
    TabOrder = 5
    Caption = 'Fault'
    OnClick = FaultButtonClick
  end
  object StatusBar1: TKivStatusBar
    Left = 0
    Top = 281
    Width = 420
    Height = 19
    TabOrder = 7
    Panels = <
      item
        Text = 'Ready'
        Width = 100
      end
      item
        Width = 50
      end>
  end
end
