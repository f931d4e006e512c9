#include "controls/tabs/LedLight.h"
#include "tests/support/Shots.h"
#include "tests/support/TempDir.h"

#include <QImage>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QTimer* BlinkTimer(TLedLight& led)
{
    return led.findChild<QTimer*>("blinkTimer");
}

// The timer's tick, without waiting for it.
void Tick(TLedLight& led)
{
    QTimer* t = BlinkTimer(led);
    ASSERT_NE(t, nullptr);
    QMetaObject::invokeMethod(t, "timeout");
}

QRgb Centre(TLedLight& led)
{
    const QImage shot = led.grab().toImage();
    return shot.pixel(shot.width() / 2, shot.height() / 2) & 0xFFFFFF;
}

}  // namespace

TEST(LedLight, StartsOffSmallAndBlinkingByDefault)
{
    TLedLight led;
    EXPECT_FALSE(led.Value());
    EXPECT_TRUE(led.Blink());
    EXPECT_EQ(led.Interval(), 1000);
    EXPECT_EQ(led.TrueColor(), clLime);
    EXPECT_EQ(led.FalseColor(), clSilver);
    EXPECT_FALSE(led.ShowsOn());
    EXPECT_EQ(led.size(), QSize(16, 16));
    EXPECT_EQ(BlinkTimer(led), nullptr);
    EXPECT_EQ(Centre(led), 0xC0C0C0u);
    EXPECT_EQ(led.accessibleName(), "Light off");
}

TEST(LedLight, SteadyOnThenBlinkingWithTheFirstTickOff)
{
    TLedLight led;
    led.SetBlink(false);
    led.SetValue(true);
    EXPECT_TRUE(led.ShowsOn());
    EXPECT_EQ(BlinkTimer(led), nullptr);
    EXPECT_EQ(Centre(led), 0x00FF00u);

    int ticks = 0;
    QObject::connect(&led, &TLedLight::OnTimer, [&] { ++ticks; });
    led.SetBlink(true);
    ASSERT_NE(BlinkTimer(led), nullptr);
    EXPECT_TRUE(BlinkTimer(led)->isActive());
    EXPECT_EQ(BlinkTimer(led)->interval(), 1000);
    EXPECT_TRUE(led.ShowsOn());
    const bool expected[] = {false, true, false};
    for (bool on : expected) {
        Tick(led);
        EXPECT_EQ(led.ShowsOn(), on);
    }
    EXPECT_EQ(ticks, 3);

    led.SetInterval(250);
    EXPECT_EQ(BlinkTimer(led)->interval(), 250);
    led.SetValue(false);
    EXPECT_EQ(BlinkTimer(led), nullptr);
    EXPECT_FALSE(led.ShowsOn());
}

TEST(LedLight, StateTable)
{
    const struct {
        const char* name;
        bool blink, value;
        bool timer, on;
        const char* accessible;
    } cases[] = {
        {"off", false, false, false, false, "Light off"},
        {"off, blink set", true, false, false, false, "Light off"},
        {"steady on", false, true, false, true, "Light on"},
        {"blinking", true, true, true, true, "Light blinking"},
    };
    for (const auto& c : cases) {
        TLedLight led;
        led.SetBlink(c.blink);
        led.SetValue(c.value);
        EXPECT_EQ(BlinkTimer(led) != nullptr, c.timer) << c.name;
        EXPECT_EQ(led.ShowsOn(), c.on) << c.name;
        EXPECT_EQ(led.accessibleName(), c.accessible) << c.name;
    }
}

TEST(LedLight, IntervalOfZeroOrLessNeverAlternates)
{
    for (int interval : {0, -5}) {
        TLedLight led;
        led.SetInterval(interval);
        led.SetValue(true);
        ASSERT_NE(BlinkTimer(led), nullptr);
        EXPECT_FALSE(BlinkTimer(led)->isActive()) << interval;
        EXPECT_TRUE(led.ShowsOn());
        led.SetInterval(100);
        EXPECT_TRUE(BlinkTimer(led)->isActive()) << interval;
        led.SetInterval(0);
        EXPECT_FALSE(BlinkTimer(led)->isActive()) << interval;
    }
}

TEST(LedLight, AColourChangeWhileBlinkingRestartsItWithTheNewColour)
{
    TLedLight led;
    led.SetValue(true);
    Tick(led);
    ASSERT_FALSE(led.ShowsOn());
    QTimer* before = BlinkTimer(led);
    led.SetTrueColor(clRed);
    EXPECT_TRUE(led.Blink());
    ASSERT_NE(BlinkTimer(led), nullptr);
    EXPECT_NE(BlinkTimer(led), before);
    EXPECT_TRUE(led.ShowsOn());
    EXPECT_EQ(Centre(led), 0xFF0000u);  // clRed as a QRgb
    Tick(led);
    EXPECT_EQ(Centre(led), 0xC0C0C0u);
    led.SetFalseColor(clNavy);
    EXPECT_TRUE(led.ShowsOn());
    Tick(led);
    EXPECT_EQ(Centre(led), 0x000080u);
}

TEST(LedLight, StyleSetsSizeAndTheFacePixelsTakeTheColour)
{
    const struct {
        TLEDStyle style;
        QSize size;
    } cases[] = {
        {TLEDStyle::LEDSmall, {16, 16}},    {TLEDStyle::LEDLarge, {22, 22}},
        {TLEDStyle::LEDSqSmall, {16, 16}},  {TLEDStyle::LEDSqLarge, {22, 22}},
        {TLEDStyle::LEDVertical, {14, 22}}, {TLEDStyle::LEDHorizontal, {22, 14}},
    };
    const TempDir pictures;
    for (const auto& c : cases) {
        TLedLight led;
        led.SetLEDStyle(c.style);
        led.SetBlink(false);
        led.SetTrueColor(clBlue);
        led.SetValue(true);
        EXPECT_EQ(led.size(), c.size) << int(c.style);
        EXPECT_EQ(led.sizeHint(), c.size) << int(c.style);
        const QImage shot = led.grab().toImage();
        ASSERT_EQ(shot.size(), c.size);
        int face = 0, lime = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QRgb p = shot.pixel(x, y) & 0xFFFFFF;
                face += p == 0x0000FF;
                lime += p == 0x00FF00;
            }
        // Most of the light is its face, and none of the lime is left.
        EXPECT_GT(face, c.size.width() * c.size.height() / 3) << int(c.style);
        EXPECT_EQ(lime, 0) << int(c.style);
        led.grab().save(ShotPath(pictures.path(), ("led-" + std::to_string(int(c.style)) + ".png").c_str()));
    }
}
