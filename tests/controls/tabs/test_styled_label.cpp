#include "controls/tabs/StyledLabel.h"

#include "platform/Painting.h"
#include "tests/support/PixelCount.h"
#include "tests/support/Shots.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QSignalSpy>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr QRgb Background = 0x00FF00;  // a colour no pass uses

void Prepare(TStyledLabel& label, TAlignment alignment)
{
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(22);
    font.setBold(true);
    label.setFont(font);
    label.SetAutoSize(false);
    label.resize(90, 34);
    label.SetAlignment(alignment);
    label.SetColor(RGB(0, 255, 0));
    label.SetHighlightColor(clWhite);
    label.SetShadowColor(clGray);
    label.SetFontColor(clBlack);
}

QImage Shot(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The caption's pixels when it is drawn once, plainly, at the base position.
std::vector<QPoint> GlyphPixels(TAlignment alignment)
{
    TStyledLabel plain(QStringLiteral("Hi"));
    Prepare(plain, alignment);
    plain.SetTextStyle(tsNormal);
    const QImage shot = Shot(plain);
    std::vector<QPoint> pixels;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if ((shot.pixel(x, y) & 0xFFFFFF) != Background) pixels.push_back({x, y});
    return pixels;
}

struct Pass {
    int dx, dy;
    QRgb color;
};

// The picture the passes should leave: the plain caption's pixels moved and coloured, in order.
QImage Expected(const std::vector<QPoint>& glyph, QSize size, const std::vector<Pass>& passes)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Background);
    for (const Pass& pass : passes)
        for (const QPoint& p : glyph) {
            const QPoint q = p + QPoint(pass.dx, pass.dy);
            if (image.valid(q)) image.setPixel(q, pass.color | 0xFF000000);
        }
    return image;
}

int Differences(const QImage& a, const QImage& b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF);
    return n;
}

}  // namespace

TEST(StyledLabel, EachStyleDrawsItsPassesPixelByPixel)
{
    const QRgb white = 0xFFFFFF, grey = 0x808080, black = 0x000000;
    const QRgb greyText = painting::ToQColor(clGrayText).rgb() & 0xFFFFFF;
    struct Case {
        const char* name;
        TTextStyle style;
        bool light = false;
        TAlignment alignment = taCenter;
        int depth = 2;
        bool enabled = true;
        std::vector<Pass> passes;
    } cases[] = {
        {"recessed (the default)", tsRecessed, false, taCenter, 2, true, {{1, 1, white}, {-1, -1, grey}, {0, 0, black}}},
        {"raised", tsRaised, false, taCenter, 2, true, {{1, 1, grey}, {-1, -1, white}, {0, 0, black}}},
        {"raised, light", tsRaised, true, taCenter, 2, true, {{-1, -1, white}, {0, 0, black}}},
        {"recessed, light", tsRecessed, true, taCenter, 2, true, {{1, 1, white}, {0, 0, black}}},
        {"shadow", tsShadow, false, taCenter, 3, true, {{3, 3, grey}, {0, 0, black}}},
        {"shadow, right-aligned", tsShadow, false, taRightJustify, 2, true, {{0, 2, grey}, {-2, 0, black}}},
        {"right-aligned recessed keeps its place", tsRecessed, false, taRightJustify, 2, true,
         {{1, 1, white}, {-1, -1, grey}, {0, 0, black}}},
        {"normal, disabled", tsNormal, false, taCenter, 2, false, {{0, 0, greyText}}},
    };
    for (const Case& c : cases) {
        TStyledLabel label(QStringLiteral("Hi"));
        Prepare(label, c.alignment);
        label.SetTextStyle(c.style);
        label.SetLightTextStyle(c.light);
        label.SetShadowDepth(c.depth);
        label.setEnabled(c.enabled);
        const std::vector<QPoint> glyph = GlyphPixels(c.alignment);
        ASSERT_GT(glyph.size(), 20u) << c.name;
        const QImage shot = Shot(label);
        EXPECT_EQ(Differences(shot, Expected(glyph, shot.size(), c.passes)), 0) << c.name;
    }
}

TEST(StyledLabel, DefaultsAreARecessedOpaqueAutoSizedLabel)
{
    TStyledLabel label(QStringLiteral("&Version 1.5"));
    EXPECT_EQ(label.TextStyle(), tsRecessed);
    EXPECT_EQ(label.Rotation(), roNone);
    EXPECT_EQ(label.CenterPoint(), cpCenter);
    EXPECT_EQ(label.ShadowDepth(), 2);
    EXPECT_EQ(label.FlyByColor(), clHighlight);
    EXPECT_FALSE(label.FlyByEnabled());
    EXPECT_FALSE(label.Transparent());
    EXPECT_TRUE(label.AutoSize());
    EXPECT_EQ(label.size(), label.sizeHint());
    EXPECT_EQ(label.accessibleName(), QStringLiteral("Version 1.5"));
}

