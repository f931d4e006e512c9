#include "editor/KeywordHighlighter.h"

#include "editor/EditorKeywords.h"
#include "platform/Painting.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <string>

namespace {

bool highlighting = false;

struct Region {
    int from, to;  // in the block, "to" excluded
    QTextCharFormat format;
    bool styled;  // the format sets the font style too, not only the colour
};

QTextCharFormat Coloured(TColor color, bool styled, bool bold)
{
    QTextCharFormat f;
    f.setForeground(painting::ToQColor(color));
    if (styled) {
        f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(false);
        f.setFontUnderline(false);
        f.setFontStrikeOut(false);
    }
    return f;
}

bool Satisfies(const QTextCharFormat& have, const Region& want)
{
    const QBrush fg = have.foreground();
    if (fg.style() == Qt::NoBrush || fg.color() != want.format.foreground().color()) return false;
    if (!want.styled) return true;
    return have.fontWeight() == want.format.fontWeight() && !have.fontItalic() && !have.fontUnderline() &&
           !have.fontStrikeOut();
}

// One byte per UTF-16 unit, so positions found in it are document positions. Non-Latin-1 units
// become a byte that matches no keyword and is no blank.
std::string ShownBytes(const QString& text)
{
    std::string bytes(text.size(), '\0');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        bytes[i] = static_cast<char>(u < 0x100 ? u : 0xFF);
    }
    return bytes;
}

bool AlreadyColoured(const QTextBlock& block, const std::vector<Region>& regions)
{
    const int base = block.position();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        const int from = f.position() - base, to = from + f.length();
        for (const Region& r : regions)
            if (from < r.to && r.from < to && !Satisfies(f.charFormat(), r)) return false;
    }
    return true;
}

}  // namespace

void HighlightLine(QPlainTextEdit& memo, int row)
{
    if (highlighting) return;
    highlighting = true;
    struct Clear {
        ~Clear() { highlighting = false; }
    } clear;

    QTextDocument* doc = memo.document();
    if (row < 0 || row >= doc->blockCount()) return;
    const QTextBlock block = doc->findBlockByNumber(row);
    const int length = block.length() - 1;
    const LineColouring c = ClassifyLine(ShownBytes(block.text()));
    std::vector<Region> regions;
    if (c.kind == LineColouring::Comment) {
        regions.push_back({0, length, Coloured(clRed, false, false), false});
    } else if (c.kind == LineColouring::Keyword) {
        const int spanEnd = int(c.start + c.length);
        regions.push_back({int(c.start), spanEnd, Coloured(clBlue, true, true), true});
        regions.push_back({spanEnd, length, Coloured(clWindowText, true, false), true});
    } else {
        return;
    }
    if (AlreadyColoured(block, regions)) return;

    const bool wasModified = doc->isModified();
    const bool joinable = doc->availableUndoSteps() > 0;
    QTextCursor cursor(doc);
    // Part of the edit that made the line change, so one undo takes both back.
    if (joinable) cursor.joinPreviousEditBlock();
    else cursor.beginEditBlock();
    for (const Region& r : regions) {
        if (r.to <= r.from) continue;
        cursor.setPosition(block.position() + r.from);
        cursor.setPosition(block.position() + r.to, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(r.format);
    }
    cursor.endEditBlock();
    // With nothing before it to join, the colouring would be an undo step of its own.
    if (!joinable) doc->clearUndoRedoStacks(QTextDocument::UndoStack);
    doc->setModified(wasModified);
}
