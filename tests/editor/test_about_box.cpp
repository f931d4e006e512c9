#include "controls/effects/EffForm.h"
#include "controls/effects/EffLabels.h"
#include "controls/input/IcGradientCaption.h"
#include "controls/tabs/StyledLabel.h"
#include "editor/AboutBox.h"
#include "editor/Animation.h"
#include "editor/ScriptingEditor.h"
#include "editor/SplashForm.h"
#include "editor/StartUp.h"
#include "platform/AppPaths.h"
#include "platform/Painting.h"
#include "tests/support/FakeEditorSeams.h"
#include "tests/support/PixelCount.h"
#include "tests/support/Shots.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgHome.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QtTest/QTest>
#include <cstdlib>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

constexpr double Quick = 0.01;  // 200 ms -> 2 ms, 1 s -> 10 ms, 20 s -> 200 ms
constexpr int Bound = 5000;     // ms any wait in these tests may take at most

void Record(TAnimate& animation, std::vector<int>& frames)
{
    QObject::connect(&animation, &TAnimate::FrameShown, &animation, [&frames](int f) { frames.push_back(f); });
}

// What the box was doing each time its panel came up or went down.
struct PanelMoves : QObject {
    struct Move {
        bool up, timerEnabled, playing;
        std::size_t frames;
    };
    TFTPabout& box;
    const std::vector<int>& frames;
    std::vector<Move> moves;
    PanelMoves(TFTPabout& b, const std::vector<int>& f) : box(b), frames(f) { box.Panel2()->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
            moves.push_back({event->type() == QEvent::Show, box.Timer1Enabled(), box.Animate1()->Active(), frames.size()});
        return false;
    }
};

int VisibleSplashes()
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) n += qobject_cast<TSplashForm*>(w) && w->isVisible();
    return n;
}

int Splashes()
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) n += qobject_cast<TSplashForm*>(w) != nullptr;
    return n;
}

}  // namespace

TEST(AboutBox, ShowingSetsTheCaptionAndStartsTheTimerAt200)
{
    TFTPabout box;
    EXPECT_EQ(box.objectName(), QStringLiteral("FTPabout"));
    auto* helper = box.findChild<TEffForm*>("EffForm1");
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->Effect(), deExplode);
    EXPECT_EQ(helper->IniKey(), "FTPabout");
    EXPECT_EQ(box.FtpLabel()->Caption(), QStringLiteral("FTP"));
    EXPECT_EQ(box.VantrelLabel()->Caption(), QStringLiteral("Vantrel"));
    EXPECT_EQ(box.VersionLabel()->Caption(), QStringLiteral("Version 1.5"));
    // Three 3-D labels at their defaults, transparent, in 13- to 15-pixel "Times New Roman".
    for (int i = 0; i < 3; ++i) {
        const TStyledLabel* label = box.StyledLabel(i);
        EXPECT_EQ(label->font().family(), QStringLiteral("Times New Roman")) << i;
        EXPECT_EQ(label->font().pixelSize(), 15 - i) << i;
        EXPECT_EQ(label->TextStyle(), tsRecessed) << i;
        EXPECT_EQ(label->Rotation(), roNone) << i;
        EXPECT_TRUE(label->Transparent()) << i;
        EXPECT_FALSE(label->Caption().isEmpty()) << i;
    }
    // The caption's segments: "MS Sans Serif" of 11 pixels, bold italic in the light blue, then
    // an empty one, then regular.
    const TIcCaptionList& segments = box.IcGradientCaption1().Caption().Captions();
    ASSERT_EQ(segments.Count(), 3);
    for (int i : {0, 2}) {
        EXPECT_EQ(segments[i].Font().family(), QStringLiteral("MS Sans Serif")) << i;
        EXPECT_EQ(segments[i].Font().pixelSize(), 11) << i;
        EXPECT_EQ(segments[i].Font().bold(), i == 0) << i;
        EXPECT_EQ(segments[i].Font().italic(), i == 0) << i;
    }
    EXPECT_EQ(segments[0].FontColor(), TColor(16773593));
    EXPECT_EQ(box.Button1()->text(), QStringLiteral("OK"));
    EXPECT_TRUE(box.Button1()->isDefault());
    EXPECT_EQ(box.Animate1()->FrameCount(), 16);
    EXPECT_FALSE(box.Timer1Enabled());
    EXPECT_FALSE(box.VantrelLabel()->isVisibleTo(&box));

    box.show();
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Vantrel - About..."));
    EXPECT_TRUE(box.VantrelLabel()->isVisible());
    EXPECT_FALSE(box.Panel2()->isVisible());
    EXPECT_TRUE(box.Timer1Enabled());
    EXPECT_EQ(box.Timer1Interval(), 200);
    box.Button1()->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_FALSE(box.Timer1Enabled());
}

