# Slate: a dark skin with light text and steel-blue buttons.
#
# To use it, copy this file to "<application folder>\x\o.cjs": the
# application folder is the one that holds the program file; make the
# folder "x" inside it if it is not there yet. The program reads the skin
# when it starts. To go back to the plain look, delete x\o.cjs.

window.face = #2B2F36
window.text = #E8EAED

frame.face = #2B2F36
frame.text = #C9D1D9

option.face = #2B2F36
option.text = #E8EAED

button.face = #3D5A80
button.text = #FFFFFF
button.hover = #4F74A3
button.disabled = #8B949E
