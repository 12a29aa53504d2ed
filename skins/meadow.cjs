# Meadow: a light green skin with dark text and moss-green buttons.
#
# To use it, copy this file to "<application folder>\x\o.cjs": the
# application folder is the one that holds the program file; make the
# folder "x" inside it if it is not there yet. The program reads the skin
# when it starts. To go back to the plain look, delete x\o.cjs.

window.face = #EAF4E0
window.text = #1F3316

frame.face = #EAF4E0
frame.text = #2E5A1C

option.face = #EAF4E0
option.text = #1F3316

button.face = #5E8C31
button.text = #FFFFFF
button.hover = #76A844
button.disabled = #B7C9A8
