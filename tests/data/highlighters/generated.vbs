For i = 0 To 10
For i = 0 To 10
  Case 1, 2
y = 1.5E3 + 12
If a <> b Then
document.write("The number is " + number)
Select Case value
End Function
  Case 1, 2
' first
' second
  Case 1, 2
d = #1/1/2000#
y = 1.5E3 + 12
x = x + 1.0
x = x + 1.0
Call MsgBox("Hello" & name, 0, "Title")
Wend
document.write("The number is " + number)
Next
Sub Show(ByVal text)
  MsgBox text
End Sub
Function printNumber()
Sub Show(ByVal text)
  MsgBox text
End Sub
' a comment line
If a <> b Then
d = #1/1/2000#
Select Case value
Dim total : total = 1234
End If
Wend
  Case 1, 2
s = "text with ""quotes"" inside"
For i = 0 To 10
Next
y = 1.5E3 + 12
While count < 100
Next
Sub Show(ByVal text)
  MsgBox text
End Sub
Sub Show(ByVal text)
  MsgBox text
End Sub
Dim total : total = 1234
For i = 0 To 10
Call MsgBox("Hello" & name, 0, "Title")
' first
' second
While count < 100
e = ""
End If
y = 1.5E3 + 12
Dim total : total = 1234
  Case 1, 2
Next
Dim total : total = 1234
document.write("The number is " + number)
Sub Show(ByVal text)
  MsgBox text
End Sub
End Function
  Case 1, 2
' first
' second
End If
For i = 0 To 10
Sub Show(ByVal text)
  MsgBox text
End Sub
Call MsgBox("Hello" & name, 0, "Title")
document.write("The number is " + number)
x = y ' trailing comment with "quotes"
Sub Show(ByVal text)
  MsgBox text
End Sub
If a <> b Then
d = #1/1/2000#
Wend
Sub Show(ByVal text)
  MsgBox text
End Sub
Sub Show(ByVal text)
  MsgBox text
End Sub
e = ""
  Case 1, 2
Next
d = #1/1/2000#
Function printNumber()
x = x + 1.0
Select Case value
' first
' second
x = y ' trailing comment with "quotes"
s = "text with ""quotes"" inside"
Call MsgBox("Hello" & name, 0, "Title")
For i = 0 To 10
' a comment line
x = y ' trailing comment with "quotes"
Next
End If
' first
' second
Sub Show(ByVal text)
  MsgBox text
End Sub
For i = 0 To 10
y = 1.5E3 + 12
' a comment line
If a <> b Then
' a comment line
y = 1.5E3 + 12
Dim total : total = 1234
Dim total : total = 1234
  Case 1, 2
Function printNumber()
  Case 1, 2
document.write("The number is " + number)
' a comment line
Next
' first
' second
For i = 0 To 10
y = 1.5E3 + 12
  Case 1, 2
Call MsgBox("Hello" & name, 0, "Title")
x = y ' trailing comment with "quotes"
If a <> b Then
Sub Show(ByVal text)
  MsgBox text
End Sub
d = #1/1/2000#
s = "text with ""quotes"" inside"
While count < 100
For i = 0 To 10
Sub Show(ByVal text)
  MsgBox text
End Sub
End Function
Wend
s = "text with ""quotes"" inside"
s = "text with ""quotes"" inside"
  Case 1, 2
Call MsgBox("Hello" & name, 0, "Title")
For i = 0 To 10
document.write("The number is " + number)
' first
' second
s = "text with ""quotes"" inside"
document.write("The number is " + number)
  Case 1, 2
Select Case value
For i = 0 To 10
Call MsgBox("Hello" & name, 0, "Title")
d = #1/1/2000#
y = 1.5E3 + 12
x = x + 1.0
Select Case value
e = ""
Sub Show(ByVal text)
  MsgBox text
End Sub
Sub Show(ByVal text)
  MsgBox text
End Sub
x = y ' trailing comment with "quotes"
s = "text with ""quotes"" inside"
For i = 0 To 10
Next
Select Case value
document.write("The number is " + number)
End If
d = #1/1/2000#
Function printNumber()
document.write("The number is " + number)
x = x + 1.0
d = #1/1/2000#
' a comment line
' first
' second
Call MsgBox("Hello" & name, 0, "Title")
Wend
For i = 0 To 10
e = ""
d = #1/1/2000#
Function printNumber()
d = #1/1/2000#
End Function
' first
' second
Select Case value
While count < 100
x = y ' trailing comment with "quotes"
x = x + 1.0
document.write("The number is " + number)
If a <> b Then
End Function
If a <> b Then
End Function
e = ""
Call MsgBox("Hello" & name, 0, "Title")
Sub Show(ByVal text)
  MsgBox text
