#pragma once
// Colours one line of a script in its text control: a comment red, the command word (or a label)
// blue and bold, the rest of the line plain in the window-text colour. A line that begins with
// no known word keeps the colours it has. Works on the document's own character formats, so the
// printer sees them; it never marks the text changed and joins the edit that caused it in the
// undo history rather than adding a step of its own.

class QPlainTextEdit;

// The 0-based line of the control's text; a row outside the text does nothing. Calls made while
// a colouring is under way (from its own change events) return at once.
void HighlightLine(QPlainTextEdit& memo, int row);