TEST(AboutBox, TheTimerShowsThePanelPlaysFramesOneToNineThenWaitsTwentySeconds)
{
    TFTPabout box(nullptr, Quick);
    std::vector<int> frames;
    Record(*box.Animate1(), frames);
    PanelMoves panel(box, frames);
    box.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.moves.size() >= 2; }, Bound));
    const PanelMoves::Move up = panel.moves[0], down = panel.moves[1];
    EXPECT_TRUE(up.up);
    EXPECT_FALSE(up.timerEnabled);  // no second round while the panel is up
    EXPECT_EQ(up.frames, 0u);       // a pause before the play
    EXPECT_FALSE(down.up);
    EXPECT_FALSE(down.playing);
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(box.Timer1Interval(), 20000);
    EXPECT_TRUE(box.Timer1Enabled());
    // The next round comes after the longer interval.
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.moves.size() >= 3; }, Bound));
    box.Button1()->click();
}

TEST(AboutBox, ClosingWhileThePanelIsUpStopsAnimationAndTimer)
{
    std::vector<int> frames;
    {
        TFTPabout box(nullptr, Quick);
        Record(*box.Animate1(), frames);
        bool panelUpAtClose = false;
        QObject::connect(box.Animate1(), &TAnimate::FrameShown, &box, [&](int frame) {
            if (frame != 3) return;
            panelUpAtClose = box.Panel2()->isVisible();
            box.Button1()->click();
        });
        box.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !box.isVisible(); }, Bound));
        EXPECT_TRUE(panelUpAtClose);
        EXPECT_FALSE(box.Animate1()->Active());
        EXPECT_FALSE(box.Timer1Enabled());
        const std::size_t shown = frames.size();
        QTest::qWait(60);  // longer than the rest of the chain would take
        EXPECT_EQ(frames.size(), shown);
        EXPECT_FALSE(box.Timer1Enabled());
        EXPECT_EQ(box.Timer1Interval(), 200);
    }
    TFTPabout next(nullptr, Quick);
    next.show();
    EXPECT_EQ(next.Timer1Interval(), 200);
    EXPECT_FALSE(next.Panel2()->isVisible());
    next.Button1()->click();
}

TEST(Animation, FramesComeFromTheFileNameAndPlaysStayInsideThem)
{
    const struct {
        const char* file;
        int frames;
    } files[] = {{"/opt/x/working.avi", 8}, {"Working.AVI", 8}, {"/p/lightng2.Avi", 16}, {"/p/other.avi", 0}, {"", 0}};
    for (const auto& f : files) EXPECT_EQ(int(AnimationFrames(f.file).size()), f.frames) << f.file;

    TAnimate animation;
    animation.SetFileName("/p/other.avi");
    animation.Play(1, 9, 1);
    EXPECT_FALSE(animation.Active());
    EXPECT_EQ(animation.Frame(), 0);

    animation.SetFileName("/p/LIGHTNG2.AVI");
    animation.SetFrameInterval(1);
    std::vector<int> frames;
    Record(animation, frames);
    animation.Play(14, 40, 2);  // past the end: up to the last frame
    ASSERT_TRUE(QTest::qWaitFor([&] { return !animation.Active(); }, Bound));
    EXPECT_EQ(frames, (std::vector<int>{14, 15, 16, 14, 15, 16}));
    animation.SetActive(true);
    EXPECT_TRUE(animation.Active());
    animation.SetFileName("/p/working.avi");  // another file stops the play
    EXPECT_FALSE(animation.Active());
}