End Sub
' first
' second
End If
d = #1/1/2000#
s = "text with ""quotes"" inside"
' first
' second
Dim total : total = 1234
Sub Show(ByVal text)
  MsgBox text
End Sub
End If
End Function
While count < 100
' first
' second
For i = 0 To 10
x = x + 1.0
End If
Function printNumber()
d = #1/1/2000#
y = 1.5E3 + 12
Sub Show(ByVal text)
  MsgBox text
End Sub
Next
Call MsgBox("Hello" & name, 0, "Title")
If a <> b Then
' first
' second
s = "text with ""quotes"" inside"
y = 1.5E3 + 12
x = x + 1.0
Sub Show(ByVal text)
  MsgBox text
End Sub
x = y ' trailing comment with "quotes"
d = #1/1/2000#
x = y ' trailing comment with "quotes"
Sub Show(ByVal text)
  MsgBox text
End Sub
' first
' second
s = "text with ""quotes"" inside"
For i = 0 To 10
For i = 0 To 10
Next
document.write("The number is " + number)
' first
' second
y = 1.5E3 + 12
  Case 1, 2
x = y ' trailing comment with "quotes"
Dim total : total = 1234
x = x + 1.0
x = y ' trailing comment with "quotes"
y = 1.5E3 + 12
While count < 100
s = "text with ""quotes"" inside"
x = x + 1.0
Dim total : total = 1234
While count < 100
For i = 0 To 10
x = x + 1.0
End Function
Call MsgBox("Hello" & name, 0, "Title")
document.write("The number is " + number)
End If
While count < 100
End Function
If a <> b Then
If a <> b Then
Call MsgBox("Hello" & name, 0, "Title")
d = #1/1/2000#
d = #1/1/2000#
x = y ' trailing comment with "quotes"
document.write("The number is " + number)
document.write("The number is " + number)
d = #1/1/2000#
If a <> b Then
' first
' second
Function printNumber()
End Function
  Case 1, 2
' a comment line
Sub Show(ByVal text)
  MsgBox text
End Sub
Next
e = ""
Function printNumber()
Next
End If
x = y ' trailing comment with "quotes"
' a comment line
x = y ' trailing comment with "quotes"
x = y ' trailing comment with "quotes"
' a comment line
e = ""
End Function
' first
' second
' a comment line
x = y ' trailing comment with "quotes"
Call MsgBox("Hello" & name, 0, "Title")
document.write("The number is " + number)
End If
x = y ' trailing comment with "quotes"
e = ""
Call MsgBox("Hello" & name, 0, "Title")
y = 1.5E3 + 12
While count < 100
x = y ' trailing comment with "quotes"
End Function
Sub Show(ByVal text)
  MsgBox text
End Sub
Select Case value
y = 1.5E3 + 12
' first
' second
d = #1/1/2000#
Next
Select Case value
While count < 100
Wend
' first
' second
x = y ' trailing comment with "quotes"
Next
x = y ' trailing comment with "quotes"
Dim total : total = 1234
' first
' second
For i = 0 To 10
End Function
s = "text with ""quotes"" inside"
e = ""
e = ""
Next
Next
While count < 100
For i = 0 To 10
document.write("The number is " + number)
While count < 100
For i = 0 To 10
For i = 0 To 10
Select Case value
s = "text with ""quotes"" inside"
Next
Sub Show(ByVal text)
  MsgBox text
End Sub
x = x + 1.0
y = 1.5E3 + 12
x = x + 1.0
Function printNumber()
Wend
s = "text with ""quotes"" inside"
Call MsgBox("Hello" & name, 0, "Title")
Wend
document.write("The number is " + number)
' first
' second
d = #1/1/2000#
x = x + 1.0
If a <> b Then
While count < 100
e = ""
s = "text with ""quotes"" inside"
End If
Call MsgBox("Hello" & name, 0, "Title")
x = y ' trailing comment with "quotes"
' a comment line
e = ""
Next
' first
' second
y = 1.5E3 + 12
Function printNumber()
Select Case value
For i = 0 To 10
Dim total : total = 1234
Call MsgBox("Hello" & name, 0, "Title")
Sub Show(ByVal text)
  MsgBox text
End Sub
End Function
Function printNumber()
Wend