TEST(StyledLabel, AnglesComeIntoZeroTo359AndSwitchAutoSizeOff)
{
    const struct {
        int given, stored;
    } cases[] = {{0, 0}, {90, 90}, {359, 359}, {360, 0}, {450, 90}, {720, 0}, {-90, 270}, {-360, 0}, {-361, 359}, {-721, 359}};
    for (const auto& c : cases) EXPECT_EQ(styledlabel::NormalizeAngle(c.given), c.stored) << c.given;

    TStyledLabel label(QStringLiteral("turned"));
    label.SetAngle(-361);
    EXPECT_EQ(label.Angle(), 359);
    EXPECT_FALSE(label.AutoSize());
}

TEST(StyledLabel, RotationNeedsAnOutlineFont)
{
    TStyledLabel label(QStringLiteral("turned"));
    label.setFont(QFont(QStringLiteral("MS Sans Serif")));
    label.SetRotation(roFlat);
    EXPECT_EQ(label.font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(label.CenterPoint(), cpCenter);
    label.SetAngle(45);
    QFont larger = label.font();
    larger.setPointSize(larger.pointSize() + 4);
    label.setFont(larger);  // Arial, or the outline face standing in for it, keeps the angle
    EXPECT_EQ(label.Angle(), 45);

    // A family drawn by an outline stand-in is an outline font: no switch, and a later font
    // change keeps the angle.
    label.setFont(QFont(QStringLiteral("Times New Roman")));
    label.SetAngle(45);
    EXPECT_EQ(label.font().family(), QStringLiteral("Times New Roman"));
    QFont resized = label.font();
    resized.setPixelSize(20);
    label.setFont(resized);
    EXPECT_EQ(label.Angle(), 45);

    label.setFont(QFont(QStringLiteral("MS Sans Serif")));  // no outline font: no angle either
    EXPECT_EQ(label.Angle(), 0);
}

TEST(StyledLabel, LoadingWithAnAngleRotatesFlatOnceLoaded)
{
    TStyledLabel label(QStringLiteral("stored"));
    label.BeginLoad();
    label.setFont(QFont(QStringLiteral("MS Sans Serif")));
    label.SetAngle(30);
    EXPECT_EQ(label.font().family(), QStringLiteral("MS Sans Serif"));  // not while loading
    EXPECT_EQ(label.Rotation(), roNone);
    label.Loaded();
    EXPECT_EQ(label.Rotation(), roFlat);
    EXPECT_EQ(label.Angle(), 30);
    EXPECT_EQ(label.font().family(), QStringLiteral("Arial"));
}

TEST(StyledLabel, FlatRotationStartsWhereAngleAndAlignmentSay)
{
    // A 100 x 40 label, caption 30 wide, "Pp" 16 high.
    const struct {
        int angle;
        TAlignment alignment;
        int shadow;
        styledlabel::FlatOrigin origin;
    } cases[] = {
        {0, taCenter, 0, {50, 12, true, false}},
        {0, taRightJustify, 2, {68, 12, false, false}},
        {0, taLeftJustify, 2, {2, 12, false, false}},
        {180, taCenter, 0, {65, 16, false, true}},
        {180, taLeftJustify, 2, {98, 16, false, true}},
        {90, taCenter, 0, {54, 35, false, true}},
        {90, taRightJustify, 2, {54, 32, false, true}},
        {270, taCenter, 0, {46, 5, false, true}},
        {270, taLeftJustify, 2, {46, 2, false, true}},
        {45, taLeftJustify, 0, {53, 23, true, true}},
    };
    for (const auto& c : cases) {
        const styledlabel::FlatOrigin o = styledlabel::FlatPlacement(c.angle, c.alignment, 100, 40, 30, 16, c.shadow);
        EXPECT_EQ(o.x, c.origin.x) << c.angle << " " << c.alignment;
        EXPECT_EQ(o.y, c.origin.y) << c.angle << " " << c.alignment;
        EXPECT_EQ(o.centered, c.origin.centered) << c.angle << " " << c.alignment;
        EXPECT_EQ(o.baseline, c.origin.baseline) << c.angle << " " << c.alignment;
    }
}

TEST(StyledLabel, ArcTextWithoutAHorizontalRadiusDrawsNothing)
{
    auto foreground = [](int width) {
        TStyledLabel label(QStringLiteral("Arc"));
        Prepare(label, taCenter);
        label.SetRotation(roCurve);
        label.SetCenterPoint(cpCenter);
        label.resize(width, 80);
        const QImage shot = Shot(label);
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) n += (shot.pixel(x, y) & 0xFFFFFF) != Background;
        return n;
    };
    EXPECT_EQ(foreground(1), 0);  // radius 1 div 2 = 0
    EXPECT_GT(foreground(120), 20);
}

