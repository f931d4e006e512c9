#include "editor/SplashForm.h"

#include "controls/effects/EffLabels.h"
#include "controls/tabs/StyledLabel.h"
#include "editor/AboutParts.h"
#include "editor/Animation.h"
#include "platform/AppPaths.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashForm"));
    setWindowTitle(QStringLiteral("Quorvel's Vantrel"));
    setFixedSize(320, 120);
    MakeGradientFill(this);
    bevel_ = new QFrame(this);
    bevel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bevel_->setGeometry(4, 4, width() - 8, height() - 8);

    title_ = MakeEffectLabel(this, QStringLiteral("Quorvel's Vantrel"), 26);
    title_->move(16, 16);
    preparing_ = new QLabel(QStringLiteral("Preparing application..."), this);
    preparing_->setGeometry(18, 80, 200, 20);
    animate1_ = new TAnimate(this);
    animate1_->setAccessibleName(tr("Working"));
    animate1_->setGeometry(216, 60, 96, 48);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    animate1_->SetFileName(apppaths::programFolder() + "/working.avi");
    animate1_->SetActive(true);
}
