// The windows are drawn on the program's own light artwork: their colours never come from a dark
// desktop theme, where labels and the conversation would vanish. Stock boxes keep the desktop's.
#pragma once

#include <QPalette>

class QWidget;

// Dark text on light grounds, every role of every group set.
QPalette PaletteClaire();
// For one window and its controls; a later change of desktop theme leaves it as it is.
void Eclaircir(QWidget* fenetre);
