inherited DerivedForm: TTestDerivedForm
  Caption = 'Derived'
  inherited Timer1: TTimer
  end
  inherited MainMenu1: TMainMenu
    inherited FileItem: TMenuItem
      inherited ExitItem: TMenuItem
      end
    end
  end
  inherited ControlBar1: TKivControlBar
    TabOrder = 7
    inherited ToolBar1: TKivToolBar
      inherited ToolButton1: TToolButton
      end
    end
  end
  inherited NameLabel: TKivLabel
  end
  inherited Memo1: TKivMemo
    Lines.Strings = (
      'Derived line')
  end
  inherited Panel1: TKivPanel
    inherited InnerButton: TKivButton
    end
  end
  inherited Bevel1: TKivBevel
  end
  inherited OkButton: TKivButton
  end
  inherited CancelButton: TKivButton
  end
  inherited FailButton: TKivButton
  end
  inherited FaultButton: TKivButton
  end
  inherited StatusBar1: TKivStatusBar
    TabOrder = 8
  end
  object ExtraButton: TKivButton
    Left = 170
    Top = 240
    Width = 75
    Height = 25
    Anchors = [akLeft, akBottom]
    TabOrder = 6
    Caption = 'Extra'
  end
end