TEST(Splash, IsABorderlessCentredWindowOnTopThatIsWorking)
{
    TSplashForm splash;
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(splash.TitleLabel()->Caption(), QStringLiteral("Quorvel's Vantrel"));
    EXPECT_EQ(splash.PreparingLabel()->text(), QStringLiteral("Preparing application..."));
    EXPECT_EQ(splash.Animate1()->FrameCount(), 8);
    EXPECT_TRUE(splash.Animate1()->Active());
    const QPoint screenCentre = QGuiApplication::primaryScreen()->geometry().center();
    EXPECT_LE((splash.geometry().center() - screenCentre).manhattanLength(), 2);
}

namespace {

// The editor's files in temporary folders, and seams that note whether the splash was still up
// when something failed.
struct EditorStart : ::testing::Test {
    struct Seams : FakeSeams {
        QPointer<QWidget> splash;
        bool splashUpAtFailure = false;
        void Fail(const QString& text) override
        {
            splashUpAtFailure = splashUpAtFailure || (splash && splash->isVisible());
            FakeSeams::Fail(text);
        }
    };
    XdgHome home;
    TempDir program;
    Seams seams;

    void SetUp() override { apppaths::setProgramFolderForTesting(program.path()); }
    void TearDown() override { apppaths::setProgramFolderForTesting(""); }
};

}  // namespace

TEST_F(EditorStart, TheSplashGoesBeforeTheRegistrationWhetherItFailsOrNot)
{
    for (const bool failing : {true, false}) {
        SCOPED_TRACE(failing ? "failing registration" : "good registration");
        std::remove((program.path() + "/Wizard.ini").c_str());
        if (failing) home.set("XDG_DATA_HOME", home.dir().write("blocker", "a file, not a folder") + "/share");
        else home.set("XDG_DATA_HOME", home.dataHome());
        seams.failed.clear();
        seams.splashUpAtFailure = false;

        TScriptingEditor editor(seams);
        auto splash = std::make_unique<TSplashForm>();
        splash->show();
        seams.splash = splash.get();
        editor.SetSplash(std::move(splash));
        editor.show();
        EXPECT_TRUE(seams.splash.isNull());
        EXPECT_EQ(Splashes(), 0);
        EXPECT_EQ(seams.failed.size(), failing ? 1u : 0u);
        EXPECT_FALSE(seams.splashUpAtFailure);
    }
}

TEST_F(EditorStart, StartsInOrderSplashTitleMainWindowAndTheFirstShowEndsTheSplash)
{
    const QString before = QApplication::applicationDisplayName();
    bool splashUp = false, working = false;
    QString title;
    std::unique_ptr<TScriptingEditor> editor = StartEditor([&] {
        splashUp = VisibleSplashes() == 1;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* s = qobject_cast<TSplashForm*>(w)) working = s->Animate1()->Active();
        title = qApp->property(ApplicationTitleProperty).toString();
        return std::make_unique<TScriptingEditor>(seams);
    });
    EXPECT_TRUE(splashUp);
    EXPECT_TRUE(working);
    EXPECT_EQ(title, QStringLiteral("Quorvel's FTP Vantrel"));
    // The effect library's default key is named after that title.
    EXPECT_EQ(EffApplication().DefaultRegKey(), "Software\\Quorvel's FTP Vantrel\\");
    // Qt appends a display name to every window title: the title must not become one.
    EXPECT_EQ(QApplication::applicationDisplayName(), before);
    EXPECT_EQ(VisibleSplashes(), 1);  // up until the main window shows
    EXPECT_FALSE(editor->isVisible());
    editor->show();
    EXPECT_EQ(Splashes(), 0);
    editor.reset();

    // A main window that cannot be made takes the splash with it.
    EXPECT_THROW(StartEditor([]() -> std::unique_ptr<TScriptingEditor> { throw std::runtime_error("no"); }),
                 std::runtime_error);
    EXPECT_EQ(Splashes(), 0);
}

