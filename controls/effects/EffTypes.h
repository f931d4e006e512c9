#pragma once
// The enumerations and sets of the effect library. Stored forms write them by name, so the
// names and their order are part of the file format; they are registered with the meta-object
// system for that reason and exported unscoped, as the drawing code names them.

#include <QObject>

namespace eff {
Q_NAMESPACE

enum TEffBevelStyle { bvNone, bvLowered, bvRaised, bvFrameLowered, bvFrameRaised, bvNormal, bvShadow };
Q_ENUM_NS(TEffBevelStyle)

enum TEffBorderStyle {
    lsNone, lsSingle, lsLowered, lsRaised, lsRaisedspb, lsLoweredspb, lsRaisedExt, lsLoweredExt,
    lsFrameInset, lsFrameOffset, lsWindowBorder, lsSingleRaised, lsSingleLowered, lsDoubleRaised,
    lsDoubleLowered
};
Q_ENUM_NS(TEffBorderStyle)

enum TEffEdgeStyle { etRaisedInner, etRaisedOuter, etSunkenInner, etSunkenOuter, etBump, etEtched, etRaised, etSunken };
Q_ENUM_NS(TEffEdgeStyle)

enum TEffBevelMode { bmCustom, bmStandard, bmEdge };
Q_ENUM_NS(TEffBevelMode)

enum TEffFrameSide { fsBottom = 1, fsLeft = 2, fsRight = 4, fsTop = 8 };
Q_DECLARE_FLAGS(TEffFrameSides, TEffFrameSide)
Q_FLAG_NS(TEffFrameSides)

enum TEffGradientStyle {
    gstHorizontal, gstVertical, gstSquare, gstElliptic, gstTopLeft, gstTopRight, gstBottomLeft, gstBottomRight
};
Q_ENUM_NS(TEffGradientStyle)

enum TEffTransparentMode { tpNone, tpRestoreBack, tpTransparentColor, tpRBTranspColor };
Q_ENUM_NS(TEffTransparentMode)

enum TEffDisabledStyle { dsAuto, dsStandard, ds3d, dsNone };
Q_ENUM_NS(TEffDisabledStyle)

enum TEffThreeDStyle { tdNone, tdSunken, tdRaised, tdSunkenShadow, tdRaisedShadow, tdPColorSunken, tdPColorRaised, tdShadow };
Q_ENUM_NS(TEffThreeDStyle)

enum TEffAlignment {
    agTopLeft, agTopCenter, agTopRight, agCenterLeft, agCenter, agCenterRight, agBottomLeft, agBottomCenter,
    agBottomRight
};
Q_ENUM_NS(TEffAlignment)

enum TEffFillStyle { sfNone, sfBrushBitmap, sfBrush, sfBitmap, sfBitmapList, sfGradient };
Q_ENUM_NS(TEffFillStyle)

enum TEffTileMode { tmNone, tmCenter, tmStretch, tmTile };
Q_ENUM_NS(TEffTileMode)

enum TEffFillOption { foFillInner = 1, foQuickDraw = 2, foGrUseBitmap = 4 };
Q_DECLARE_FLAGS(TEffFillOptions, TEffFillOption)
Q_FLAG_NS(TEffFillOptions)

enum TEffPathPrefix { ppWindows, ppSystem, ppProgram, ppFixed };
Q_ENUM_NS(TEffPathPrefix)

// Where the ini control keeps its values.
enum TEffRegRootKey { rpClassesRoot, rpCurrentUser, rpLocalMachine, rpUsers, rpCurrentConfig, rpDynData };
Q_ENUM_NS(TEffRegRootKey)
enum TEffIniTarget { itIniFile, itRegistry, itAuto };
Q_ENUM_NS(TEffIniTarget)

// How a list item's bitmap is stored.
enum TEffSavePixelFormat { spfDefault, spfMono, spf4bit, spf8bit };
Q_ENUM_NS(TEffSavePixelFormat)

enum TEffBitmapStyle { sbNone, sbAutosize, sbCenter, sbStretch, sbTile, sbKeepAspRatio, sbKeepWidth, sbKeepHeight };
Q_ENUM_NS(TEffBitmapStyle)

// Where a control keeps itself in its parent: along an edge, or over the room the others leave.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
Q_ENUM_NS(TAlign)

// The font and brush settings the attribute objects own.
enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_FLAG_NS(TFontStyles)

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
Q_ENUM_NS(TBrushStyle)

}  // namespace eff

Q_DECLARE_OPERATORS_FOR_FLAGS(eff::TEffFrameSides)
Q_DECLARE_OPERATORS_FOR_FLAGS(eff::TEffFillOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(eff::TFontStyles)

using eff::TEffAlignment, eff::TEffBevelMode, eff::TEffBevelStyle, eff::TEffBorderStyle, eff::TEffDisabledStyle,
    eff::TEffEdgeStyle, eff::TEffFillOption, eff::TEffFillOptions, eff::TEffFillStyle, eff::TEffFrameSide,
    eff::TEffFrameSides, eff::TEffGradientStyle, eff::TEffPathPrefix, eff::TEffThreeDStyle, eff::TEffTileMode,
    eff::TEffTransparentMode, eff::TFontStyle, eff::TFontStyles, eff::TBrushStyle, eff::TEffSavePixelFormat, eff::TEffRegRootKey,
    eff::TEffIniTarget, eff::TEffBitmapStyle, eff::TAlign;
using enum eff::TEffAlignment;
using enum eff::TEffBevelMode;
using enum eff::TEffBevelStyle;
using enum eff::TEffBorderStyle;
using enum eff::TEffDisabledStyle;
using enum eff::TEffEdgeStyle;
using enum eff::TEffFillOption;
using enum eff::TEffFillStyle;
using enum eff::TEffFrameSide;
using enum eff::TEffGradientStyle;
using enum eff::TEffPathPrefix;
using enum eff::TEffThreeDStyle;
using enum eff::TEffTileMode;
using enum eff::TEffTransparentMode;
using enum eff::TFontStyle;
using enum eff::TBrushStyle;
using enum eff::TEffSavePixelFormat;
using enum eff::TEffBitmapStyle;
using enum eff::TEffRegRootKey;
using enum eff::TEffIniTarget;
using enum eff::TAlign;
