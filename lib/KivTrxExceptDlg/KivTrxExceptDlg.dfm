object KivExceptionDialog: TKivExceptionDialog
  Left = 0
  Top = 0
  ActiveControl = OkBtn
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Error'
  ClientHeight = 257
  ClientWidth = 434
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Shell Dlg 2'
  Font.Style = []
  KeyPreview = True
  Position = poScreenCenter
  ShowHint = True
  OnCreate = FormCreate
  OnKeyDown = FormKeyDown
  OnPaint = FormPaint
  OnResize = FormResize
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 13
  object TextLabel: TKivMemo
    Left = 58
    Top = 20
    Width = 373
    Height = 27
    Anchors = [akLeft, akTop, akRight]
    TabOrder = 0
    BorderStyle = bsNone
    Lines.Strings = (
      'TextLabel')
    ParentColor = True
    ReadOnly = True
    WantReturns = False
  end
  object DetailsBtn: TKivButton
    Left = 10
    Top = 61
    Width = 100
    Height = 25
    Hint = 'Show or hide additional information|'
    Anchors = [akTop, akRight]
    TabOrder = 1
    Caption = '&Details'
    OnClick = DetailsBtnClick
  end
  object ClipboardBtn: TKivButton
    Left = 113
    Top = 61
    Width = 113
    Height = 25
    Visible = False
    TabOrder = 2
    Caption = 'Copy to Clipboard'
    OnClick = ClipboardBtnClick
  end
  object EmailBtn: TKivButton
    Left = 230
    Top = 61
    Width = 92
    Height = 25
    Visible = False
    TabOrder = 3
    Caption = 'Send Email'
    OnClick = EmailBtnClick
  end
  object OkBtn: TKivButton
    Left = 326
    Top = 61
    Width = 100
    Height = 25
    Anchors = [akTop, akRight]
    TabOrder = 4
    Caption = 'OK'
    Default = True
    ModalResult = 1
  end
  object Bevel1: TKivBevel
    Left = 0
    Top = 94
    Width = 434
    Height = 1
  end
  object DetailsMemo: TKivMemo
    Left = 7
    Top = 96
    Width = 422
    Height = 155
    Anchors = [akLeft, akTop, akRight, akBottom]
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWindowText
    Font.Height = -11
    Font.Name = 'Lucida Console'
    Font.Style = []
    ParentFont = False
    TabOrder = 5
    ParentColor = True
    ReadOnly = True
    ScrollBars = ssBoth
    WantReturns = False
    WordWrap = False
    OnDblClick = DetailsMemoDblClick
  end
end
