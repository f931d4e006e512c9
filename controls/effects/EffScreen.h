#pragma once
// Questions to the screen and effects on it.

class QWidget;

// Bits per pixel of the primary screen; 24 without one.
int GetColorDepth();
