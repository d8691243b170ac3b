object TrxForm: TTestTrxForm
  Left = 0
  Top = 0
  Caption = 'Translatable'
  ClientHeight = 100
  ClientWidth = 200
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Shell Dlg 2'
  Font.Style = []
  KivTranslatableProps.WideStrings = (
    'Button1.Caption'
    'Button1.Hint'
    'Button10.Caption'
    'Caption')
  KivInlineClasses.WideStrings = (
    'TFrame1')
  OldCreateOrder = True
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object Button1: TKivButton
    Left = 8
    Top = 8
    Width = 75
    Height = 25
    Hint = 'First'
    TabOrder = 0
    Caption = 'One'
  end
  object Button10: TKivButton
    Left = 8
    Top = 40
    Width = 75
    Height = 25
    TabOrder = 1
    Caption = 'Ten'
  end
end