TEST(StyledLabel, FlyByPutsBackOnlyAColourItSaved)
{
    auto enter = [](QWidget& w) {
        QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(&w, &event);
    };
    auto leave = [](QWidget& w) {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(&w, &event);
    };
    const TColor own = clNavy, flyBy = clRed;
    {
        SCOPED_TRACE("on while the mouse passes");
        TStyledLabel label(QStringLiteral("link"));
        label.SetFontColor(own);
        label.SetFlyByColor(flyBy);
        label.SetFlyByEnabled(true);
        QSignalSpy entered(&label, &TStyledLabel::OnMouseEnter), left(&label, &TStyledLabel::OnMouseLeave);
        enter(label);
        EXPECT_EQ(label.FontColor(), flyBy);
        leave(label);
        EXPECT_EQ(label.FontColor(), own);
        EXPECT_EQ(entered.count(), 1);
        EXPECT_EQ(left.count(), 1);
    }
    {
        SCOPED_TRACE("switched on while the mouse is over it");
        TStyledLabel label(QStringLiteral("link"));
        label.SetFontColor(own);
        enter(label);
        label.SetFlyByEnabled(true);
        label.SetFontColor(clGreen);
        leave(label);
        EXPECT_EQ(label.FontColor(), clGreen);
    }
    {
        SCOPED_TRACE("switched off while the mouse is over it");
        TStyledLabel label(QStringLiteral("link"));
        label.SetFontColor(own);
        label.SetFlyByEnabled(true);
        enter(label);
        label.SetFlyByEnabled(false);
        EXPECT_EQ(label.FontColor(), own);
        label.SetFontColor(clGreen);
        leave(label);
        EXPECT_EQ(label.FontColor(), clGreen);
    }
}

// Each look on a grey sheet, as it is seen (a picture of it written into VANTREL_SHOTS when that
// is set): which colours the passes leave, and how far turned and curved text reaches.
TEST(StyledLabel, StylesCanBeRenderedToLookAt)
{
    QWidget sheet;
    sheet.resize(420, 300);
    sheet.setStyleSheet(QStringLiteral("background: #c0c0c0"));
    const struct {
        const char* caption;
        TTextStyle style;
        TRotation rotation;
        int angle;
        QRect where;
        bool highlight, shadow;  // colours the passes leave
        int minHeight;           // of the letters' extent
    } looks[] = {
        {"Recessed", tsRecessed, roNone, 0, {10, 10, 190, 40}, true, true, 15},
        {"Raised", tsRaised, roNone, 0, {10, 60, 190, 40}, true, true, 15},
        {"Shadow", tsShadow, roNone, 0, {10, 110, 190, 40}, false, true, 15},
        {"Turned 30", tsRaised, roFlat, 30, {210, 10, 200, 130}, true, true, 55},
        {"Along an arc", tsShadow, roCurve, 80, {10, 160, 400, 130}, false, true, 45},
    };
    std::vector<TStyledLabel*> labels;
    for (const auto& l : looks) {
        auto* label = new TStyledLabel(QString::fromLatin1(l.caption), &sheet);
        QFont font(QStringLiteral("DejaVu Serif"));
        font.setPixelSize(26);
        label->setFont(font);
        label->SetTextStyle(l.style);
        label->SetRotation(l.rotation);
        label->SetAngle(l.angle);
        label->SetCenterPoint(l.rotation == roCurve ? cpLowerCenter : cpCenter);
        label->SetTransparent(true);
        label->SetAutoSize(false);
        label->setGeometry(l.where);
        labels.push_back(label);
    }
    const QImage shot = sheet.grab().toImage();
    const TempDir pictures;
    EXPECT_TRUE(shot.save(ShotPath(pictures.path(), "styled-label.png")));
    for (std::size_t i = 0; i < std::size(looks); ++i) {
        const auto& l = looks[i];
        const QRect area = l.where;
        const QRgb face = painting::ToQColor(labels[i]->FontColor()).rgb();
        const int faces = CountPixelsNear(shot, area, face);
        EXPECT_GT(faces, 60) << l.caption;
        EXPECT_EQ(CountPixelsNear(shot, area, painting::ToQColor(labels[i]->HighlightColor()).rgb()) > 10, l.highlight) << l.caption;
        EXPECT_GT(CountPixelsNear(shot, area, painting::ToQColor(labels[i]->ShadowColor()).rgb()), 10) << l.caption;
        // How high the letters reach: one line, or well beyond it when turned or curved.
        int top = area.bottom(), bottom = area.top();
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (CountPixelsNear(shot, QRect(x, y, 1, 1), face)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        EXPECT_GE(bottom - top, l.minHeight) << l.caption;
    }
}
