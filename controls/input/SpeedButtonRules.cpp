#include "controls/input/SpeedButtonRules.h"

#include <algorithm>

namespace speedbutton {

TButtonState PaintedState(TButtonState state, bool flat, bool mouseInControl)
{
    return flat && !mouseInControl ? bsInactive : state;
}

TFrame ButtonFrame(TButtonState state, TButtonState paintedState, bool newLook, bool flat)
{
    TFrame frame;
    if (paintedState == bsInactive && state != bsExclusive) return frame;
    const TButtonState shown = paintedState == bsInactive ? state : paintedState;
    const bool pressed = shown == bsDown || shown == bsExclusive;
    if (newLook && !flat) {
        frame.Rings = pressed ? std::vector<TFrameRing>{{clWindowFrame, clBtnHighlight}, {clBtnShadow, clBtnFace}}
                              : std::vector<TFrameRing>{{clBtnHighlight, clWindowFrame}, {clBtnFace, clBtnShadow}};
    } else if (newLook) {
        frame.Rings = {pressed ? TFrameRing{clWindowFrame, clBtnHighlight} : TFrameRing{clBtnHighlight, clBtnShadow}};
    } else if (!flat) {
        frame.Rings = {{clWindowFrame, clWindowFrame}};
        if (pressed)
            frame.ShadowLine = true;
        else
            frame.Rings.push_back({clBtnHighlight, clBtnShadow});
    } else {
        frame.Rings = {pressed ? TFrameRing{clWindowFrame, clBtnHighlight} : TFrameRing{clBtnHighlight, clWindowFrame}};
    }
    return frame;
}

TGlyphSource GlyphSourceFor(TButtonState state, int numGlyphs)
{
    switch (state) {
    case bsDisabled:
        return numGlyphs < 2 ? TGlyphSource{TGlyphSource::Embossed, 0} : TGlyphSource{TGlyphSource::Slice, 1};
    case bsInactive:
        return numGlyphs > 4 ? TGlyphSource{TGlyphSource::Slice, 4} : TGlyphSource{TGlyphSource::Grey, 0};
    default:
        return {TGlyphSource::Slice, static_cast<int>(state) < numGlyphs ? static_cast<int>(state) : 0};
    }
}

int GlyphCountOf(int width, int height)
{
    if (width <= 0 || height <= 0 || width % height != 0) return 1;
    const int count = width / height;
    return count >= 1 && count <= 5 ? count : 1;
}

int ClampNumGlyphs(int value) { return std::clamp(value, 1, 5); }

TSize TextRoom(TSize client, TSize glyph, TButtonLayout layout, int margin, int spacing, bool dropMark)
{
    TSize room;
    if (layout == blGlyphTop || layout == blGlyphBottom) {
        room = {client.Width - 2, client.Height - glyph.Height - 2};
        if (margin != -1) room.Height -= margin;
        if (spacing != -1) room.Height -= spacing;
    } else {
        room = {client.Width - glyph.Width - 2 - (dropMark ? 9 : 0), client.Height - 2};
        if (margin != -1) room.Width -= margin;
        if (spacing != -1) room.Width -= spacing;
    }
    return {std::max(room.Width, 0), std::max(room.Height, 0)};
}

TButtonPlacement PlaceGlyphAndText(const TRect& client, TSize glyph, TSize textSize, TButtonLayout layout,
                                   int margin, int spacing, bool dropMark)
{
    const bool hasGlyph = glyph.Width > 0 && glyph.Height > 0;
    const TSize drawnGlyph = glyph;
    const TSize drawnText = textSize;
    // The mark takes room beside the glyph, or beside the caption.
    if (dropMark) {
        if (hasGlyph && layout != blGlyphLeft)
            glyph.Width += 6;
        else
            textSize.Width += 9;
    }
    const TSize size{RectWidth(client), RectHeight(client)};
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;

    TPoint glyphPos, textPos;
    if (horizontal) {
        glyphPos.Y = size.Height / 2 - glyph.Height / 2;
        textPos.Y = size.Height / 2 - textSize.Height / 2;
    } else {
        glyphPos.X = size.Width / 2 - glyph.Width / 2;
        textPos.X = size.Width / 2 - textSize.Width / 2;
    }

    const int extent = horizontal ? size.Width : size.Height;
    const int glyphExtent = horizontal ? glyph.Width : glyph.Height;
    const int textExtent = horizontal ? textSize.Width : textSize.Height;
    if (margin == -1 && spacing != -1) {
        margin = extent / 2 - (glyphExtent + spacing + textExtent) / 2;
    } else if (margin == -1) {
        margin = spacing = (extent - glyphExtent - textExtent) / 3;
    } else if (spacing == -1) {
        spacing = (extent - margin - glyphExtent) / 2 - textExtent / 2;
    }
    int glyphAt = 0, textAt = 0;
    if (layout == blGlyphLeft || layout == blGlyphTop) {
        glyphAt = margin;
        textAt = margin + glyphExtent + spacing;
    } else {
        glyphAt = extent - margin - glyphExtent;
        textAt = glyphAt - spacing - textExtent;
    }
    (horizontal ? glyphPos.X : glyphPos.Y) = glyphAt;
    (horizontal ? textPos.X : textPos.Y) = textAt;

    TButtonPlacement placed;
    placed.Glyph = {client.Left + glyphPos.X, client.Top + glyphPos.Y};
    const int tx = client.Left + textPos.X, ty = client.Top + textPos.Y;
    placed.Text = {tx, ty, tx + drawnText.Width, ty + drawnText.Height};
    if (hasGlyph && layout != blGlyphLeft)
        placed.Mark = {placed.Glyph.X + drawnGlyph.Width + 1, placed.Glyph.Y + drawnGlyph.Height / 2};
    else if (drawnText.Width > 0)
        placed.Mark = {placed.Text.Right + 3, placed.Text.Top + drawnText.Height / 2};
    else
        placed.Mark = {(client.Left + client.Right - 7) / 2, placed.Text.Top + drawnText.Height / 2};
    return placed;
}

std::vector<TMarkRow> DropMarkRows(TPoint point)
{
    std::vector<TMarkRow> rows;
    for (int i = 0; i < 4; ++i) rows.push_back({point.X + i, point.Y - 1 + i, 7 - 2 * i});
    return rows;
}

TPoint DropDownMenuPoint(TIcDropDownMenuPos position, TPopupAlignment alignment, int width, int height)
{
    if (position == dmpBottom) {
        switch (alignment) {
        case paLeft: return {-1, height};
        case paRight: return {width + 1, height};
        case paCenter: return {width / 2, height};
        }
    }
    switch (alignment) {
    case paLeft: return {width, -1};
    case paRight: return {-1, -1};
    case paCenter: break;
    }
    return {width / 2, height};
}

TPoint ShadowOffset(TShadowPosition position, int size)
{
    switch (position) {
    case spLeftTop: return {-size, -size};
    case spLeftBottom: return {-size, size};
    case spRightBottom: return {size, size};
    case spRightTop: return {size, -size};
    }
    return {};
}

}  // namespace speedbutton
