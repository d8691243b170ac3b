inherited Форма: TФорма [0]
  Caption = #1060#1086#1088#1084#1072
  OnClick = КнопкаClick
  Style = [fsBold, über]
  Größe.Wert = 1
  inline Рамка1: TРамка [1]
    object Метка: TLabel
      Caption = 'x'
    end
  end
end