TEST_F(EditorStart, AboutShowsAFreshModalBoxEachTimeAndFreesIt)
{
    TScriptingEditor editor(seams);
    editor.show();
    std::vector<QPointer<TFTPabout>> boxes;
    seams.modal = [&](QDialog& dialog) {
        auto* box = qobject_cast<TFTPabout*>(&dialog);
        EXPECT_NE(box, nullptr);
        if (!box) return int(QDialog::Rejected);
        boxes.emplace_back(box);
        EXPECT_EQ(box->parentWidget(), &editor);
        box->show();
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Vantrel - About..."));
        EXPECT_EQ(box->Timer1Interval(), 200);
        EXPECT_TRUE(box->Timer1Enabled());
        box->Button1()->click();
        return box->result();
    };
    editor.Action("About1")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].isNull());  // freed once it closed
    editor.Action("About1")->trigger();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[1].isNull());
}

// The pixels of a widget inside its window's picture.
QRect In(const QWidget* widget, const QWidget* window)
{
    return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
}

int DarkPixels(const QImage& image, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += qGray(image.pixel(x, y)) < 60;
    return n;
}

// The splash and the about box as they are seen: each written as a picture (into VANTREL_SHOTS
// when it is set) and its parts found where they belong.
TEST(AboutPictures, EachPartIsSeenWhereItBelongs)
{
    const TempDir pictures;
    TSplashForm splash;
    splash.show();
    const QImage splashShot = splash.grab().toImage();
    EXPECT_TRUE(splashShot.save(ShotPath(pictures.path(), "splash.png")));
    EXPECT_GT(DarkPixels(splashShot, In(splash.PreparingLabel(), &splash)), 20);
    EXPECT_GT(CountPixelsNear(splashShot, In(splash.TitleLabel(), &splash), qRgb(0, 0, 128)), 50);

    TFTPabout box(nullptr, Quick);
    box.show();
    const QImage down = box.grab().toImage();
    EXPECT_TRUE(down.save(ShotPath(pictures.path(), "about-panel-down.png")));
    // The big letters: navy faces of "FTP" and "Vantrel".
    EXPECT_GT(CountPixelsNear(down, In(box.FtpLabel(), &box), qRgb(0, 0, 128)), 200);
    EXPECT_GT(CountPixelsNear(down, In(box.VantrelLabel(), &box), qRgb(0, 0, 128)), 200);
    // The three 3-D labels, larger letters further up, each drawn recessed: black letters with
    // a white pass below right and a grey one above left, over the gradient.
    int lastHeight = 1000;
    for (int i = 0; i < 3; ++i) {
        const TStyledLabel* label = box.StyledLabel(i);
        const QRect area = In(label, &box);
        EXPECT_LT(label->height(), lastHeight) << i;
        lastHeight = label->height();
        EXPECT_GT(DarkPixels(down, area), 15) << i;
        EXPECT_NEAR(label->geometry().center().x(), TFTPabout::StyledLabelCentre, 1) << i;
        const QRgb white = painting::ToQColor(label->HighlightColor()).rgb();
        const QRgb grey = painting::ToQColor(label->ShadowColor()).rgb();
        int belowRightWhite = 0, aboveLeftGrey = 0;
        for (int y = area.top() + 1; y < area.bottom(); ++y)
            for (int x = area.left() + 1; x < area.right(); ++x) {
                if (qGray(down.pixel(x, y)) >= 40) continue;
                belowRightWhite += CountPixelsNear(down, QRect(x + 1, y + 1, 1, 1), white);
                aboveLeftGrey += CountPixelsNear(down, QRect(x - 1, y - 1, 1, 1), grey);
            }
        EXPECT_GT(belowRightWhite, 3) << i;
        EXPECT_GT(aboveLeftGrey, 3) << i;
    }
    // The panel is down: only the gradient where it goes.
    const QRect panel = In(box.Panel2(), &box);
    EXPECT_EQ(DarkPixels(down, panel), 0);

    bool up = false;
    QImage shown;
    QObject::connect(box.Animate1(), &TAnimate::FrameShown, &box, [&](int frame) {
        if (frame != 6) return;
        shown = box.grab().toImage();
        up = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return up; }, Bound));
    EXPECT_TRUE(shown.save(ShotPath(pictures.path(), "about-panel-up.png")));
    int changed = 0;
    for (int y = panel.top(); y <= panel.bottom(); ++y)
        for (int x = panel.left(); x <= panel.right(); ++x) changed += shown.pixel(x, y) != down.pixel(x, y);
    EXPECT_GT(changed, panel.width() * panel.height() / 2);  // the panel and its frame of lightning
    box.Button1()->click();
}
