inherited Form1: TForm1
  Left = 192
  Top = 107
  Caption = 'Main window'
  KivTranslatableProps.WideStrings = (
    'OkButton.Caption'
    'OkButton.Hint'
    'Grid.Columns[2].Title.Caption'
    'Frame11.Label1.Caption'
    'DeepLabel.Caption'
    'SaveItem.ShortCut')
  KivInlineClasses.WideStrings = (
    'TFrame1')
  object Panel1: TPanel
    Caption = 'a = b'
    object Panel2: TPanel
      object Panel3: TPanel
        object DeepLabel: TLabel
          Caption = 
            'A caption long enough to be cut into two pieces by the form writ' +
            'er'
        end
      end
    end
  end
  inherited OkButton: TButton [1]
    Caption = '&OK'
    Hint = 'Stra'#223'e '#8364' '#39'quoted'#39
  end
  object Grid: TDBGrid
    Columns = <
      item
        Expanded = False
        FieldName = 'ID'
      end
      item
        Title.Caption = 'Name'
      end
      item
        Title.Caption = 'Third'
        Width = 64
      end>
    ColumnsEmpty = <>
  end
  inline Frame11: TFrame1
    Left = 8
    inherited Label1: TLabel
      Caption = 'In the frame'
    end
  end
  object TMainMenu
    object SaveItem: TMenuItem
      Caption = '&Save'
      ShortCut = 16467
    end
  end
end
